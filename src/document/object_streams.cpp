#include "document/object_streams.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "compat/project_library/project_binding.h"
#include "document/object_loader.h"
#include "document/theme_document.h"
#include "kvxtheme/commonlib.h"
#include "kvxtheme/pathlib.h"
#include "raster/object_format.h"
#include "raster/placement.h"

namespace {

constexpr size_t kComponentRecordSize = 160;

int queryDocument(int32_t, int32_t, int32_t, int32_t, void* user) {
  return user ? 1 : 0;
}

template <typename T>
T valueAt(const uint8_t* bytes, size_t offset) {
  T value;
  std::memcpy(&value, bytes + offset, sizeof(T));
  return value;
}

// Restores the render object from "TextStream" or "PathStream"; none for a picture object.
int restoreRenderObject(const kvx::ObjectChunks& chunks, ThemeObject* object,
                        ThemeDocument* document, std::shared_ptr<RenderObject>* restored) {
  for (const char16_t* name : {u"TextStream", u"PathStream"}) {
    const kvx::StreamChunk* stream = chunks.findStream(name);
    if (!stream) continue;
    if (stream->bytes.empty()) return 0;
    const bool text = name[0] == u'T';
    try {
      *restored = std::make_shared<RenderObject>(text ? ObjectKind::Text : ObjectKind::Path);
    } catch (const std::bad_alloc&) {
      c32SetDLLErrInfo(nullptr, kErrorOutOfMemory, 1, 3300, 4, 0);
      return 0;
    }
    RenderObject& render = **restored;
    const FormatResult result =
        readObject(stream->bytes.data(), stream->bytes.size(), render.state.kind, queryDocument,
                   document, &render.state);
    if (result != kFormatRestored) return result;
    if (text) object->isText = 1;
    return 1;
  }
  return 1;
}

void applyComponentRecord(RenderObjectState& state, const uint8_t* stream, size_t size) {
  state.transformKind = valueAt<int32_t>(stream, 120);
  if (state.transformKind == 0)
    state.transform.fill(0);
  else
    std::memcpy(state.transform.data(), stream + 124, kTransformDataSize);
  // The 3-D settings block keeps its own fields but takes two angles from the record.
  std::memcpy(state.settings3d.data() + 12, stream + 112, 4);
  std::memcpy(state.settings3d.data() + 8, stream + 116, 4);

  if (size > kComponentRecordSize) {
    const uint8_t* data = stream + kComponentRecordSize;
    QzPath* path = nullptr;
    if (QzPathUnFlatten(&data, size - kComponentRecordSize, &path) && path) {
      if (qzPathIsValid(*path)) {
        try {
          state.path = *path;
        } catch (const std::bad_alloc&) {
        }
      }
      QzPathDeletePtr(path, 0);
    }
  }
  const double stretch[4] = {valueAt<double>(stream, 64), valueAt<double>(stream, 72),
                             valueAt<double>(stream, 80), valueAt<double>(stream, 88)};
  if (stretch[0] != 0.0 || stretch[1] != 0.0 || stretch[2] != 0.0 || stretch[3] != 0.0) {
    if (stretchValid(stretch[0], stretch[1], stretch[2], stretch[3]))
      state.sizing = {Sizing::Stretch, {stretch[0], stretch[1], stretch[2], stretch[3]}};
    return;
  }
  const double horizontal = valueAt<double>(stream, 96), vertical = valueAt<double>(stream, 104);
  if (horizontal != 0.0 || vertical != 0.0) {
    const double widthPercent = horizontal * 100.0, heightPercent = vertical * 100.0;
    if (resizeValid(widthPercent, heightPercent))
      state.sizing = {Sizing::Resize, {widthPercent, heightPercent, 0, 0}};
  }
}

// The component settings, applied to the restored render object.
int readComponentStream(const kvx::ObjectChunks& chunks, RenderObject& render) {
  const kvx::StreamChunk* component = chunks.findStream(u"ComponentObjectStream");
  if (!component || component->bytes.empty()) return 1;
  // Short streams are read into a full record so that every field reads as zero.
  std::vector<uint8_t> stream;
  try {
    stream.assign(std::max(component->bytes.size(), kComponentRecordSize), 0);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  std::memcpy(stream.data(), component->bytes.data(), component->bytes.size());
  applyComponentRecord(render.state, stream.data(), component->bytes.size());
  return 1;
}

}  // namespace

int readObjectStreams(const kvx::ObjectChunks& chunks, ThemeObject* object,
                      ThemeDocument* document) {
  std::shared_ptr<RenderObject> restored;
  int result = restoreRenderObject(chunks, object, document, &restored);
  if (result < 1 || !restored) return result;
  // A cut border that does not fit its rectangle ends the reading, keeping the render object.
  const kvx::StreamChunk* border = chunks.findStream(u"PathCutBorderStream");
  if (!border || (!border->bytes.empty() && border->bytes.size() <= 16))
    result = readComponentStream(chunks, *restored);
  if (result != 0) object->renderObject = std::move(restored);
  return result;
}

int readHyperlinkStream(const ThemeSource& file, int index, ThemeObject* object) {
  std::vector<uint8_t> bytes;
  if (!readProjectObjectStream(file.container, file.path, index, u"ObjHyperLinkStream", &bytes))
    return 0;
  const char* first = reinterpret_cast<const char*>(bytes.data());
  const size_t length = strnlen(first, std::min<size_t>(bytes.size(), 2047));
  object->linkText.assign(first, length);
  return 0;
}
