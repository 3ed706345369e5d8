#include "objects/theme_object.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "effect/default_page.h"
#include "kvxtheme/commonlib.h"

namespace {

// An 8-bit buffer of the given size filled with `value`.
kvx::pixels::SharedBuffer maskOf(int width, int height, uint8_t value) {
  return kvx::pixels::makeFilledBuffer(8, width, height, value);
}

class ScopedLocale {
 public:
  explicit ScopedLocale(const char* value) {
    const char* old = std::getenv("LC_ALL");
    saved_ = old ? old : "";
    hadValue_ = old != nullptr;
    setenv("LC_ALL", value, 1);
  }
  ~ScopedLocale() {
    if (hadValue_)
      setenv("LC_ALL", saved_.c_str(), 1);
    else
      unsetenv("LC_ALL");
  }

 private:
  std::string saved_;
  bool hadValue_;
};

uint8_t charsetOf(const ThemeObject& object) {
  QrFontRecord font{};
  object.font(&font);
  return font.logFont.lfCharSet;
}

}  // namespace

TEST(ThemeObject, DefaultsAndGroupIndexBounds) {
  ThemeObject object;
  EXPECT_EQ(object.mergeMode, 1);
  EXPECT_EQ(object.shadowParams.offsetX, 10);
  EXPECT_EQ(object.shadowParams.opacity, 100);
  EXPECT_EQ(object.shadowTransparency, 50);
  EXPECT_EQ(object.setGroupId(7, 16), 0);
  EXPECT_EQ(object.setGroupId(7, -1), 0);
  EXPECT_EQ(object.groupId(16), -1);
  EXPECT_EQ(object.groupId(-1), -1);
  EXPECT_EQ(object.setGroupId(7, 15), 1);
  EXPECT_EQ(object.groupId(15), 7);
  char text[8] = "x";
  EXPECT_EQ(object.getText(text, sizeof(text)), 0) << "a picture object has no text";
  EXPECT_EQ(object.setText("y"), 0);
}

TEST(ThemeObject, ShadowTransparencyWeakensTheMask) {
  struct Case {
    int transparency;
    uint8_t from255, from1;
  };
  for (Case c : {Case{0, 255, 1}, Case{50, 128, 1}, Case{100, 0, 0}}) {
    for (uint8_t source : {uint8_t(255), uint8_t(1)}) {
      ThemeObject object;
      object.maskBuffer = maskOf(40, 30, source);
      object.shadowEnabled = 1;
      object.shadowParams.blurRadius =
          0;  // no blur: every byte keeps the mask's value before weakening
      object.shadowTransparency = c.transparency;
      ASSERT_NE(object.buildShadow(), 0);
      ASSERT_TRUE(object.hasShadowImage());
      const kvx::pixels::PixelBuffer& shadow = *object.shadowMaskBuffer;
      const uint8_t expected = source == 255 ? c.from255 : c.from1;
      EXPECT_EQ(shadow.row(shadow.height / 2)[shadow.width / 2], expected)
          << "transparency " << c.transparency << " on " << int(source);
    }
  }
}

TEST(ThemeObject, ShadowIsNotBuiltWhenDisabledOrWithoutMask) {
  ThemeObject object;
  EXPECT_EQ(object.buildShadow(), 1);
  EXPECT_FALSE(object.hasShadowImage());
  object.shadowEnabled = 1;
  EXPECT_EQ(object.buildShadow(), 0) << "no mask to build a shadow from";
  EXPECT_FALSE(object.hasShadowImage());
}

TEST(ThemeObject, TextIsRenderedCroppedAndKeptWhenUnchanged) {
  ThemeObject object;
  ASSERT_EQ(object.createText("Hello", 12, 34), 1);
  EXPECT_EQ(object.isText, 1);
  EXPECT_EQ(object.x, 12);
  EXPECT_EQ(object.maskY, 34);
  EXPECT_GT(object.width, 0);
  EXPECT_EQ(object.width, object.maskWidth);
  EXPECT_EQ(object.needsRender, 0);

  EXPECT_EQ(object.setText("Hello"), 1);
  EXPECT_EQ(object.needsRender, 0) << "the same text changes nothing";
  const int narrow = object.width;
  EXPECT_EQ(object.setText("Hello, wider world"), 1);
  EXPECT_EQ(object.needsRender, 1);
  ASSERT_EQ(object.render(), 1);
  EXPECT_GT(object.width, narrow);
  char text[260];
  ASSERT_NE(object.getText(text, sizeof(text)), 0);
  EXPECT_STREQ(text, "Hello, wider world");
}

TEST(ThemeObject, HiddenTextIsNotRenderedAndReadsEmpty) {
  ThemeObject object;
  ASSERT_EQ(object.createText("Shown", 0, 0), 1);
  const kvx::pixels::SharedBuffer before = object.imageBuffer;
  object.flags = 1;
  ASSERT_EQ(object.setText("Changed"), 1);
  EXPECT_EQ(object.render(), 1);
  EXPECT_EQ(object.imageBuffer, before) << "old pixels stay";
  EXPECT_EQ(object.needsRender, 1);
  char text[16] = "x";
  EXPECT_EQ(object.getText(text, sizeof(text)), 1);
  EXPECT_STREQ(text, "");
}

TEST(ThemeObject, LongTextIsCutToTheBuffer) {
  ThemeObject object;
  ASSERT_EQ(object.createText(std::string(600, 'w'), 0, 0), 1);
  char text[260];
  text[259] = 'x';
  ASSERT_NE(object.getText(text, sizeof(text)), 0);
  EXPECT_EQ(std::string(text).size(), 259u);
}

TEST(ThemeObject, ColourIsSetOnlyWhenItDiffers) {
  ThemeObject object;
  ASSERT_EQ(object.createText("Colour", 0, 0), 1);
  QrColorRecord colour;
  makeDefaultColorRecord(&colour);
  object.setColor(&colour);
  object.render();
  EXPECT_EQ(object.setColor(&colour), 1);
  EXPECT_EQ(object.needsRender, 0);
  const int32_t red = 0x0000FF;
  std::memcpy(colour.bytes + 4, &red, 4);
  EXPECT_EQ(object.setColor(&colour), 1);
  EXPECT_EQ(object.needsRender, 1);
  ThemeObject picture;
  EXPECT_EQ(picture.setColor(&colour), 0);
}

TEST(ThemeObject, CharsetFollowsTheLocaleAndTheText) {
  ThemeObject object;
  ASSERT_EQ(object.createText("abc", 0, 0), 1);
  auto& charset = object.renderObject->state.font.logFont.lfCharSet;
  charset = ANSI_CHARSET;
  {
    ScopedLocale locale("en_US.UTF-8");
    EXPECT_EQ(object.chooseCharset("abc"), 0);
    EXPECT_EQ(charsetOf(object), DEFAULT_CHARSET);
    charset = 77;
    object.chooseCharset("abc");
    EXPECT_EQ(charsetOf(object), 77) << "only ANSI is changed";
  }
  {
    ScopedLocale locale("ja_JP.UTF-8");
    EXPECT_EQ(object.chooseCharset("\xB1"), 1);
    EXPECT_EQ(charsetOf(object), SHIFTJIS_CHARSET);
    object.chooseCharset("plain");
    EXPECT_EQ(charsetOf(object), DEFAULT_CHARSET);
    object.chooseCharset("\xE3\x81\x82");  // UTF-8 hiragana starts with a code page 932 lead byte
    EXPECT_EQ(charsetOf(object), SHIFTJIS_CHARSET);
  }
}

TEST(ThemeObject, RenderFailureIsRecordedOnlyWhenNoErrorIsPending) {
  c32ClearDLLErrInfo();
  ThemeObject object;
  ASSERT_EQ(object.createText("fits", 0, 0), 1);
  object.renderObject->state.text = std::string(100000, '\n');  // too many lines to lay out
  object.needsRender = 1;
  EXPECT_EQ(object.render(), 0);
  int error = 0, location = 0, code = 0;
  c32GetDLLErrorInfo(nullptr, &error, nullptr, nullptr, &location, &code);
  EXPECT_EQ(error, 3200);
  EXPECT_EQ(location, 2);
  EXPECT_EQ(code, 193);
  EXPECT_EQ(object.needsRender, 1);
  c32SetDLLErrInfo(nullptr, 1001, 1, 3300, 1, 0);
  object.render();
  c32GetDLLErrorInfo(nullptr, &error, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(error, 1001);
  c32ClearDLLErrInfo();
}
