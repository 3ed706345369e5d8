// Titles in the world's scripts, end to end: through a packed theme's text objects and through
// the default page's caption, rendered by the reference host. Each frame is compared with a
// golden picture, and what pixels alone would not say is checked on its own: no character
// drawn as a box, every line at the edge its alignment names, colour emoji in colour.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "authoring/theme_json.h"
#include "authoring/theme_packer.h"
#include "effect/theme_clip.h"
#include "host/reference_host.h"
#include "raster/text_layout.h"
#include "support/test_support.h"

namespace {

// One script: a title of two lines (the second shorter), the alignment its theme gives it.
struct ScriptCase {
  const char* script;
  const char* title;
  const char* second;
  const char* align;
  bool colour;  // colour emoji
};

void PrintTo(const ScriptCase& script, std::ostream* out) {
  *out << script.script;
}

const ScriptCase kScripts[] = {
    {"arabic", "مرحبا بالعالم", "مرحبا", "right", false},
    {"hebrew", "שלום עולם יפה", "שלום", "right", false},
    {"devanagari", "नमस्ते दुनिया", "नमस्ते", "left", false},
    {"thai", "สวัสดีชาวโลก", "สวัสดี", "left", false},
    {"chinese", "你好世界，这是标题", "这是标题", "center", false},
    {"japanese", "日本語のテキスト", "テキスト", "left", false},
    {"korean", "안녕하세요 세계", "세계", "right", false},
    {"emoji", "Party 🎉😀🌍", "🎉", "center", true},
};

// A frame as the host renders it, in B, G, R.
struct Frame {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;
  const uint8_t* at(int x, int y) const {
    return pixels.data() + (static_cast<size_t>(y) * width + x) * 3;
  }
};

// The columns of rows [top, bottom) where the frame differs from the flat background.
struct Ink {
  int x0 = 0, x1 = 0;  // x1 exclusive; both 0 when nothing is drawn
  int coloured = 0;    // pixels of strong colour (not a grey level)
  bool empty() const { return x1 <= x0; }
};

Ink inkOf(const Frame& frame, const uint8_t* background, int top, int bottom) {
  Ink ink{frame.width, 0, 0};
  for (int y = std::max(top, 0); y < std::min(bottom, frame.height); ++y)
    for (int x = 0; x < frame.width; ++x) {
      const uint8_t* p = frame.at(x, y);
      int difference = 0;
      for (int c = 0; c < 3; ++c) difference = std::max(difference, std::abs(p[c] - background[c]));
      if (difference <= 48) continue;
      ink.x0 = std::min(ink.x0, x);
      ink.x1 = std::max(ink.x1, x + 1);
      ink.coloured += std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]}) > 80;
    }
  if (ink.x1 == 0) ink.x0 = 0;
  return ink;
}

// How the object's text was laid out at its last rendering: characters no font could show (drawn
// as boxes), and the families of the fonts of its runs.
struct Layout {
  int unknown = -1;
  std::vector<std::string> families;
};

Layout layoutOf(const ClipState& clip, const char* name) {
  const ThemeLayer* layer = clip.findLayer(name);
  const ThemeObject* object = layer ? layer->sourceObject : nullptr;
  if (object == nullptr) return {};
  const std::shared_ptr<RenderObject>& rendered = object->renderObject;
  if (!rendered) return {};
  std::lock_guard lock(rendered->mutex);
  if (!rendered->textLayout) return {};
  return {rendered->textLayout->unknownGlyphCount(), rendered->textLayout->fontFamilies()};
}

// A rendered frame with what the checks need of the document while the effect still runs.
struct Rendering {
  Frame frame;
  Layout layout;  // of the text asked for
  struct Box {
    int x = 0, y = 0, width = 0, height = 0;
  };
  std::vector<Box> boxes;  // of the layers asked for, in order
};

Rendering renderOnce(const std::string& theme, int width, int height, const uint8_t* background,
                     const std::vector<std::pair<std::string, std::string>>& texts,
                     const char* checkedText, const std::vector<const char*>& layers) {
  kvxhost::ReferenceHost host;
  host.setThemePath(theme);
  host.setTextSource([&texts](int, const std::string& key, std::string* text) {
    for (const auto& [field, value] : texts) {
      if (field != key) continue;
      *text = value;
      return true;
    }
    return false;
  });
  Rendering out;
  out.frame = {width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3)};
  std::vector<uint8_t> source(out.frame.pixels.size());
  for (size_t i = 0; i < source.size(); i += 3) std::copy(background, background + 3, &source[i]);
  EXPECT_EQ(host.begin(width, height), 1);
  EXPECT_EQ(host.renderFrame(0, source.data(), width * 3, out.frame.pixels.data(), width * 3), 1);
  const ThemeClip* clip = host.effect().themeClip();
  EXPECT_NE(clip, nullptr);
  if (clip != nullptr) {
    out.layout = layoutOf(clip->state, checkedText);
    for (const char* name : layers) {
      const ThemeLayer* layer = clip->state.findLayer(name);
      EXPECT_NE(layer, nullptr) << name;
      if (layer != nullptr) out.boxes.push_back({layer->x, layer->y, layer->width, layer->height});
    }
  }
  host.end();
  return out;
}

kvxtest::Picture rgbPicture(const Frame& frame, int width, int height) {
  kvxtest::Picture picture{width, height, 3, {}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = frame.at(x, y);
      picture.pixels.insert(picture.pixels.end(), {p[2], p[1], p[0]});
    }
  return picture;
}

// Text rendering differs slightly between library versions, so a picture passes when its mean
// difference is small and few of its pixels differ much: about what text moved by a pixel gives.
// KVX_UPDATE_GOLDEN=1 rewrites the file.
void expectNearGolden(const kvxtest::Picture& picture, const std::string& name) {
  ASSERT_TRUE(kvxtest::writePng(kvxtest::outputPath("world-scripts-" + name + ".png"), picture));
  const std::string golden = kvxtest::sourcePath("tests/themes/golden/" + name + ".png");
  const char* update = std::getenv("KVX_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    ASSERT_TRUE(kvxtest::writePng(golden, picture));
  }
  kvxtest::Picture expected;
  ASSERT_TRUE(kvxtest::readPng(golden, &expected)) << "missing golden picture " << golden;
  ASSERT_EQ(expected.width, picture.width) << name;
  ASSERT_EQ(expected.height, picture.height) << name;
  double sum = 0;
  size_t differing = 0;
  for (size_t i = 0; i < picture.pixels.size(); i += 3) {
    int largest = 0;
    for (size_t c = i; c < i + 3; ++c) {
      const int difference = std::abs(picture.pixels[c] - expected.pixels[c]);
      sum += difference;
      largest = std::max(largest, difference);
    }
    differing += largest > 64;
  }
  const size_t pixels = picture.pixels.size() / 3;
  EXPECT_LT(sum / picture.pixels.size(), 3.0) << name;
  EXPECT_LT(static_cast<double>(differing) / pixels, 0.03) << name;
}

class WorldScript : public testing::TestWithParam<ScriptCase> {};

// A theme of two text objects with the script's alignment, both anchored at the same x, in a
// face that has none of the script's glyphs: a Latin reference and, below it, the host's title.
constexpr int kThemeWidth = 640, kThemeHeight = 320;
constexpr uint8_t kThemeBackground[3] = {64, 48, 32};  // B, G, R

std::string packTitleTheme(const kvxtest::TempDir& dir, const std::string& align) {
  const int anchor = align == "left" ? 40 : align == "right" ? 600 : 320;
  auto text = [&](const char* name, int y, const char* string) {
    return nlohmann::json{{"name", name},
                          {"type", "text"},
                          {"x", anchor},
                          {"y", y},
                          {"align", align},
                          {"string", string},
                          {"font", {{"face", "DejaVu Serif"}, {"size", 40}}},
                          {"color", "#FFFFFF"}};
  };
  const nlohmann::json description = {
      {"page", {{"width", kThemeWidth}, {"height", kThemeHeight}}},
      {"objects", nlohmann::json::array({text("SlideShowTitle", 115, "Title"),
                                         text("Description", 10, "Reference"),
                                         {{"name", "placeholder"},
                                          {"type", "picture"},
                                          {"width", kThemeWidth},
                                          {"height", kThemeHeight},
                                          {"color", "#808080"}}})}};
  kvxauthor::ThemeSpec model;
  std::string error;
  const std::string path = dir.file("title.kvx");
  EXPECT_TRUE(kvxauthor::parseThemeJson(description.dump(), dir.path(), &model, &error)) << error;
  EXPECT_TRUE(kvxauthor::packTheme(model, path, &error)) << error;
  return path;
}

// The edge of a line that its alignment keeps in place (twice the centre for "center").
int alignedEdge(const Ink& line, const std::string& align) {
  return align == "left" ? line.x0 : align == "right" ? line.x1 : line.x0 + line.x1;
}

TEST_P(WorldScript, ThemeTitleKeepsItsAlignmentAndGlyphs) {
  const ScriptCase& script = GetParam();
  kvxtest::TempDir dir;
  const std::string theme = packTitleTheme(dir, script.align);
  const Rendering r =
      renderOnce(theme, kThemeWidth, kThemeHeight, kThemeBackground,
                 {{"SlideShowTitle", std::string(script.title) + "\n" + script.second},
                  {"Description", "Holiday 2024\nBeach"}},
                 "SlideShowTitle", {"SlideShowTitle", "Description"});
  ASSERT_EQ(r.boxes.size(), 2u);
  EXPECT_EQ(r.layout.unknown, 0) << "characters drawn as boxes";
  // A title in one script is set in one font that has it, not in the theme's face (only the
  // emoji title's Latin word is).
  const std::vector<std::string>& families = r.layout.families;
  ASSERT_FALSE(families.empty());
  EXPECT_NE(families.back(), "DejaVu Serif");
  if (!script.colour) {
    for (const std::string& family : families) EXPECT_EQ(family, families.back());
  }

  // Each line of the title ends (or starts, or centres) where the Latin reference's lines do.
  std::vector<Ink> title, reference;
  for (int half = 0; half < 2; ++half) {
    const auto& t = r.boxes[0];
    const auto& l = r.boxes[1];
    title.push_back(inkOf(r.frame, kThemeBackground, t.y + half * t.height / 2,
                          t.y + (half + 1) * t.height / 2));
    reference.push_back(inkOf(r.frame, kThemeBackground, l.y + half * l.height / 2,
                              l.y + (half + 1) * l.height / 2));
    ASSERT_FALSE(title.back().empty()) << "line " << half;
    ASSERT_FALSE(reference.back().empty()) << "reference line " << half;
  }
  EXPECT_GT(title[0].x1 - title[0].x0, title[1].x1 - title[1].x0) << "the first line is longer";
  const int expected = alignedEdge(reference[0], script.align);
  EXPECT_NEAR(alignedEdge(reference[1], script.align), expected, 6);
  for (const Ink& line : title) EXPECT_NEAR(alignedEdge(line, script.align), expected, 6);

  const int coloured = title[0].coloured + title[1].coloured;
  if (script.colour)
    EXPECT_GT(coloured, 300) << "colour emoji drawn in the text's colour";
  else
    EXPECT_LT(coloured, 20) << "white text drawn in colour";

  expectNearGolden(rgbPicture(r.frame, kThemeWidth, kThemeHeight),
                   std::string("theme-") + script.script);
}

// The default page's caption joins the four fields, one a line, left-aligned at the page's
// left edge: the title and description in the script, then a date and a file name.
constexpr int kPageWidth = 768, kPageHeight = 578;
constexpr int kCaptionWidth = 512, kCaptionHeight = 260;  // the part the golden keeps
constexpr uint8_t kPageBackground[3] = {230, 230, 230};

// Row bands that hold ink. A gap of a few rows does not end a band: marks above or below a line
// (Thai vowels and tones) belong to it.
std::vector<std::pair<int, int>> inkedBands(const Frame& frame, const uint8_t* background,
                                            int bottom) {
  constexpr int kMarkGap = 4;
  std::vector<std::pair<int, int>> bands;
  for (int y = 0; y < bottom; ++y) {
    if (inkOf(frame, background, y, y + 1).empty()) continue;
    if (!bands.empty() && y - bands.back().second < kMarkGap)
      bands.back().second = y + 1;
    else
      bands.emplace_back(y, y + 1);
  }
  return bands;
}

TEST_P(WorldScript, CaptionShowsTheFourFieldsAtTheLeftEdge) {
  const ScriptCase& script = GetParam();
  const Rendering r = renderOnce("", kPageWidth, kPageHeight, kPageBackground,
                                 {{"SlideShowTitle", script.title},
                                  {"Description", script.second},
                                  {"DateTaken", "2024-07-14"},
                                  {"FileName", "IMG_20240714_0001.jpg"}},
                                 "OnScreenText", {"OnScreenText"});
  ASSERT_EQ(r.boxes.size(), 1u);
  EXPECT_EQ(r.layout.unknown, 0) << "characters drawn as boxes";
  const auto& caption = r.boxes[0];
  ASSERT_LE(caption.x + caption.width, kCaptionWidth);
  ASSERT_LE(caption.y + caption.height, kCaptionHeight);

  // Every line starts at the caption's left edge, the right-to-left ones too, though the file
  // name below them is wider.
  const std::vector<std::pair<int, int>> bands =
      inkedBands(r.frame, kPageBackground, caption.y + caption.height);
  ASSERT_GE(bands.size(), 2u);
  int coloured = 0;
  for (const auto& [top, bottom] : bands) {
    const Ink line = inkOf(r.frame, kPageBackground, top, bottom);
    EXPECT_LE(line.x0, caption.x + 8) << "line at rows " << top << ".." << bottom;
    coloured += line.coloured;
  }
  const Ink fileName = inkOf(r.frame, kPageBackground, bands.back().first, bands.back().second);
  EXPECT_GT(fileName.x1, 300) << "the file name is the last line";
  if (script.colour)
    EXPECT_GT(coloured, 150) << "colour emoji drawn in the text's colour";
  else
    EXPECT_LT(coloured, 20) << "black text drawn in colour";

  expectNearGolden(rgbPicture(r.frame, kCaptionWidth, kCaptionHeight),
                   std::string("caption-") + script.script);
}

TEST(WorldScripts, ArabicTitleIsJoined) {
  kvxtest::TempDir dir;
  const std::string theme = packTitleTheme(dir, "right");
  auto titleWidth = [&](const std::string& title) {
    const Rendering r =
        renderOnce(theme, kThemeWidth, kThemeHeight, kThemeBackground, {{"SlideShowTitle", title}},
                   "SlideShowTitle", {"SlideShowTitle"});
    EXPECT_EQ(r.layout.unknown, 0);
    return r.boxes.empty() ? 0 : r.boxes[0].width;
  };
  // Zero-width non-joiners between the same letters keep each in its isolated, wider form.
  const int joined = titleWidth("مرحبا");
  const int isolated = titleWidth("م\u200Cر\u200Cح\u200Cب\u200Cا");
  EXPECT_GT(joined, 0);
  EXPECT_LT(joined, isolated * 9 / 10);
}

INSTANTIATE_TEST_SUITE_P(Scripts, WorldScript, testing::ValuesIn(kScripts),
                         [](const testing::TestParamInfo<ScriptCase>& info) {
                           return std::string(info.param.script);
                         });

}  // namespace
