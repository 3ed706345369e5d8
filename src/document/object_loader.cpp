#include "document/object_loader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <vector>

#include "document/object_streams.h"
#include "document/theme_document.h"
#include "format/kvx_picture_reader.h"
#include "kvxtheme/kvx_format.h"
#include "kvxtheme/objectfilelib.h"

namespace {

int32_t int32At(const uint8_t* bytes, int offset) {
  int32_t value;
  std::memcpy(&value, bytes + offset, 4);
  return value;
}

uint16_t uint16At(const uint8_t* bytes, int offset) {
  uint16_t value;
  std::memcpy(&value, bytes + offset, 2);
  return value;
}

// The mask's size: the record's own mask rectangle when it says so, else the attributes'.
void maskSizeOf(const uint8_t* record, int32_t* width, int32_t* height) {
  const bool own = uint16At(record, 144) != 0;
  *width = int32At(record, own ? 156 : 356);
  *height = int32At(record, own ? 160 : 360);
}

void fillFromRecord(ThemeObject* object, const uint8_t* record, uint16_t version) {
  char name[128];
  std::memcpy(name, record, sizeof(name));
  name[sizeof(name) - 1] = '\0';
  copyToField(object->name, sizeof(object->name), name);
  object->x = int32At(record, 128);
  object->y = int32At(record, 132);
  object->width = int32At(record, 136);
  object->height = int32At(record, 140);

  object->transparency = int32At(record, 296);
  object->mergeMode = int32At(record, 300);
  object->flags = int32At(record, 328);
  object->maskX = int32At(record, 348);
  object->maskY = int32At(record, 352);

  if (version < 500) {
    object->setGroupId(int32At(record, 324), 0);
  } else {
    for (int i = 0; i < ThemeObject::kGroupIdCount; ++i)
      object->setGroupId(int32At(record, 672 + 4 * i), i);
  }
  if (uint16At(record, 144) != 0) {
    object->maskX = int32At(record, 148);
    object->maskY = int32At(record, 152);
  }
  maskSizeOf(record, &object->maskWidth, &object->maskHeight);
  const int32_t shadowOn = int32At(record, 736);
  const int32_t shadowTransparency = int32At(record, 784);
  if (version >= 500 && int32At(record, 740) == 24 && (shadowOn == 0 || shadowOn == 1) &&
      shadowTransparency >= 0 && shadowTransparency <= 100) {
    object->shadowEnabled = shadowOn;
    object->shadowParams.kind = int32At(record, 744);
    object->shadowParams.offsetX = int32At(record, 748);
    object->shadowParams.offsetY = int32At(record, 752);
    object->shadowParams.opacity = int32At(record, 756);
    object->shadowParams.blurRadius = int32At(record, 760);
    object->shadowTransparency = shadowTransparency;
    object->shadowColor = int32At(record, 792);
  }
  char text[257];
  std::memcpy(text, record + 416, 256);
  text[256] = '\0';
  object->linkText = text;
}

// Writes a run of packed rows into the buffer, clipped to it. Rows of 1-bit pictures come
// packed, a bit a pixel, most significant first.
void writeRows(kvx::pixels::PixelBuffer& buffer, int bitsPerPixel, int width, int firstRow,
               int rows, uint8_t* const* rowPointers, std::vector<uint8_t>& unpacked) {
  const int length = std::min(width, buffer.width);
  if (length <= 0) return;
  if (bitsPerPixel == 1) unpacked.resize(length);
  for (int i = 0; i < rows && firstRow + i < buffer.height; ++i) {
    const uint8_t* row = rowPointers[i];
    if (bitsPerPixel == 1) {
      for (int x = 0; x < length; ++x) unpacked[x] = (row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
      row = unpacked.data();
    }
    kvx::pixels::writeRect(buffer, 0, firstRow + i, length, 1, row);
  }
}

}  // namespace

int readPictureInto(const kvx::PictureChunk& picture, kvx::pixels::PixelBuffer& buffer) {
  if (picture.encoding == kvx::kEncodingOneColour) {
    kvx::pixels::fillBuffer(buffer, picture.colour);
    return 1;
  }
  try {
    std::vector<uint8_t> unpacked;
    return kvx::deliverPictureRows(picture, [&](int firstRow, int rows, uint8_t* const* pointers) {
      writeRows(buffer, static_cast<int>(picture.bits), static_cast<int>(picture.width), firstRow,
                rows, pointers, unpacked);
      return 1;
    });
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int loadObject(const ThemeSource& file, int index, ThemeObject** out, ThemeDocument* document,
               int32_t pageRenderFlag) {
  const kvx::ObjectChunks& chunks = file.container->objects()[index];
  const uint8_t* record = chunks.info.data();
  const uint16_t version = uint16At(file.container->headerRecord().data(), kHeaderVersion);
  const int bits = static_cast<int>(file.container->pictureBits());

  std::unique_ptr<ThemeObject> object(new (std::nothrow) ThemeObject);
  if (!object) return 0;
  fillFromRecord(object.get(), record, version);

  object->imageBuffer = kvx::pixels::makeBuffer(bits, object->width, object->height);
  if (!object->imageBuffer) return 0;
  const bool hasMask = object->maskWidth != 0 && object->maskHeight != 0;
  if (hasMask) {
    object->maskBuffer = kvx::pixels::makeBuffer(8, object->maskWidth, object->maskHeight);
    if (!object->maskBuffer) return 0;
  }
  // An object stored without a picture has nothing to deliver.
  if (chunks.picture) {
    const int result = readPictureInto(*chunks.picture, *object->imageBuffer);
    if (result <= 0) return result;
  }
  if (hasMask && chunks.mask) {
    const int result = readPictureInto(*chunks.mask, *object->maskBuffer);
    if (result <= 0) return result;
  }
  const int result = readObjectStreams(chunks, object.get(), document);
  if (result <= 0) return result;

  std::optional<QrShadowRecord> renderShadow;
  if (object->renderObject) {
    std::lock_guard lock(object->renderObject->mutex);
    renderShadow = object->renderObject->state.shadow;
  }
  if (version < 500 && renderShadow) object->setGroupId(0, 0);
  if (!object->shadowEnabled && renderShadow) {
    object->shadowEnabled = 1;
    object->shadowParams = {renderShadow->kind, renderShadow->xOffset, renderShadow->yOffset,
                            renderShadow->opacity, renderShadow->blur};
    object->shadowTransparency = renderShadow->transparency;
    object->shadowColor = renderShadow->color;
  }
  readHyperlinkStream(file, index, object.get());
  if (pageRenderFlag && object->renderObject) object->needsRender = 1;
  *out = object.release();
  return 1;
}
