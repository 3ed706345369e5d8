#include "objects/theme_object.h"

#include <cstring>

#include "compat/win32/win32.h"
#include "kvxtheme/commonlib.h"
#include "raster/object_rendering.h"

void copyToField(char* field, size_t capacity, const char* text) {
  if (capacity == 0) return;
  size_t n = text ? strnlen(text, capacity - 1) : 0;
  if (n) std::memcpy(field, text, n);
  field[n] = '\0';
}

ThemeObject::ThemeObject() = default;
ThemeObject::~ThemeObject() = default;

std::unique_ptr<ThemeObject> ThemeObject::clone() const {
  std::unique_ptr<ThemeObject> copy(new ThemeObject(*this));
  if (renderObject) {
    copy->renderObject = std::make_shared<RenderObject>(renderObject->state.kind);
    std::lock_guard lock(renderObject->mutex);
    copy->renderObject->state = renderObject->state;
  }
  return copy;
}

int ThemeObject::render() {
  if (!renderObject) {
    if (shadowEnabled && (!shadowImageBuffer || !shadowMaskBuffer)) return buildShadow();
    return 1;
  }
  if (!needsRender && imageBuffer && maskBuffer) return 1;
  if (isHidden()) return 1;

  Rendering rendering;
  std::string error;
  bool rendered;
  {
    std::lock_guard lock(renderObject->mutex);
    rendered = renderObjectPixels(*renderObject, &rendering, &error);
  }
  if (!rendered) {
    if (c32GetDLLErrorInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) == 0)
      c32SetDLLErrInfo(error.c_str(), 3200, 1, 3300, 2, 193);
    return 0;
  }
  imageBuffer = std::move(rendering.image);
  maskBuffer = std::move(rendering.mask);
  cropMargins(rendering.margins);
  width = imageBuffer->width;
  height = imageBuffer->height;
  maskWidth = maskBuffer->width;
  maskHeight = maskBuffer->height;
  if (!buildShadow()) return 0;
  needsRender = 0;
  return 1;
}

void ThemeObject::cropMargins(const Margins& margin) {
  if (!margin.any()) return;
  int right = margin.right, bottom = margin.bottom;
  // Keep at least one column and one row.
  if (margin.left + right == imageBuffer->width) --right;
  if (margin.top + bottom == imageBuffer->height) --bottom;
  auto cutImage = kvx::pixels::cropBuffer(*imageBuffer, margin.left, margin.top,
                                          imageBuffer->width - margin.left - right,
                                          imageBuffer->height - margin.top - bottom);
  auto cutMask = kvx::pixels::cropBuffer(*maskBuffer, margin.left, margin.top,
                                         maskBuffer->width - margin.left - right,
                                         maskBuffer->height - margin.top - bottom);
  if (!cutImage || !cutMask) return;
  imageBuffer = std::move(cutImage);
  maskBuffer = std::move(cutMask);
}

bool ThemeObject::makeShadow(ObjectShadow* shadow) const {
  kvx::shadow::DropShadow drop;
  if (!shadowEnabled || !maskBuffer ||
      !kvx::shadow::makeDropShadow(*maskBuffer, shadowParams, &drop))
    return false;
  if (shadowTransparency != 0) {
    const int keep = 100 - shadowTransparency;
    for (uint8_t& byte : drop.mask->data) byte = static_cast<uint8_t>((byte * keep + 50) / 100);
  }
  auto image = kvx::pixels::makeFilledBuffer(24, drop.mask->width, drop.mask->height,
                                             static_cast<uint32_t>(shadowColor));
  if (!image) return false;
  *shadow = {std::move(image), std::move(drop.mask), drop.x, drop.y};
  return true;
}

int ThemeObject::buildShadow() {
  if (!shadowEnabled) return 1;
  ObjectShadow shadow;
  if (!makeShadow(&shadow)) return 0;
  shadowX = shadow.x;
  shadowY = shadow.y;
  shadowWidth = shadow.mask->width;
  shadowHeight = shadow.mask->height;
  shadowImageBuffer = std::move(shadow.image);
  shadowMaskBuffer = std::move(shadow.mask);
  return 1;
}

int ThemeObject::createText(const std::string& text, int px, int py) {
  isText = 1;
  renderObject.reset();
  if (text.size() <= kMaxTextBytes) {
    renderObject = std::make_shared<RenderObject>(ObjectKind::Text);
    renderObject->state.text = text;
  }
  x = maskX = px;
  y = maskY = py;
  return render();
}

bool ThemeObject::font(QrFontRecord* font) const {
  if (!renderObject) return false;
  std::lock_guard lock(renderObject->mutex);
  if (renderObject->state.kind != ObjectKind::Text) return false;
  *font = renderObject->state.font;
  return true;
}

int ThemeObject::setGroupId(int value, int index) {
  if (index < 0 || index >= kGroupIdCount) return 0;
  groupIds[index] = value;
  return 1;
}

int ThemeObject::groupId(int index) const {
  if (index < 0 || index >= kGroupIdCount) return -1;
  return groupIds[index];
}

int ThemeObject::setColor(const QrColorRecord* color) {
  if (!renderObject || !color) return 0;
  std::lock_guard lock(renderObject->mutex);
  RenderObjectState& state = renderObject->state;
  if (std::memcmp(state.color.bytes, color->bytes, kColorRecordSize) == 0) return 1;
  if (!colorRecordValid(*color)) return 0;
  state.color = *color;
  needsRender = 1;
  return 1;
}

int ThemeObject::getText(char* destination, size_t capacity) const {
  if (!renderObject) return 0;
  if (isHidden()) {
    copyToField(destination, capacity, "");
    return 1;
  }
  std::lock_guard lock(renderObject->mutex);
  if (renderObject->state.kind != ObjectKind::Text) return 0;
  copyToField(destination, capacity, renderObject->state.text.c_str());
  return 1;
}

int ThemeObject::setText(const char* text) {
  if (!renderObject || !text) return 0;
  {
    std::lock_guard lock(renderObject->mutex);
    RenderObjectState& state = renderObject->state;
    const bool isTextObject = state.kind == ObjectKind::Text;
    // A path object reads as an empty text.
    if ((isTextObject ? state.text : std::string()) == text) return 1;
    if (!isTextObject || strlen(text) > kMaxTextBytes) return 0;
    state.text = text;
  }
  needsRender = 1;
  chooseCharset(text);
  return 1;
}

void ThemeObject::getAlignment(int* alignment) const {
  if (!renderObject) return;
  std::lock_guard lock(renderObject->mutex);
  *alignment = renderObject->state.alignment;
}

int ThemeObject::hasShadowImage() const {
  return shadowEnabled && shadowImageBuffer && shadowMaskBuffer ? 1 : 0;
}

int ThemeObject::chooseCharset(const std::string& text) {
  LCID locale = GetSystemDefaultLCID();
  if (locale == 0) locale = GetUserDefaultLCID();
  const bool japaneseSystem = locale != 0 && (locale & 0x3FF) == 0x11;
  bool japaneseText = false;
  if (japaneseSystem) {
    for (unsigned char byte : text) {
      if (IsDBCSLeadByteEx(932, byte) || (byte >= 0xA1 && byte <= 0xDF)) {
        japaneseText = true;
        break;
      }
    }
  }
  if (renderObject) {
    std::lock_guard lock(renderObject->mutex);
    if (renderObject->state.kind == ObjectKind::Text) {
      auto& charset = renderObject->state.font.logFont.lfCharSet;
      if (japaneseSystem)
        charset = japaneseText ? SHIFTJIS_CHARSET : DEFAULT_CHARSET;
      else if (charset == ANSI_CHARSET)
        charset = DEFAULT_CHARSET;
    }
  }
  return japaneseSystem ? 1 : 0;
}
