#include "authoring/theme_unpacker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "authoring/theme_json.h"
#include "authoring/theme_packer.h"
#include "support/test_support.h"

namespace kvxauthor {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool packJson(const std::string& json, const fs::path& base, const std::string& output,
              std::string* error) {
  ThemeSpec model;
  return parseThemeJson(json, base, &model, error) && packTheme(model, output, error);
}

// A 6 × 4 picture with colour and alpha varying over it.
bool writeGlass(const fs::path& path) {
  kvxtest::Picture picture{6, 4, 4, {}};
  for (int i = 0; i < 24; ++i)
    picture.pixels.insert(picture.pixels.end(),
                          {static_cast<uint8_t>(i * 11), static_cast<uint8_t>(250 - i * 9),
                           static_cast<uint8_t>(i * i % 256), static_cast<uint8_t>(i * 10 + 5)});
  return kvxtest::writePng(path.string(), picture);
}

// Every setting a description carries, at a pixel format and file version.
std::string handMadeTheme(int pixelFormat, int version) {
  const bool shadowBlock = version >= 500;
  return R"({"page": {"width": 320, "height": 200, "renderFlag": 1},
    "version": )" +
         std::to_string(version) + R"(, "pixelFormat": )" + std::to_string(pixelFormat) +
         R"(,
    "groups": {"form": "extended", "count": 3, "entries": [
      {"id": 4, "name": "titles", "texts": ["first", "", "third"]}, {"id": 5, "name": "pictures"}]},
    "objects": [
      {"name": "Title", "type": "text", "x": 300, "y": 10, "align": "right", "string": "Round trip",
       "font": {"face": "DejaVu Serif", "size": 18, "weight": 700, "italic": true,
                "underline": true, "strikeOut": true, "charset": 0},
       "color": "#F0C030", "opacity": 200, "stroke": {"color": "#102030", "width": 1.5},
       "shadow": {"x": 2, "y": -1, "blur": 2, "transparency": 20, "color": "#400000"},
       "groups": [4], "hyperlink": ["http://example.org", "second"],
       "component": {"transform": {"topLeft": [0, 4], "topRight": [90, 0],
                                   "bottomLeft": [0, 30], "bottomRight": [90, 34]},
                     "threeD": [3, 4], "cutBorder": [1, 2, 3, 4]}},
      {"name": "Caption", "type": "text", "x": 161, "y": 150, "align": "center",
       "string": "centred\ntwo lines", "component": {"resize": [0.5, 0]}},
      {"name": "../up/glass", "type": "picture", "x": 5, "y": 6, "file": "glass.png",
       "hidden": true, "transparency": 30, "mergeMode": "screen")" +
         (shadowBlock ? R"(, "recordShadow": {"x": 3, "y": 4, "blur": 2, "color": "#102030"})"
                      : "") +
         R"(},
      {"name": "glass", "type": "picture", "x": 50, "y": 60, "file": "glass.png", "mask": "none",
       "groups": [5]},
      {"name": "placeholder", "type": "picture", "x": 100, "y": 40, "width": 80, "height": 60,
       "color": "#C08040", "mask": 200, "linkText": "<rotation=8>"},
      {"name": "wedge", "type": "path", "x": 20, "y": 120,
       "commands": [["move", 0, 0], ["line", 40, 0], ["curve", 40, 10, 30, 20.5, 0, 20], ["close"]],
       "fill": "#00A0FF", "opacity": 180, "stroke": {"color": "#FFFFFF", "width": 2},
       "component": {"stretch": [0, 0, 60, 30],
                     "path": [["move", 0, 0], ["line", 10, 0], ["line", 0, 10], ["close"]]}}
    ]})";
}

struct Format {
  const char* name;
  int pixelFormat;
  int version;
};

class UnpackRoundTrip : public testing::TestWithParam<Format> {};

// Packing the unpacked description gives the theme file byte for byte: every record field,
// picture, mask and stream came back.
TEST_P(UnpackRoundTrip, PacksAgainIntoTheSameFile) {
  kvxtest::TempDir dir;
  ASSERT_TRUE(writeGlass(dir.path() / "glass.png"));
  std::string error;
  const std::string original = dir.file("original.kvx");
  ASSERT_TRUE(packJson(handMadeTheme(GetParam().pixelFormat, GetParam().version), dir.path(),
                       original, &error))
      << error;
  const fs::path folder = dir.path() / "out";
  ASSERT_TRUE(unpackTheme(original, folder, &error)) << error;
  ThemeSpec model;
  ASSERT_TRUE(loadThemeJson(folder / "theme.json", &model, &error)) << error;
  const std::string repacked = dir.file("repacked.kvx");
  ASSERT_TRUE(packTheme(model, repacked, &error)) << error;
  EXPECT_TRUE(readFile(original) == readFile(repacked));

  // Two pictures of objects named alike, one mask: all inside the folder, none overwritten.
  std::set<std::string> files;
  for (const auto& entry : fs::directory_iterator(folder)) files.insert(entry.path().filename());
  EXPECT_EQ(files, (std::set<std::string>{"theme.json", "___up_glass.png", "___up_glass-mask.png",
                                          "glass.png"}));
}

INSTANTIATE_TEST_SUITE_P(Formats, UnpackRoundTrip,
                         testing::Values(Format{"colour", 2, 500}, Format{"grey", 8, 500},
                                         Format{"bits", 64, 500}, Format{"before500", 2, 400}),
                         [](const testing::TestParamInfo<Format>& info) {
                           return std::string(info.param.name);
                         });

struct Refusal {
  const char* name;
  bool theme;                                // a theme file, or bytes that are none
  std::map<std::string, std::string> files;  // already in the output folder
  const char* error;                         // null: unpacks
};

class UnpackFolder : public testing::TestWithParam<Refusal> {};

// Whatever happens, the files already in the folder keep their content.
TEST_P(UnpackFolder, RefusesOrWritesBesideWhatIsThere) {
  const Refusal& c = GetParam();
  kvxtest::TempDir dir;
  ASSERT_TRUE(writeGlass(dir.path() / "glass.png"));
  const std::string theme = dir.file("theme.kvx");
  std::string error;
  if (c.theme) {
    ASSERT_TRUE(packJson(R"({"page": {"width": 64, "height": 64}, "objects": [
        {"name": "glass", "type": "picture", "file": "glass.png"}]})",
                         dir.path(), theme, &error))
        << error;
  } else {
    std::ofstream(theme) << "{\"page\": {}}\n";
  }
  const fs::path folder = dir.path() / "out";
  if (!c.files.empty()) fs::create_directory(folder);
  for (const auto& [name, content] : c.files) std::ofstream(folder / name) << content;

  EXPECT_EQ(unpackTheme(theme, folder, &error), c.error == nullptr);
  if (c.error) {
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
  for (const auto& [name, content] : c.files) EXPECT_EQ(readFile(folder / name), content) << name;
  if (c.files.empty() && c.error) {
    EXPECT_FALSE(fs::exists(folder));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnpackFolder,
    testing::Values(Refusal{"NotATheme", false, {}, "not a KVX file"},
                    Refusal{"DescriptionThere", true, {{"theme.json", "mine"}}, "already exists"},
                    Refusal{"PictureNameTaken", true, {{"glass.png", "mine"}}, nullptr}),
    [](const testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kvxauthor
