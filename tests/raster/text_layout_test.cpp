#include "raster/text_layout.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "raster/render_object.h"

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
  layout.update("Photo 写真のタイトル", fontRecord("", DEFAULT_CHARSET), 0);
  EXPECT_EQ(layout.unknownGlyphCount(), 0);
  const std::vector<std::string> families = layout.fontFamilies();
  ASSERT_GE(families.size(), 2u);
  EXPECT_EQ(families.front(), "DejaVu Sans");
  // Kana make the Han characters Japanese too: the whole title in the Japanese font.
  for (size_t i = 1; i < families.size(); ++i) EXPECT_EQ(families[i], "IPAGothic");
}

// A title in one script, set in a face that has none of its glyphs.
struct ScriptTitle {
  const char* script;
  const char* text;
  bool colour;  // colour emoji
};

void PrintTo(const ScriptTitle& title, std::ostream* out) {
  *out << title.script;
}

class ScriptFallback : public testing::TestWithParam<ScriptTitle> {};

// Fallback finds a font for every character, never a box, and one that covers the whole title:
// Han characters, shared by Chinese and Japanese fonts, do not alternate between them.
TEST_P(ScriptFallback, SetsTheTitleInOneFontThatHasItsGlyphs) {
  TextLayout layout;
  layout.update(GetParam().text, fontRecord("DejaVu Serif", DEFAULT_CHARSET), 0);
  EXPECT_EQ(layout.unknownGlyphCount(), 0);
  const std::vector<std::string> families = layout.fontFamilies();
  ASSERT_FALSE(families.empty());
  for (const std::string& family : families) {
    EXPECT_EQ(family, families.front());
    EXPECT_NE(family, "DejaVu Serif");
  }
  EXPECT_EQ(layout.paintsOwnColours(), GetParam().colour);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, ScriptFallback,
    testing::Values(
        ScriptTitle{"Arabic", "مرحبا بالعالم", false}, ScriptTitle{"Hebrew", "שלום עולם", false},
        ScriptTitle{"Devanagari", "नमस्ते दुनिया", false}, ScriptTitle{"Thai", "สวัสดีชาวโลก", false},
        ScriptTitle{"SimplifiedChinese", "你好世界，这是标题", false},
        ScriptTitle{"Japanese", "日本語のテキスト", false},
        ScriptTitle{"Korean", "안녕하세요 세계", false}, ScriptTitle{"Emoji", "🎉😀🌍", true}),
    [](const testing::TestParamInfo<ScriptTitle>& info) { return info.param.script; });

TEST(TextLayout, ArabicLettersJoin) {
  TextLayout joined, isolated;
  const QrFontRecord font = fontRecord("", DEFAULT_CHARSET);
  joined.update("مرحبا", font, 0);
  // Zero-width non-joiners between the same letters keep each in its isolated form.
  isolated.update("م\u200Cر\u200Cح\u200Cب\u200Cا", font, 0);
  EXPECT_EQ(joined.unknownGlyphCount(), 0);
  EXPECT_LT(joined.bounds().width(), 0.9 * isolated.bounds().width());
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
