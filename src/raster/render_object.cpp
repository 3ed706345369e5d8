#include "raster/render_object.h"

#include <cstring>

#include "raster/text_layout.h"

namespace {

int32_t int32At(const QrColorRecord& color, size_t offset) {
  int32_t value;
  std::memcpy(&value, color.bytes + offset, sizeof value);
  return value;
}

void setInt32At(QrColorRecord* color, size_t offset, int32_t value) {
  std::memcpy(color->bytes + offset, &value, sizeof value);
}

constexpr int32_t kMaxStrokeWidth = 100 * 100;

}  // namespace

RenderObjectState defaultState(ObjectKind kind) {
  RenderObjectState state;
  state.kind = kind;
  // Opaque black: the record the default page hands over, so a new object already has it.
  setInt32At(&state.color, 0, kColorRecordSize);
  setInt32At(&state.color, 8, 255);
  state.font.logFont.lfHeight = -kDefaultFontPixels;
  state.font.logFont.lfWeight = 400;
  state.font.pointSize = kDefaultFontPixels;
  const int32_t blockSize = k3dSettingsSize;
  std::memcpy(state.settings3d.data(), &blockSize, sizeof blockSize);
  return state;
}

uint32_t fillColorOf(const QrColorRecord& color) {
  return static_cast<uint32_t>(int32At(color, 4)) & 0xFFFFFF;
}

int32_t opacityOf(const QrColorRecord& color) {
  return int32At(color, 8);
}

uint32_t strokeColorOf(const QrColorRecord& color) {
  return static_cast<uint32_t>(int32At(color, 12)) & 0xFFFFFF;
}

int32_t strokeWidthOf(const QrColorRecord& color) {
  return int32At(color, 16);
}

bool colorRecordValid(const QrColorRecord& color) {
  const int32_t opacity = opacityOf(color);
  const int32_t stroke = strokeWidthOf(color);
  return int32At(color, 0) == kColorRecordSize && opacity >= 0 && opacity <= 255 && stroke >= 0 &&
         stroke <= kMaxStrokeWidth;
}

bool fontRecordValid(const QrFontRecord& font) {
  const LOGFONTA& lf = font.logFont;
  return lf.lfHeight >= -kMaxFontPixels && lf.lfHeight <= kMaxFontPixels && lf.lfWeight >= 0 &&
         lf.lfWeight <= kMaxFontWeight && font.pointSize >= 0 && font.pointSize <= kMaxFontPixels;
}

int fontPixelsOf(const QrFontRecord& font) {
  const int32_t height = font.logFont.lfHeight;
  if (height != 0) return height < 0 ? -height : height;
  return font.pointSize > 0 ? font.pointSize : kDefaultFontPixels;
}

RenderObject::RenderObject(ObjectKind kind) : state(defaultState(kind)) {}

RenderObject::~RenderObject() = default;
