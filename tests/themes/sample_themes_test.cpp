// The sample themes as the build packed them: each loads, lists, renders and exports its
// placeholder; the tool refuses a broken description without writing anything.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "authoring/placeholder_texture.h"
#include "authoring/theme_info.h"
#include "document/theme_document.h"
#include "host/reference_host.h"
#include "io/video_reader.h"
#include "kvxtheme/renderlib.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 640, kHeight = 360;  // half the themes' page size

std::string themePath(const std::string& name) {
  return std::string(KVX_THEMES_DIR) + "/" + name + ".kvx";
}

// What the samples drawn in SVG must pack to: the objects of the JSON descriptions they
// replaced, top first, at the same places (a text's x where its alignment anchors it). The play
// badge, a path object there, is a picture of the drawing here.
const nlohmann::json kDrawnSamples = R"({
  "lower-third": {"page": {"width": 1280, "height": 720}, "objects": [
    {"name": "SlideShowTitle", "type": "text", "x": 60, "y": 598},
    {"name": "DateTaken", "type": "text", "x": 1220, "y": 612, "align": "right"},
    {"name": "bar", "type": "picture", "x": 0, "y": 570},
    {"name": "placeholder", "type": "picture", "x": 0, "y": 0, "width": 1280, "height": 720,
     "color": "#404040"}]},
  "video-window": {"page": {"width": 1280, "height": 720}, "objects": [
    {"name": "play-badge", "type": "picture", "x": 1156, "y": 424},
    {"name": "OnScreenText", "type": "text", "x": 60, "y": 60},
    {"name": "window", "type": "picture", "x": 880, "y": 420},
    {"name": "video", "type": "picture", "x": 900, "y": 460, "width": 320, "height": 180,
     "linkText": "kvx-sample-clip.mp4"},
    {"name": "placeholder", "type": "picture", "x": 0, "y": 0, "width": 1280, "height": 720,
     "color": "#303030"}]}
})"_json;

nlohmann::json description(const std::string& name) {
  if (kDrawnSamples.contains(name)) return kDrawnSamples[name];
  std::ifstream in(std::string(KVX_THEMES_SOURCE_DIR) + "/" + name + ".json");
  return nlohmann::json::parse(in);
}

// A source frame in frame order B, G, R: a diagonal gradient, or one flat colour.
std::vector<uint8_t> sourceFrame(bool flat) {
  std::vector<uint8_t> frame(static_cast<size_t>(kWidth) * kHeight * 3);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* p = &frame[(static_cast<size_t>(y) * kWidth + x) * 3];
      p[0] = flat ? 40 : static_cast<uint8_t>(x * 255 / kWidth);
      p[1] = flat ? 200 : static_cast<uint8_t>(y * 255 / kHeight);
      p[2] = flat ? 90 : 250;
    }
  return frame;
}

struct Rendered {
  std::vector<uint8_t> frame;
  const uint8_t* at(int x, int y) const {
    return frame.data() + (static_cast<size_t>(y) * kWidth + x) * 3;
  }
};

std::vector<Rendered> renderFrames(const std::string& theme, const std::vector<uint8_t>& source,
                                   const std::vector<int>& frameIndices) {
  kvxhost::ReferenceHost host;
  host.setThemePath(theme);
  host.setTextSource([](int, const std::string& key, std::string* text) {
    if (key == "DateTaken")
      *text = "2024-07-14";
    else if (key == "SlideShowTitle")
      *text = "Sample";
    else
      return false;
    return true;
  });
  EXPECT_EQ(host.begin(kWidth, kHeight), 1);
  std::vector<Rendered> out;
  for (int index : frameIndices) {
    Rendered rendered{std::vector<uint8_t>(source.size())};
    EXPECT_EQ(host.renderFrame(index, source.data(), kWidth * 3, rendered.frame.data(), kWidth * 3),
              1);
    out.push_back(std::move(rendered));
  }
  host.end();
  return out;
}

bool samePixel(const uint8_t* a, const uint8_t* b) {
  return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

class SampleTheme : public testing::TestWithParam<const char*> {};

TEST_P(SampleTheme, LoadsWithTheDescribedObjects) {
  const nlohmann::json json = description(GetParam());
  ThemeDocument document;
  ASSERT_GT(document.loadThemeFile(themePath(GetParam()).c_str()), 0);
  EXPECT_EQ(document.pageWidth, json["page"]["width"]);
  EXPECT_EQ(document.pageHeight, json["page"]["height"]);
  ASSERT_EQ(document.objects.size(), json["objects"].size());
  size_t i = 0;
  for (const auto& object : document.objects) {
    const nlohmann::json& described = json["objects"][i++];
    EXPECT_EQ(std::string(object->name), described["name"]);
    EXPECT_EQ(object->renderObject != 0, described["type"] != "picture") << object->name;
    EXPECT_EQ(object->linkText, described.value("linkText", "")) << object->name;
    EXPECT_GT(object->width, 0);
    EXPECT_GT(object->height, 0);
    if (described.contains("x")) {
      const std::string align = described.value("align", "left");
      const int anchor = align == "right"    ? object->x + object->width
                         : align == "center" ? object->x + object->width / 2
                                             : object->x;
      EXPECT_EQ(anchor, described["x"]) << object->name;
      EXPECT_EQ(object->y, described.value("y", 0)) << object->name;
    }
  }
  EXPECT_NE(document.findObject("placeholder"), nullptr);
}

TEST_P(SampleTheme, ListsEveryObjectAndStream) {
  kvxauthor::ThemeInfo info;
  std::string error;
  ASSERT_TRUE(kvxauthor::readThemeInfo(themePath(GetParam()), &info, &error)) << error;
  const nlohmann::json json = description(GetParam());
  ASSERT_EQ(info.objects.size(), json["objects"].size());
  for (size_t i = 0; i < info.objects.size(); ++i) {
    const kvxauthor::ObjectInfo& object = info.objects[i];
    EXPECT_EQ(object.kind, json["objects"][i]["type"]);
    ASSERT_TRUE(object.picture);
    EXPECT_EQ(object.picture->width, static_cast<uint32_t>(object.width));
    const bool rendered = object.kind != "picture";
    EXPECT_EQ(!object.streams.empty(), rendered) << object.name;
    for (const auto& stream : object.streams) EXPECT_GT(stream.size, 0u) << stream.name;
  }
}

TEST_P(SampleTheme, RendersTheSourceIntoThePlaceholderOnly) {
  ThemeDocument document;
  ASSERT_GT(document.loadThemeFile(themePath(GetParam()).c_str()), 0);
  const ThemeObject* holder = document.findObject("placeholder");
  ASSERT_NE(holder, nullptr);
  const double scale = static_cast<double>(kWidth) / document.pageWidth;
  const int centreX = static_cast<int>((holder->x + holder->width / 2) * scale);
  const int centreY = static_cast<int>((holder->y + holder->height / 2) * scale);

  const Rendered flat = renderFrames(themePath(GetParam()), sourceFrame(true), {0})[0];
  const Rendered gradient = renderFrames(themePath(GetParam()), sourceFrame(false), {0})[0];
  EXPECT_FALSE(samePixel(flat.at(centreX, centreY), gradient.at(centreX, centreY)));
  EXPECT_NE(flat.frame, sourceFrame(true));
  // Away from a placeholder that leaves the page's corner free, the source does not show.
  const bool cornerFree = holder->x > 10 && holder->y > 10;
  if (cornerFree) {
    EXPECT_TRUE(samePixel(flat.at(2, 2), gradient.at(2, 2)));
  }
  kvxtest::Picture picture{kWidth, kHeight, 3, gradient.frame};
  for (size_t i = 0; i < picture.pixels.size(); i += 3)
    std::swap(picture.pixels[i], picture.pixels[i + 2]);
  kvxtest::writePng(kvxtest::outputPath(std::string("sample-theme-") + GetParam() + ".png"),
                    picture);
}

TEST_P(SampleTheme, ExportsThePlaceholderAtItsOwnSize) {
  kvxtest::TempDir dir;
  std::string error;
  const std::string png = dir.file("placeholder.png");
  ASSERT_TRUE(kvxauthor::exportPlaceholderTexture(themePath(GetParam()), png, &error)) << error;
  kvxtest::Picture picture;
  ASSERT_TRUE(kvxtest::readPng(png, &picture));
  const nlohmann::json json = description(GetParam());
  for (const auto& object : json["objects"]) {
    if (object["name"] != "placeholder") continue;
    EXPECT_EQ(picture.width, object["width"]);
    EXPECT_EQ(picture.height, object["height"]);
    // A placeholder of one colour exports that colour everywhere.
    const std::string colour = object["color"];
    const int red = std::stoi(colour.substr(1, 2), nullptr, 16);
    EXPECT_EQ(picture.pixels[0], red);
    EXPECT_EQ(picture.pixels[picture.pixels.size() - 3], red);
  }
}

INSTANTIATE_TEST_SUITE_P(Themes, SampleTheme,
                         testing::Values("picture-frame", "lower-third", "holder-ref",
                                         "video-window"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

TEST(SampleThemes, PictureFrameRotatesItsPlaceholder) {
  ThemeDocument document;
  ASSERT_GT(document.loadThemeFile(themePath("picture-frame").c_str()), 0);
  EXPECT_NE(document.findObject("placeholder")->linkText.find("<rotation=8>"), std::string::npos);
}

TEST(SampleThemes, LowerThirdDateIsRightAlignedTextWithAShadow) {
  ThemeDocument document;
  ASSERT_GT(document.loadThemeFile(themePath("lower-third").c_str()), 0);
  ThemeObject* date = document.findObject("DateTaken");
  ASSERT_NE(date, nullptr);
  EXPECT_EQ(date->isText, 1);
  int32_t alignment = -1;
  date->getAlignment(&alignment);
  EXPECT_EQ(alignment, 1);
  EXPECT_EQ(date->x + date->width, 1220);  // anchored at its right edge
  EXPECT_EQ(date->shadowEnabled, 1);
  EXPECT_EQ(document.findObject("SlideShowTitle")->shadowEnabled, 1);
}

TEST(SampleThemes, VideoWindowFrameCastsItsOwnShadow) {
  ThemeDocument document;
  ASSERT_GT(document.loadThemeFile(themePath("video-window").c_str()), 0);
  const ThemeObject* window = document.findObject("window");
  ASSERT_NE(window, nullptr);
  // The frame alone, its shadow drawn by the engine: offset 8, 8, blur 8, at half strength.
  EXPECT_EQ(window->width, 360);
  EXPECT_EQ(window->height, 240);
  EXPECT_EQ(window->shadowEnabled, 1);
  EXPECT_EQ(window->shadowParams.offsetX, 8);
  EXPECT_EQ(window->shadowParams.offsetY, 8);
  EXPECT_EQ(window->shadowParams.blurRadius, 8);
  EXPECT_EQ(window->shadowParams.opacity * (100 - window->shadowTransparency), 50 * 100);
}

TEST(SampleThemes, HolderRefCarriesThePlaceholdersCorners) {
  ThemeDocument document;
  ASSERT_GT(document.loadThemeFile(themePath("holder-ref").c_str()), 0);
  EXPECT_EQ(document.findObject("placeholder")->renderObject, nullptr);
  const ThemeObject* reference = document.findObject("holder_ref");
  ASSERT_NE(reference, nullptr);
  ASSERT_NE(reference->renderObject, nullptr);
  ASSERT_NE(reference->renderObject->state.transformKind, 0);
  const uint8_t* record = reference->renderObject->state.transform.data() + 4;
  int16_t corners[8];
  for (int i = 0; i < 8; ++i) {
    uint32_t value;
    std::memcpy(&value, record + 4 * i, 4);
    corners[i] = static_cast<int16_t>(value >> 16);
  }
  const int16_t expected[8] = {0, 40, 600, 0, 0, 380, 600, 420};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(corners[i], expected[i]) << i;
}

TEST(SampleThemes, VideoWindowPlaysTheClip) {
  if (!KVX_HAVE_SAMPLE_CLIP) GTEST_SKIP() << "no ffmpeg to encode the sample clip";
  ASSERT_TRUE(fs::exists(std::string(KVX_THEMES_DIR) + "/kvx-sample-clip.mp4"));
  const std::vector<Rendered> frames =
      renderFrames(themePath("video-window"), sourceFrame(true), {0, 20});
  // The "video" object sits at (900, 460) on the page, 320 × 180: its centre on the output.
  const int x = (900 + 160) / 2, y = (460 + 90) / 2;
  size_t changed = 0, lit = 0;
  for (int dy = -40; dy < 40; ++dy)
    for (int dx = -70; dx < 70; ++dx) {
      const uint8_t* a = frames[0].at(x + dx, y + dy);
      const uint8_t* b = frames[1].at(x + dx, y + dy);
      if (!samePixel(a, b)) ++changed;
      if (a[0] + a[1] + a[2] > 60) ++lit;  // the still picture is black
    }
  EXPECT_GT(changed, 100u);
  EXPECT_GT(lit, 1000u);
}

TEST(SampleThemes, VideoWindowShowsTheWholeClip) {
  if (!KVX_HAVE_SAMPLE_CLIP) GTEST_SKIP() << "no ffmpeg to encode the sample clip";
  const nlohmann::json theme = description("video-window");
  nlohmann::json video;
  for (const auto& object : theme["objects"])
    if (object["name"] == "video") video = object;
  ASSERT_FALSE(video.is_null());
  const int left = video["x"], top = video["y"], width = video["width"], height = video["height"];

  // The clip is encoded at the window's size, so at the page's size the window shows it pixel
  // for pixel: each of its corners where the window's corner is.
  auto reader = kvxvideo::VideoReader::open(std::string(KVX_THEMES_DIR) + "/kvx-sample-clip.mp4");
  ASSERT_NE(reader, nullptr);
  const BITMAPINFOHEADER* clip = reader->read(0);
  ASSERT_NE(clip, nullptr);
  ASSERT_EQ(clip->biWidth, width);
  ASSERT_EQ(clip->biHeight, height);
  auto clipPixel = [&](int x, int y) {
    return reinterpret_cast<const uint8_t*>(clip) + clip->biSize +
           (height - 1 - y) * kvxvideo::dibRowBytes(width) + x * 3;
  };

  const int pageWidth = theme["page"]["width"], pageHeight = theme["page"]["height"];
  std::vector<uint8_t> source(static_cast<size_t>(pageWidth) * pageHeight * 3, 128);
  std::vector<uint8_t> frame(source.size());
  kvxhost::ReferenceHost host;
  host.setThemePath(themePath("video-window"));
  ASSERT_EQ(host.begin(pageWidth, pageHeight), 1);
  ASSERT_EQ(host.renderFrame(0, source.data(), pageWidth * 3, frame.data(), pageWidth * 3), 1);
  host.end();

  // The window's shadow falls into its opening and darkens the clip along its top and left
  // edges: each pixel of a corner shows the clip's colour, at most darker.
  constexpr int kCorner = 16;
  for (const auto& [cornerX, cornerY] :
       {std::pair{0, 0}, std::pair{width - kCorner, 0}, std::pair{0, height - kCorner},
        std::pair{width - kCorner, height - kCorner}}) {
    int compared = 0, different = 0;
    for (int y = cornerY; y < cornerY + kCorner; ++y)
      for (int x = cornerX; x < cornerX + kCorner; ++x) {
        const uint8_t* shown = &frame[(static_cast<size_t>(top + y) * pageWidth + left + x) * 3];
        const uint8_t* expected = clipPixel(x, y);
        const int brightest = std::max({expected[0], expected[1], expected[2]});
        if (brightest < 48) continue;  // too dark to tell a colour
        ++compared;
        const double darkening = std::max({shown[0], shown[1], shown[2]}) / double(brightest);
        bool same = darkening > 0.3 && darkening < 1.05;
        for (int c = 0; c < 3; ++c)
          same = same && std::abs(shown[c] - expected[c] * darkening) < 12;
        different += !same;
      }
    EXPECT_GT(compared, kCorner * kCorner / 4) << "corner at " << cornerX << ", " << cornerY;
    EXPECT_LT(different, compared / 20) << "corner at " << cornerX << ", " << cornerY;
  }
}

// Runs the tool; answers its exit status and what it printed.
int runTool(const std::string& arguments, std::string* output) {
  const std::string command = std::string("\"") + KVX_TOOL_PATH + "\" " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  char buffer[4096];
  size_t read;
  while ((read = fread(buffer, 1, sizeof buffer, pipe)) > 0) output->append(buffer, read);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(KvxthemeTool, RefusesABrokenDescriptionNamingTheFieldAndWritesNothing) {
  kvxtest::TempDir dir;
  nlohmann::json json = description("holder-ref");
  json["objects"][0]["font"]["size"] = -4;
  const std::string input = dir.file("broken.json"), output = dir.file("broken.kvx");
  std::ofstream(input) << json.dump();
  std::string printed;
  EXPECT_EQ(runTool("pack \"" + input + "\" -o \"" + output + "\"", &printed), 1);
  EXPECT_NE(printed.find("objects[0].font.size: expected a whole number in 1..2000"),
            std::string::npos)
      << printed;
  EXPECT_FALSE(fs::exists(output));
}

TEST(KvxthemeTool, PacksListsAndExportsASampleTheme) {
  kvxtest::TempDir dir;
  const std::string copy = std::string(KVX_THEMES_DIR) + "/holder-ref.json";
  const std::string packed = dir.file("again.kvx"), png = dir.file("holder.png");
  std::string printed;
  ASSERT_EQ(runTool("pack \"" + copy + "\" -o \"" + packed + "\"", &printed), 0) << printed;
  printed.clear();
  ASSERT_EQ(runTool("info \"" + packed + "\" --json", &printed), 0) << printed;
  const nlohmann::json listed = nlohmann::json::parse(printed);
  EXPECT_EQ(listed["objects"].size(), 3u);
  EXPECT_EQ(listed["objects"][0]["name"], "holder_ref");
  EXPECT_EQ(listed["objects"][0]["component"]["bottomRight"], nlohmann::json({600, 420}));
  printed.clear();
  ASSERT_EQ(runTool("info \"" + packed + "\"", &printed), 0);
  EXPECT_NE(printed.find("ComponentObjectStream (160 bytes)"), std::string::npos) << printed;
  printed.clear();
  ASSERT_EQ(runTool("texture \"" + packed + "\" -o \"" + png + "\"", &printed), 0) << printed;
  kvxtest::Picture picture;
  ASSERT_TRUE(kvxtest::readPng(png, &picture));
  EXPECT_EQ(picture.width, 600);
  EXPECT_EQ(picture.height, 420);
  printed.clear();
  EXPECT_EQ(runTool("texture \"" + dir.file("none.kvx") + "\" -o \"" + png + "\"", &printed), 1);
  EXPECT_NE(printed.find("no such theme file"), std::string::npos) << printed;
}

}  // namespace
