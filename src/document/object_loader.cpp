#include "document/object_loader.h"

#include <cstring>
#include <memory>
#include <vector>

#include "document/object_streams.h"
#include "document/theme_document.h"
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

uint64_t pictureBytes(int32_t width, int32_t height, int bitsPerPixel) {
  if (width <= 0 || height <= 0) return 0;
  const uint64_t rowBytes = bitsPerPixel == 1 ? (static_cast<uint64_t>(width) + 7) / 8
                                              : static_cast<uint64_t>(width) * (bitsPerPixel / 8);
  return rowBytes * static_cast<uint64_t>(height);
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
  object->maskBuffer = 0;

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
    object->shadowParam1 = int32At(record, 744);
    object->shadowParam2 = int32At(record, 748);
    object->shadowParam3 = int32At(record, 752);
    object->shadowParam4 = int32At(record, 756);
    object->shadowParam5 = int32At(record, 760);
    object->shadowTransparency = shadowTransparency;
    object->shadowColor = int32At(record, 792);
  }
  char text[257];
  std::memcpy(text, record + 416, 256);
  text[256] = '\0';
  object->linkText = text;
}

}  // namespace

int writeRowRun(BufHandle buffer, const WcsRowRecord& run) {
  if (run.kind == kRowKindFill) {
    if (!run.rowData) return 0;
    int32_t colour;
    std::memcpy(&colour, run.rowData, 4);
    buf32FillOneColor(buffer, static_cast<uint32_t>(colour));
    return 1;
  }
  int width = 0, height = 0;
  if (!buf32GetWHU(buffer, &width, &height, nullptr)) return 0;
  if (run.x < 0 || run.y < 0 || run.x >= width || run.rows < 0 || !run.rowData) return 1;
  int length = run.count;
  if (run.x + length > width) length = width - run.x;
  if (length <= 0) return 1;
  auto* const* rows = static_cast<const uint8_t* const*>(run.rowData);
  // Rows of 1-bit pictures come packed, a bit a pixel, most significant first; the buffer takes
  // a byte a pixel.
  std::vector<uint8_t> unpacked(run.bitsPerPixel == 1 ? length : 0);
  for (int i = 0; i < run.rows; ++i) {
    if (run.y + i >= height) break;
    const uint8_t* row = rows[i];
    if (run.bitsPerPixel == 1) {
      for (int x = 0; x < length; ++x) unpacked[x] = (row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
      row = unpacked.data();
    }
    if (!buf32MergeMem(buffer, run.x, run.y + i, row, length, 1)) return 0;
  }
  return 1;
}

namespace {

int colourRowCallback(WcsRowRecord run) {
  auto* params = static_cast<WcsReadParams*>(run.params);
  return writeRowRun(static_cast<ThemeObject*>(params->context)->imageBuffer, run);
}

int maskRowCallback(WcsRowRecord run) {
  auto* params = static_cast<WcsMaskParams*>(run.params);
  return writeRowRun(static_cast<ThemeObject*>(params->context)->maskBuffer, run);
}

int readPicture(HGLOBAL file, const uint8_t* record, int index, ThemeObject* object) {
  uint8_t* pixels = nullptr;
  if (!buf32Lock(object->imageBuffer, 2, &pixels)) return 0;
  WcsReadParams params{{1, 1, 0, 0, 0, 0}, object};
  int result = wcsReadObject(file, record, index, &params, colourRowCallback);
  buf32Unlock(object->imageBuffer);
  return result;
}

int readMask(HGLOBAL file, const uint8_t* record, int index, ThemeObject* object) {
  uint8_t* pixels = nullptr;
  if (!buf32Lock(object->maskBuffer, 2, &pixels)) return 0;
  WcsMaskParams params{0, 1, object};
  int result = wcsReadObjectMask(file, record, index, &params, maskRowCallback);
  buf32Unlock(object->maskBuffer);
  return result;
}

}  // namespace

int pictureBitsOf(HGLOBAL file) {
  auto* header = static_cast<const uint8_t*>(GlobalLock(file));
  if (!header) return 8;
  const int32_t pixelFormat = int32At(header, kHeaderPixelFormat);
  GlobalUnlock(file);
  return pixelFormat == 2 ? 24 : pixelFormat == 64 ? 1 : 8;
}

uint64_t declaredPictureBytes(const uint8_t* record, int bitsPerPixel) {
  int32_t maskWidth = 0, maskHeight = 0;
  maskSizeOf(record, &maskWidth, &maskHeight);
  return pictureBytes(int32At(record, 136), int32At(record, 140), bitsPerPixel) +
         pictureBytes(maskWidth, maskHeight, 8);
}

int loadObject(HGLOBAL file, int index, const uint8_t* record, ThemeObject** out,
               ThemeDocument* document, int32_t pageRenderFlag) {
  auto* header = static_cast<const uint8_t*>(GlobalLock(file));
  if (!header) return 0;
  const uint16_t version = uint16At(header, kHeaderVersion);
  GlobalUnlock(file);
  const int bits = pictureBitsOf(file);

  std::unique_ptr<ThemeObject> object(new (std::nothrow) ThemeObject);
  if (!object) return 0;
  fillFromRecord(object.get(), record, version);

  if (!buf32Alloc(&object->imageBuffer, bits, object->width, object->height, 0, nullptr)) return 0;
  const bool hasMask = object->maskWidth != 0 && object->maskHeight != 0;
  if (hasMask &&
      !buf32Alloc(&object->maskBuffer, 8, object->maskWidth, object->maskHeight, 0, nullptr))
    return 0;
  int result = readPicture(file, record, index, object.get());
  if (result <= 0) return result;
  if (hasMask) {
    result = readMask(file, record, index, object.get());
    if (result <= 0) return result;
  }
  result = readObjectStreams(file, record, index, object.get(), document);
  if (result <= 0) return result;

  const RenderHandle render = object->renderObject;
  if (version < 500 && render && qrHasShadow(render)) object->setGroupId(0, 0);
  if (!object->shadowEnabled && render && qrHasShadow(render)) {
    object->shadowEnabled = 1;
    QrShadowRecord shadow{};
    if (qrGetShadowAttr(render, &shadow)) {
      object->shadowParam2 = shadow.xOffset;
      object->shadowParam3 = shadow.yOffset;
      object->shadowTransparency = shadow.transparency;
      object->shadowColor = shadow.color;
      object->shadowParam1 = shadow.kind;
      object->shadowParam4 = shadow.opacity;
      object->shadowParam5 = shadow.blur;
    }
  }
  readHyperlinkStream(file, record, index, object.get());
  if (pageRenderFlag && render) object->needsRender = 1;
  *out = object.release();
  return 1;
}
