#include "objects/theme_object.h"

#include <cstring>

#include "compat/shadow/shadowlib.h"
#include "compat/win32/win32.h"
#include "kvxtheme/commonlib.h"

void copyToField(char* field, size_t capacity, const char* text) {
  if (capacity == 0) return;
  size_t n = text ? strnlen(text, capacity - 1) : 0;
  if (n) std::memcpy(field, text, n);
  field[n] = '\0';
}

ThemeObject::ThemeObject() = default;

ThemeObject::~ThemeObject() {
  for (BufHandle handle : {imageBuffer, maskBuffer, shadowImageBuffer, shadowMaskBuffer})
    if (handle) buf32Free(handle);
  if (renderObject) qrDeleteTextPathObject(renderObject);
}

int ThemeObject::render() {
  if (!renderObject) {
    if (shadowEnabled && (!shadowImageBuffer || !shadowMaskBuffer)) return buildShadow();
    return 1;
  }
  if (!needsRender && imageBuffer && maskBuffer) return 1;
  if (isHidden()) return 1;

  uint8_t outRecord[kRenderOutRecordSize] = {};
  if (!qrRenderObject(renderObject, &imageBuffer, &maskBuffer, 0, 0, outRecord)) {
    if (c32GetDLLErrorInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) == 0) {
      outRecord[kRenderOutRecordSize - 1] = 0;
      c32SetDLLErrInfo(reinterpret_cast<const char*>(outRecord + 100), 3200, 1, 3300, 2, 193);
    }
    return 0;
  }
  cropMargins();

  Buf32Info info{};
  if (buf32GetInfo(imageBuffer, &info)) {
    width = info.width;
    height = info.height;
  }
  if (buf32GetInfo(maskBuffer, &info)) {
    maskWidth = info.width;
    maskHeight = info.height;
  }
  int result = buildShadow();
  if (!result) return 0;
  needsRender = 0;
  return result;
}

void ThemeObject::cropMargins() {
  int32_t margin[4] = {};
  if (!qrGetMargin(renderObject, margin)) return;
  Buf32Info image{}, mask{};
  if (!buf32GetInfo(imageBuffer, &image) || !buf32GetInfo(maskBuffer, &mask)) return;
  int left = margin[0], top = margin[1], right = margin[2], bottom = margin[3];
  // Keep at least one column and one row.
  if (left + right == image.width) --right;
  if (top + bottom == image.height) --bottom;
  BufHandle cutImage = 0, cutMask = 0;
  int imageOk = buf32GetBuf(imageBuffer, left, top, image.width - left - right,
                            image.height - top - bottom, &cutImage);
  int maskOk = buf32GetBuf(maskBuffer, left, top, mask.width - left - right,
                           mask.height - top - bottom, &cutMask);
  if (imageOk && maskOk) {
    buf32Free(imageBuffer);
    buf32Free(maskBuffer);
    imageBuffer = cutImage;
    maskBuffer = cutMask;
    return;
  }
  if (cutImage) buf32Free(cutImage);
  if (cutMask) buf32Free(cutMask);
}

int ThemeObject::buildShadow() {
  if (!shadowEnabled) return 1;
  const int32_t params[6] = {24,           shadowParam1, shadowParam2,
                             shadowParam3, shadowParam4, shadowParam5};
  BufHandle newMask = 0;
  int32_t rect[4] = {};
  int created = qCreateShadow(maskBuffer, params, &newMask, rect, 0, 0, 0);
  if (!created) return created;

  if (shadowTransparency != 0) {
    uint8_t* bytes = nullptr;
    Buf32Info info{};
    if (!buf32GetInfo(newMask, &info) || !buf32Lock(newMask, 2, &bytes) || !bytes) {
      buf32Free(newMask);
      return 0;
    }
    const int keep = 100 - shadowTransparency;
    for (int32_t i = 0; i < info.dataSize; ++i) bytes[i] = (bytes[i] * keep + 50) / 100;
    buf32Unlock(newMask);
  }
  BufHandle newImage = 0;
  const uint32_t color = static_cast<uint32_t>(shadowColor);
  if (!buf32Alloc(&newImage, 24, rect[2], rect[3], 1, &color)) {
    buf32Free(newMask);
    return 0;
  }
  if (shadowImageBuffer) buf32Free(shadowImageBuffer);
  if (shadowMaskBuffer) buf32Free(shadowMaskBuffer);
  shadowImageBuffer = newImage;
  shadowMaskBuffer = newMask;
  shadowX = rect[0];
  shadowY = rect[1];
  shadowWidth = rect[2];
  shadowHeight = rect[3];
  return 1;
}

int ThemeObject::createText(const std::string& text, int px, int py) {
  isText = 1;
  renderObject = qrCreateTextObjectWithString(text);
  x = maskX = px;
  y = maskY = py;
  return render();
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
  if (!renderObject) return 0;
  if (qrIsSameColorValue(renderObject, color)) return 1;
  if (!qrSetColorValue(renderObject, color)) return 0;
  needsRender = 1;
  return 1;
}

int ThemeObject::getText(char* destination, size_t capacity) {
  if (!renderObject) return 0;
  if (isHidden()) {
    copyToField(destination, capacity, "");
    return 1;
  }
  std::string text;
  int result = qrGetString(renderObject, &text);
  if (result) copyToField(destination, capacity, text.c_str());
  return result;
}

int ThemeObject::setText(const char* text) {
  if (!renderObject || !text) return 0;
  std::string current;
  qrGetString(renderObject, &current);
  if (current == text) return 1;
  if (!qrSetString(renderObject, text)) return 0;
  needsRender = 1;
  chooseCharset(text);
  return 1;
}

void ThemeObject::getAlignment(int* alignment) {
  if (!renderObject) return;
  int32_t value = 0;
  if (qrGetAlign(renderObject, &value)) *alignment = value;
}

int ThemeObject::hasShadowImage() const {
  return shadowEnabled && shadowImageBuffer && shadowMaskBuffer ? 1 : 0;
}

int ThemeObject::chooseCharset(const std::string& text) {
  LCID locale = GetSystemDefaultLCID();
  if (locale == 0) locale = GetUserDefaultLCID();
  const bool japaneseSystem = locale != 0 && (locale & 0x3FF) == 0x11;
  QrFontRecord font{};
  if (!japaneseSystem) {
    if (qrGetFont(renderObject, &font) && font.logFont.lfCharSet == ANSI_CHARSET) {
      font.logFont.lfCharSet = DEFAULT_CHARSET;
      qrSetFont(renderObject, &font);
    }
    return 0;
  }
  bool japaneseText = false;
  for (unsigned char byte : text) {
    if (IsDBCSLeadByteEx(932, byte) || (byte >= 0xA1 && byte <= 0xDF)) {
      japaneseText = true;
      break;
    }
  }
  if (qrGetFont(renderObject, &font)) {
    font.logFont.lfCharSet = japaneseText ? SHIFTJIS_CHARSET : DEFAULT_CHARSET;
    qrSetFont(renderObject, &font);
  }
  return 1;
}
