#include "platform/render/text_layout.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "platform/render/render_object.h"

namespace {

QrFontRecord fontRecord(const char* face, uint8_t charset) {
  QrFontRecord font = defaultState(ObjectKind::Text).font;
  std::snprintf(font.logFont.lfFaceName, sizeof font.logFont.lfFaceName, "%s", face);
  font.logFont.lfCharSet = charset;
  return font;
}

}  // namespace

TEST(TextLayout, FamilyListPutsTheJapaneseFontFirstForShiftJis) {
  EXPECT_EQ(familyListFor(fontRecord("", ANSI_CHARSET).logFont), "DejaVu Sans");
  EXPECT_EQ(familyListFor(fontRecord("Serif, Bold", DEFAULT_CHARSET).logFont),
            "Serif  Bold,DejaVu Sans");
  EXPECT_EQ(familyListFor(fontRecord("Arial", SHIFTJIS_CHARSET).logFont),
            "IPAGothic,Arial,DejaVu Sans");
  // A face name filling all 32 bytes without a terminator is read no further.
  QrFontRecord font = fontRecord("", DEFAULT_CHARSET);
  std::memset(font.logFont.lfFaceName, 'A', sizeof font.logFont.lfFaceName);
  EXPECT_EQ(familyListFor(font.logFont), std::string(32, 'A') + ",DejaVu Sans");
}

TEST(TextLayout, JapaneseTextIsShownWithTheJapaneseFont) {
  TextLayout layout;
  ASSERT_TRUE(layout.valid());
  layout.update("日本語のテキスト", fontRecord("", SHIFTJIS_CHARSET), 0);
  EXPECT_EQ(layout.unknownGlyphCount(), 0);
  const std::vector<std::string> families = layout.fontFamilies();
  ASSERT_FALSE(families.empty());
  for (const std::string& family : families) EXPECT_EQ(family, "IPAGothic");

  // Latin text of an ordinary font record is set in the fallback family.
  layout.update("Latin text", fontRecord("", ANSI_CHARSET), 0);
  ASSERT_FALSE(layout.fontFamilies().empty());
  EXPECT_EQ(layout.fontFamilies().front(), "DejaVu Sans");
}

TEST(TextLayout, JapaneseTextWithoutTheCharacterSetStillFindsGlyphs) {
  TextLayout layout;
  layout.update("Photo 写真", fontRecord("", DEFAULT_CHARSET), 0);
  EXPECT_EQ(layout.unknownGlyphCount(), 0);
  const std::vector<std::string> families = layout.fontFamilies();
  EXPECT_NE(std::find(families.begin(), families.end(), "IPAGothic"), families.end());
}

TEST(TextLayout, UnknownFaceFallsBackToAnInstalledFont) {
  TextLayout layout;
  layout.update("Fallback", fontRecord("No Such Face 123", DEFAULT_CHARSET), 0);
  EXPECT_EQ(layout.unknownGlyphCount(), 0);
  EXPECT_FALSE(layout.bounds().empty());
}

TEST(TextLayout, InvalidUtf8IsShownWithReplacementCharacters) {
  TextLayout layout;
  layout.update(std::string("caf\xE9 \xFF"), fontRecord("", DEFAULT_CHARSET), 0);
  EXPECT_FALSE(layout.bounds().empty());
}

TEST(TextLayout, BoundsCoverInkAndLineHeight) {
  TextLayout layout;
  const QrFontRecord font = fontRecord("", DEFAULT_CHARSET);
  layout.update("x", font, 0);
  const Box oneLine = layout.bounds();
  layout.update("x\nx\nx", font, 0);
  EXPECT_NEAR(layout.bounds().height(), 3 * oneLine.height(), 2);
  layout.update("", font, 0);
  EXPECT_TRUE(layout.bounds().empty());
}

// Fontconfig keeps its process-wide configuration until exit; the leak checker is told so that
// a real leak of ours still fails the run.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
