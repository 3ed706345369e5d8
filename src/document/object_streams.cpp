#include "document/object_streams.h"

#include <cstring>

#include "document/project_binding.h"
#include "document/theme_document.h"
#include "kvxtheme/commonlib.h"
#include "kvxtheme/objectfilelib.h"
#include "kvxtheme/pathlib.h"

namespace {

constexpr size_t kComponentRecordSize = 160;

int queryDocument(int32_t, int32_t, int32_t, int32_t, void* user) {
  return user ? 1 : 0;
}

// A zeroed GlobalAlloc block, released with the object.
class StreamBytes {
 public:
  explicit StreamBytes(size_t size) : handle_(GlobalAlloc(GPTR, size)), size_(size) {}
  ~StreamBytes() {
    if (handle_) GlobalFree(handle_);
  }
  StreamBytes(const StreamBytes&) = delete;
  StreamBytes& operator=(const StreamBytes&) = delete;
  uint8_t* data() const { return static_cast<uint8_t*>(handle_); }
  size_t size() const { return size_; }

 private:
  HGLOBAL handle_;
  size_t size_;
};

// Deletes a render object unless it was handed over.
struct RenderObjectGuard {
  RenderHandle handle = 0;
  ~RenderObjectGuard() {
    if (handle) qrDeleteTextPathObject(handle);
  }
};

template <typename T>
T valueAt(const uint8_t* bytes, size_t offset) {
  T value;
  std::memcpy(&value, bytes + offset, sizeof(T));
  return value;
}

// Restores the render object from "TextStream" or "PathStream".
int restoreRenderObject(HGLOBAL file, const uint8_t* record, int index, ThemeObject* object,
                        ThemeDocument* document, RenderObjectGuard& restored) {
  for (const char16_t* name : {u"TextStream", u"PathStream"}) {
    int32_t has = 0;
    int result = wcsHasObjectStream(file, record, index, name, &has);
    if (result < 1) return result;
    if (!has) continue;
    const int size = wcsGetObjectStream(file, record, index, name, nullptr);
    if (size <= 0) return 0;
    StreamBytes bytes(static_cast<size_t>(size));
    if (!bytes.data()) {
      c32SetDLLErrInfo(nullptr, kErrorOutOfMemory, 1, 3300, 4, 0);
      return 0;
    }
    result = wcsGetObjectStream(file, record, index, name, bytes.data());
    if (result < 1) return result;
    const bool text = name[0] == u'T';
    restored.handle = text ? qrCreateTextObject() : qrCreatePathObject();
    if (!restored.handle) return 0;
    result = qrUnFlattenObject(restored.handle, size, bytes.data(), queryDocument, document);
    if (result < 1) return result;
    if (text) object->isText = 1;
    return 1;
  }
  return 1;
}

void applyComponentRecord(RenderHandle render, const uint8_t* stream, size_t size) {
  qrSetTransformData(render, valueAt<int32_t>(stream, 120), stream + 124);

  uint8_t settings[k3dSettingsSize] = {};
  const int32_t blockSize = k3dSettingsSize;
  std::memcpy(settings, &blockSize, 4);
  qr3dFastGetSetting(render, settings);
  std::memcpy(settings + 12, stream + 112, 4);
  std::memcpy(settings + 8, stream + 116, 4);
  qr3dFastSetSetting(render, settings);

  if (size > kComponentRecordSize) {
    const uint8_t* data = stream + kComponentRecordSize;
    QzPath* path = nullptr;
    if (QzPathUnFlatten(&data, size - kComponentRecordSize, &path) && path) {
      qrSetQzPath(render, path);
      QzPathDeletePtr(path, 0);
    }
  }
  const double stretch[4] = {valueAt<double>(stream, 64), valueAt<double>(stream, 72),
                             valueAt<double>(stream, 80), valueAt<double>(stream, 88)};
  int32_t out = 0;
  if (stretch[0] != 0.0 || stretch[1] != 0.0 || stretch[2] != 0.0 || stretch[3] != 0.0) {
    qrStretchObj(render, &stretch[0], &stretch[1], &stretch[2], &stretch[3], &out);
    return;
  }
  const double horizontal = valueAt<double>(stream, 96), vertical = valueAt<double>(stream, 104);
  if (horizontal != 0.0 || vertical != 0.0) {
    const double widthPercent = horizontal * 100.0, heightPercent = vertical * 100.0;
    qrResizeObj(render, &widthPercent, &heightPercent, &out);
  }
}

// The cut border and component settings; answers the reading's result.
int readComponentStreams(HGLOBAL file, const uint8_t* record, int index, RenderHandle render) {
  int32_t has = 0;
  int result = wcsHasObjectStream(file, record, index, u"PathCutBorderStream", &has);
  if (result < 1) return result;
  if (has) {
    const int size = wcsGetObjectStream(file, record, index, u"PathCutBorderStream", nullptr);
    // A border that does not fit its rectangle ends the reading, keeping the render object.
    if (size <= 0 || size > 16) return 1;
    int32_t border[4] = {};
    result = wcsGetObjectStream(file, record, index, u"PathCutBorderStream", border);
    if (result < 1) return result;
  }
  has = 0;
  result = wcsHasObjectStream(file, record, index, u"ComponentObjectStream", &has);
  if (result < 1) return result;
  if (!has) return 1;
  const int size = wcsGetObjectStream(file, record, index, u"ComponentObjectStream", nullptr);
  if (size <= 0) return 1;
  // Short streams are read into a full record so that every field reads as zero.
  const size_t capacity = std::max<size_t>(size, kComponentRecordSize);
  StreamBytes stream(capacity);
  if (!stream.data()) return 0;
  result = wcsGetObjectStream(file, record, index, u"ComponentObjectStream", stream.data());
  if (result < 1) return result;
  if (render) applyComponentRecord(render, stream.data(), static_cast<size_t>(size));
  return result;
}

}  // namespace

int readObjectStreams(HGLOBAL file, const uint8_t* record, int index, ThemeObject* object,
                      ThemeDocument* document) {
  RenderObjectGuard restored;
  int result = restoreRenderObject(file, record, index, object, document, restored);
  if (result < 1 || !restored.handle) return result;
  result = readComponentStreams(file, record, index, restored.handle);
  if (result != 0) {
    if (object->renderObject) qrDeleteTextPathObject(object->renderObject);
    object->renderObject = restored.handle;
    restored.handle = 0;
  }
  return result;
}

int readHyperlinkStream(HGLOBAL file, const uint8_t* record, int index, ThemeObject* object) {
  const char16_t* name = u"ObjHyperLinkStream";
  int32_t has = 0;
  if (projectHasObjectStream(file, record, index, name, &has) <= 0 || !has) return 0;
  const int size = projectGetObjectStream(file, record, index, name, nullptr);
  if (size <= 0) return 0;
  StreamBytes bytes(static_cast<size_t>(size));
  if (!bytes.data()) return 0;
  if (projectGetObjectStream(file, record, index, name, bytes.data()) <= 0) return 0;
  const char* first = reinterpret_cast<const char*>(bytes.data());
  const size_t length = strnlen(first, std::min<size_t>(bytes.size(), 2047));
  object->linkText.assign(first, length);
  return 0;
}
