#include "render_builder.h"

#include <algorithm>
#include <cstring>

#include "kvxtheme/bufferlib.h"
#include "kvxtheme/pathlib.h"

namespace kvxauthor {

namespace {

constexpr size_t kRenderMessageOffset = 100;

void storeInt32(uint8_t* bytes, size_t offset, int32_t value) {
  std::memcpy(bytes + offset, &value, sizeof value);
}

void storeDouble(uint8_t* bytes, size_t offset, double value) {
  std::memcpy(bytes + offset, &value, sizeof value);
}

QrColorRecord colorRecord(uint32_t fill, int32_t opacity, const std::optional<StrokeSpec>& stroke) {
  QrColorRecord record{};
  storeInt32(record.bytes, 0, kColorRecordSize);
  storeInt32(record.bytes, 4, static_cast<int32_t>(fill));
  storeInt32(record.bytes, 8, opacity);
  if (stroke) {
    storeInt32(record.bytes, 12, static_cast<int32_t>(stroke->color));
    storeInt32(record.bytes, 16, stroke->widthHundredths);
  }
  return record;
}

QrShadowRecord shadowRecord(const ShadowSpec& shadow) {
  QrShadowRecord record{};
  record.xOffset = shadow.offsetX;
  record.yOffset = shadow.offsetY;
  record.transparency = shadow.transparency;
  record.color = static_cast<int32_t>(shadow.color);
  record.kind = static_cast<int16_t>(shadow.kind);
  record.opacity = static_cast<int16_t>(shadow.opacity);
  record.blur = shadow.blur;
  return record;
}

QrFontRecord fontRecord(const FontSpec& font) {
  QrFontRecord record{};
  record.logFont.lfHeight = -font.size;
  record.logFont.lfWeight = font.weight;
  record.logFont.lfItalic = font.italic ? 1 : 0;
  record.logFont.lfUnderline = font.underline ? 1 : 0;
  record.logFont.lfStrikeOut = font.strikeOut ? 1 : 0;
  record.logFont.lfCharSet = static_cast<uint8_t>(font.charset);
  std::memcpy(record.logFont.lfFaceName, font.face.data(),
              std::min(font.face.size(), sizeof(record.logFont.lfFaceName) - 1));
  record.pointSize = font.size;
  return record;
}

bool refuse(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

bool setUpText(RenderHandle handle, const TextSpec& text, std::string* error) {
  const QrFontRecord font = fontRecord(text.font);
  const QrColorRecord color = colorRecord(text.color, text.opacity, text.stroke);
  if (!qrSetFont(handle, &font)) return refuse(error, "font: refused by the text renderer");
  if (!qrSetColorValue(handle, &color)) return refuse(error, "color: refused by the text renderer");
  if (!qrSetAlign(handle, static_cast<int32_t>(text.align)))
    return refuse(error, "align: refused by the text renderer");
  if (text.shadow && text.shadow->enabled) {
    const QrShadowRecord shadow = shadowRecord(*text.shadow);
    if (!qrSetShadowAttr(handle, &shadow)) return refuse(error, "shadow: refused");
  }
  return true;
}

bool setUpPath(RenderHandle handle, const PathSpec& path, std::string* error) {
  const QrColorRecord color = colorRecord(path.fill, path.opacity, path.stroke);
  if (!qrSetQzPath(handle, &path.path)) return refuse(error, "commands: not a valid path");
  if (!qrSetColorValue(handle, &color)) return refuse(error, "fill: refused by the path renderer");
  if (path.shadow && path.shadow->enabled) {
    const QrShadowRecord shadow = shadowRecord(*path.shadow);
    if (!qrSetShadowAttr(handle, &shadow)) return refuse(error, "shadow: refused");
  }
  return true;
}

bool readBuffer(BufHandle buffer, int bytesPerPixel, int* width, int* height,
                std::vector<uint8_t>* pixels) {
  int bpp = 0;
  if (!buf32GetWHU(buffer, width, height, &bpp) || bpp != bytesPerPixel || *width <= 0 ||
      *height <= 0)
    return false;
  pixels->resize(static_cast<size_t>(*width) * *height * bytesPerPixel);
  return buf32GetMem(buffer, 0, 0, *width, *height, pixels->data()) != 0;
}

// Rows [top, top + height) and columns [left, left + width) of packed rows `stride` pixels wide.
std::vector<uint8_t> crop(const std::vector<uint8_t>& pixels, int stride, int bytesPerPixel,
                          int left, int top, int width, int height) {
  std::vector<uint8_t> out(static_cast<size_t>(width) * height * bytesPerPixel);
  for (int row = 0; row < height; ++row) {
    const size_t from = (static_cast<size_t>(top + row) * stride + left) * bytesPerPixel;
    std::memcpy(out.data() + static_cast<size_t>(row) * width * bytesPerPixel, pixels.data() + from,
                static_cast<size_t>(width) * bytesPerPixel);
  }
  return out;
}

}  // namespace

RenderObjectHandle::~RenderObjectHandle() {
  if (handle_) qrDeleteTextPathObject(handle_);
}

RenderHandle createRenderObject(const ObjectSpec& object, std::string* error) {
  const bool text = object.type == ObjectType::Text;
  RenderObjectHandle handle(text ? qrCreateTextObjectWithString(object.text.string)
                                 : qrCreatePathObject());
  if (!handle.get()) {
    *error = "the render object could not be created";
    return 0;
  }
  const bool ready = text ? setUpText(handle.get(), object.text, error)
                          : setUpPath(handle.get(), object.path, error);
  if (!ready) return 0;
  return handle.release();
}

std::vector<uint8_t> componentStream(const ComponentSpec& component, int32_t fontSize,
                                     const int32_t (&bounds)[4]) {
  std::vector<uint8_t> stream(kComponentRecordSize, 0);
  uint8_t* record = stream.data();
  for (int i = 0; i < 4; ++i) storeInt32(record, 4 + 4 * i, bounds[i]);
  storeInt32(record, 60, fontSize);
  for (int i = 0; i < 4; ++i) storeDouble(record, 64 + 8 * i, component.stretch[i]);
  storeDouble(record, 96, component.resize[0]);
  storeDouble(record, 104, component.resize[1]);
  storeInt32(record, 112, component.threeD[0]);
  storeInt32(record, 116, component.threeD[1]);
  if (component.transform) {
    storeInt32(record, 120, component.transform->kind);
    // Transform data: an int32 the loader does not read, then the corner record, every
    // coordinate in the upper 16 bits of its value.
    for (int i = 0; i < 8; ++i) {
      const uint32_t value =
          static_cast<uint32_t>(static_cast<uint16_t>(component.transform->corners[i])) << 16;
      storeInt32(record, 128 + 4 * i, static_cast<int32_t>(value));
    }
  }
  if (component.path) {
    std::vector<uint8_t> flattened;
    QzPathFlatten(&*component.path, &flattened);
    stream.insert(stream.end(), flattened.begin(), flattened.end());
  }
  return stream;
}

bool applyComponent(RenderHandle object, const ComponentSpec& component, std::string* error) {
  const std::vector<uint8_t> stream = componentStream(component, 0, {0, 0, 0, 0});
  if (!qrSetTransformData(object, component.transform ? component.transform->kind : 0,
                          stream.data() + 124))
    return refuse(error, "component.transform: refused by the renderer");
  uint8_t settings[k3dSettingsSize] = {};
  storeInt32(settings, 0, k3dSettingsSize);
  if (!qr3dFastGetSetting(object, settings)) return refuse(error, "component.threeD: refused");
  storeInt32(settings, 12, component.threeD[0]);
  storeInt32(settings, 8, component.threeD[1]);
  if (!qr3dFastSetSetting(object, settings)) return refuse(error, "component.threeD: refused");
  if (component.path && !qrSetQzPath(object, &*component.path))
    return refuse(error, "component.path: not a valid path");
  int32_t done = 0;
  const auto& s = component.stretch;
  if (s[0] != 0.0 || s[1] != 0.0 || s[2] != 0.0 || s[3] != 0.0) {
    if (!qrStretchObj(object, &s[0], &s[1], &s[2], &s[3], &done))
      return refuse(error, "component.stretch: not a rectangle the renderer accepts");
  } else if (component.resize[0] != 0.0 || component.resize[1] != 0.0) {
    const double width = component.resize[0] * 100.0, height = component.resize[1] * 100.0;
    if (!qrResizeObj(object, &width, &height, &done))
      return refuse(error, "component.resize: factors the renderer does not accept");
  }
  return true;
}

bool renderObject(RenderHandle object, Rendering* rendering, std::string* error) {
  BufHandle image = 0, mask = 0;
  uint8_t out[kRenderOutRecordSize] = {};
  const int rendered = qrRenderObject(object, &image, &mask, 0, 0, out);
  struct Release {
    BufHandle* handles[2];
    ~Release() {
      for (BufHandle* h : handles)
        if (*h) buf32Free(*h);
    }
  } release{{&image, &mask}};
  if (!rendered) {
    out[kRenderOutRecordSize - 1] = 0;
    return refuse(error, std::string("rendering failed: ") +
                             reinterpret_cast<const char*>(out + kRenderMessageOffset));
  }
  int width = 0, height = 0, maskWidth = 0, maskHeight = 0;
  std::vector<uint8_t> rgb, coverage;
  if (!readBuffer(image, 3, &width, &height, &rgb) ||
      !readBuffer(mask, 1, &maskWidth, &maskHeight, &coverage) || maskWidth != width ||
      maskHeight != height)
    return refuse(error, "the rendering could not be read back");
  // Cut the transparent margins as a theme's own rendering does, keeping one row and column.
  int32_t margin[4] = {};
  if (qrGetMargin(object, margin)) {
    margin[0] = std::clamp(margin[0], 0, width - 1);
    margin[1] = std::clamp(margin[1], 0, height - 1);
    margin[2] = std::clamp(margin[2], 0, width - 1 - margin[0]);
    margin[3] = std::clamp(margin[3], 0, height - 1 - margin[1]);
  } else {
    std::fill(std::begin(margin), std::end(margin), 0);
  }
  rendering->width = width - margin[0] - margin[2];
  rendering->height = height - margin[1] - margin[3];
  rendering->rgb = crop(rgb, width, 3, margin[0], margin[1], rendering->width, rendering->height);
  rendering->mask =
      crop(coverage, width, 1, margin[0], margin[1], rendering->width, rendering->height);
  return true;
}

}  // namespace kvxauthor
