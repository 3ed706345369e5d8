#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "kvxtheme/renderlib.h"
#include "raster/render_test_support.h"

using rendertest::Object;

TEST(RenderObjects, ZeroUnknownAndDeletedHandlesAreRefused) {
  const RenderHandle deleted = qrCreateTextObject();
  ASSERT_NE(deleted, 0u);
  ASSERT_EQ(qrDeleteTextPathObject(deleted), 1);
  for (RenderHandle handle : {RenderHandle{0}, deleted, RenderHandle{0xFFFFFFFE}}) {
    std::string text;
    int32_t value = 0;
    QrColorRecord color = rendertest::colorRecord(0);
    BufHandle image = 0, mask = 0;
    EXPECT_EQ(qrDeleteTextPathObject(handle), 0);
    EXPECT_EQ(qrGetString(handle, &text), 0);
    EXPECT_EQ(qrSetString(handle, "x"), 0);
    EXPECT_EQ(qrSetColorValue(handle, &color), 0);
    EXPECT_EQ(qrIsSameColorValue(handle, &color), 0);
    EXPECT_EQ(qrGetFontSize(handle), 0);
    EXPECT_EQ(qrGetAlign(handle, &value), 0);
    EXPECT_EQ(qrHasShadow(handle), 0);
    EXPECT_EQ(qrRenderObject(handle, &image, &mask, 0, 0, nullptr), 0);
    EXPECT_EQ(qrGetMargin(handle, &value), 0);
  }
  // Handles are not handed out again right away.
  Object next(qrCreateTextObject());
  EXPECT_NE(next.get(), deleted);
}

TEST(RenderObjects, TextAndDefaults) {
  Object object(qrCreateTextObjectWithString("Text"));
  std::string text;
  ASSERT_EQ(qrGetString(object.get(), &text), 1);
  EXPECT_EQ(text, "Text");
  ASSERT_EQ(qrSetString(object.get(), "Line 1\nLine 2"), 1);
  qrGetString(object.get(), &text);
  EXPECT_EQ(text, "Line 1\nLine 2");
  // The default colour record (opaque black) is what a new object already holds.
  const QrColorRecord black = rendertest::colorRecord(0);
  EXPECT_EQ(qrIsSameColorValue(object.get(), &black), 1);
  const QrColorRecord red = rendertest::colorRecord(0xFF);
  EXPECT_EQ(qrIsSameColorValue(object.get(), &red), 0);
  ASSERT_EQ(qrSetColorValue(object.get(), &red), 1);
  EXPECT_EQ(qrIsSameColorValue(object.get(), &red), 1);
  QrColorRecord read{};
  ASSERT_EQ(qrGetColorValue(object.get(), &read), 1);
  EXPECT_EQ(std::memcmp(&read, &red, sizeof read), 0);
  int32_t alignment = -1;
  EXPECT_EQ(qrGetAlign(object.get(), &alignment), 1);
  EXPECT_EQ(alignment, 0);
  EXPECT_EQ(qrSetAlign(object.get(), 2), 1);
  qrGetAlign(object.get(), &alignment);
  EXPECT_EQ(alignment, 2);
  EXPECT_EQ(qrSetAlign(object.get(), 3), 0);
  EXPECT_EQ(qrGetFontSize(object.get()), 32);
  EXPECT_EQ(qrSetFontSize(object.get(), 0), 0);
  EXPECT_EQ(qrSetFontSize(object.get(), 72), 1);
  EXPECT_EQ(qrGetFontSize(object.get()), 72);
}

TEST(RenderObjects, ColourAndFontRecordsAreChecked) {
  Object object(qrCreateTextObject());
  QrColorRecord color = rendertest::colorRecord(0, 256);
  EXPECT_EQ(qrSetColorValue(object.get(), &color), 0);
  color = rendertest::colorRecord(0, 255, 0, -1);
  EXPECT_EQ(qrSetColorValue(object.get(), &color), 0);
  color = rendertest::colorRecord(0);
  color.bytes[0] = 0;  // size field
  EXPECT_EQ(qrSetColorValue(object.get(), &color), 0);
  EXPECT_EQ(qrSetColorValue(object.get(), nullptr), 0);

  QrFontRecord font{};
  ASSERT_EQ(qrGetFont(object.get(), &font), 1);
  EXPECT_EQ(font.logFont.lfHeight, -32);
  font.logFont.lfCharSet = SHIFTJIS_CHARSET;
  ASSERT_EQ(qrSetFont(object.get(), &font), 1);
  QrFontRecord back{};
  qrGetFont(object.get(), &back);
  EXPECT_EQ(back.logFont.lfCharSet, SHIFTJIS_CHARSET);
  font.logFont.lfHeight = 1'000'000;
  EXPECT_EQ(qrSetFont(object.get(), &font), 0);
}

TEST(RenderObjects, PathObjectsHaveNoTextOrFont) {
  Object path(qrCreatePathObject());
  std::string text;
  QrFontRecord font{};
  EXPECT_EQ(qrGetString(path.get(), &text), 0);
  EXPECT_EQ(qrSetString(path.get(), "x"), 0);
  EXPECT_EQ(qrGetFont(path.get(), &font), 0);
  EXPECT_EQ(qrGetFontSize(path.get()), 0);
}

TEST(RenderObjects, ShadowAttributes) {
  Object object(qrCreateTextObject());
  QrShadowRecord shadow{};
  EXPECT_EQ(qrHasShadow(object.get()), 0);
  EXPECT_EQ(qrGetShadowAttr(object.get(), &shadow), 0);
  const QrShadowRecord set{4, 6, 30, 0x00102030, 1, 80, 7};
  ASSERT_EQ(qrSetShadowAttr(object.get(), &set), 1);
  EXPECT_EQ(qrHasShadow(object.get()), 1);
  ASSERT_EQ(qrGetShadowAttr(object.get(), &shadow), 1);
  EXPECT_EQ(std::memcmp(&shadow, &set, sizeof shadow), 0);
  ASSERT_EQ(qrSetShadowAttr(object.get(), nullptr), 1);
  EXPECT_EQ(qrHasShadow(object.get()), 0);
}

TEST(RenderObjects, TransformDataGivesTheCornerRecord) {
  Object object(qrCreateTextObject());
  int32_t kind = 0;
  void* record = reinterpret_cast<void*>(1);
  EXPECT_EQ(qrGetTransformData(object.get(), &kind, &record), 0);
  EXPECT_EQ(record, nullptr);
  // Corners top-left, top-right, bottom-left, bottom-right; pixel values in the upper 16 bits.
  const int16_t corners[8] = {10, 20, 300, 25, -5, 200, 310, 210};
  uint8_t data[36] = {};
  for (int i = 0; i < 8; ++i) {
    const uint32_t value =
        (static_cast<uint32_t>(static_cast<uint16_t>(corners[i])) << 16) | 0x1234;
    std::memcpy(data + 4 + 4 * i, &value, 4);
  }
  ASSERT_EQ(qrSetTransformData(object.get(), 1, data), 1);
  ASSERT_EQ(qrGetTransformData(object.get(), &kind, &record), 1);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(kind, 1);
  for (int i = 0; i < 8; ++i) {
    int32_t value;
    std::memcpy(&value, static_cast<uint8_t*>(record) + 4 * i, 4);
    EXPECT_EQ(static_cast<int16_t>(value >> 16), corners[i]);
  }
  EXPECT_EQ(qrDelTransformData(record), 1);
  EXPECT_EQ(qrDelTransformData(record), 0);
  int32_t foreign[8];
  EXPECT_EQ(qrDelTransformData(foreign), 0);
  ASSERT_EQ(qrSetTransformData(object.get(), 0, nullptr), 1);
  EXPECT_EQ(qrGetTransformData(object.get(), &kind, &record), 0);
  EXPECT_EQ(qrSetTransformData(object.get(), 1, nullptr), 0);
}

TEST(RenderObjects, ThreeDimensionalSettingsAreKept) {
  Object object(qrCreateTextObject());
  uint8_t block[k3dSettingsSize] = {};
  const int32_t size = k3dSettingsSize;
  std::memcpy(block, &size, 4);
  ASSERT_EQ(qr3dFastGetSetting(object.get(), block), 1);
  for (int i = 4; i < k3dSettingsSize; ++i) ASSERT_EQ(block[i], 0);
  block[8] = 3;
  block[12] = 9;
  block[831] = 0x5A;
  ASSERT_EQ(qr3dFastSetSetting(object.get(), block), 1);
  uint8_t back[k3dSettingsSize] = {};
  std::memcpy(back, &size, 4);
  ASSERT_EQ(qr3dFastGetSetting(object.get(), back), 1);
  EXPECT_EQ(std::memcmp(back, block, k3dSettingsSize), 0);
  // A block that does not announce its size is neither read nor written.
  uint8_t small[8] = {};
  EXPECT_EQ(qr3dFastGetSetting(object.get(), small), 0);
  EXPECT_EQ(qr3dFastSetSetting(object.get(), small), 0);
}

TEST(RenderObjects, StretchAndResizeValuesAreChecked) {
  Object object(qrCreateTextObject());
  int32_t result = -1;
  const double zero = 0, ten = 10, hundred = 100, negative = -5, nan = std::nan("");
  EXPECT_EQ(qrStretchObj(object.get(), &ten, &ten, &ten, &hundred, &result), 0);  // no width
  EXPECT_EQ(result, 0);
  EXPECT_EQ(qrStretchObj(object.get(), &zero, &zero, &nan, &hundred, &result), 0);
  EXPECT_EQ(qrStretchObj(object.get(), &zero, &zero, &hundred, &hundred, &result), 1);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(qrResizeObj(object.get(), &negative, &hundred, &result), 0);
  EXPECT_EQ(qrResizeObj(object.get(), &nan, &hundred, &result), 0);
  EXPECT_EQ(qrResizeObj(object.get(), nullptr, &hundred, &result), 0);
  EXPECT_EQ(qrResizeObj(object.get(), &zero, &zero, &result), 1);
}
