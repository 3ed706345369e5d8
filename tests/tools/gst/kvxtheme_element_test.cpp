// The GStreamer element "kvxtheme" in pipelines of this process, checked against the tool.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "tools/gst/pipeline_runner.h"
#include "tools/hosts/host_runner.h"

namespace kvxtest {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

Picture swapRedBlue(Picture picture) {
  for (size_t i = 0; i + 2 < picture.pixels.size(); i += 3)
    std::swap(picture.pixels[i], picture.pixels[i + 2]);
  return picture;
}

std::string themeFile(const std::string& name) {
  return buildPath("themes/" + name + ".kvx");
}

// The same frames through `kvxtheme render` (a lossless clip in, PNG out), packed BGR.
std::vector<Picture> toolFrames(const std::vector<Picture>& frames, const std::string& options) {
  TempDir folder;
  for (size_t i = 0; i < frames.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "in_%04zu.png", i);
    EXPECT_TRUE(writePng(folder.file(name), swapRedBlue(frames[i])));
  }
  const std::string clip = folder.file("in.mkv");
  RunResult encoded = run("ffmpeg -v error -framerate 25 -i " + quote(folder.file("in_%04d.png")) +
                          " -c:v ffv1 -pix_fmt bgr0 " + quote(clip));
  EXPECT_EQ(encoded.status, 0) << encoded.output;
  RunResult result = run(quote(kvxthemeTool()) + " render --quiet " + options + " --input " +
                         quote(clip) + " --output " + quote(folder.file("out_%04d.png")));
  EXPECT_EQ(result.status, 0) << result.output;
  std::vector<Picture> rendered(frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "out_%04zu.png", i + 1);
    EXPECT_TRUE(readPng(folder.file(name), &rendered[i])) << name;
    rendered[i] = swapRedBlue(rendered[i]);
  }
  return rendered;
}

// Every frame within 2 of its counterpart.
void expectFramesMatch(const std::vector<Picture>& actual, const std::vector<Picture>& expected,
                       const std::string& what, size_t from = 0, size_t count = SIZE_MAX) {
  ASSERT_GE(actual.size(), std::min(expected.size(), from + count)) << what;
  for (size_t i = from; i < expected.size() && i < from + count; ++i) {
    Difference difference = compare(actual[i], expected[i]);
    EXPECT_LE(difference.max, 2) << what << ", frame " << i << " (mean " << difference.mean << ")";
  }
}

class KvxThemeElementTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef KVX_SANITIZED
    GTEST_SKIP() << "GStreamer's plug-in scanner cannot load a plug-in built with sanitizers";
#endif
    frames_ = movingFrames(8, kWidth, kHeight);
  }
  std::vector<Picture> frames_;
};

TEST_F(KvxThemeElementTest, PluginNamesItsLicence) {
  initGStreamer();
  GstPlugin* plugin = gst_registry_find_plugin(gst_registry_get(), "kvxtheme");
  ASSERT_NE(plugin, nullptr);
  EXPECT_STREQ(gst_plugin_get_license(plugin), "LGPL");
  gst_object_unref(plugin);
}

TEST_F(KvxThemeElementTest, EverySampleThemeMatchesTheTool) {
  std::vector<std::string> themes = {""};
  for (const std::string& theme : sampleThemes()) themes.push_back(theme);
  ASSERT_GT(themes.size(), 1u) << "the sample themes are not built";
  for (const std::string& theme : themes) {
    PipelineRun element =
        runPipeline({.properties = "theme=\"" + theme + "\" title=Caption date=2024"}, frames_);
    ASSERT_EQ(element.error, "") << theme;
    std::string options = "--title Caption --date 2024";
    if (!theme.empty()) options += " --theme " + quote(theme);
    expectFramesMatch(element.frames, toolFrames(frames_, options), theme);
    EXPECT_GT(compare(element.frames[0], frames_[0]).max, 40) << theme << " drew nothing";
  }
}

TEST_F(KvxThemeElementTest, PropertiesChangedWhilePlayingShowFromTheNextFrame) {
  const std::string frame = themeFile("picture-frame");
  PipelineRun changing =
      runPipeline({.properties = "title=First",
                   .beforeFrame =
                       [&](GstElement* element, int index) {
                         if (index == 3) g_object_set(element, "title", "Second", nullptr);
                         if (index == 6) g_object_set(element, "theme", frame.c_str(), nullptr);
                       }},
                  frames_);
  ASSERT_EQ(changing.error, "");
  PipelineRun first = runPipeline({.properties = "title=First"}, frames_);
  PipelineRun second = runPipeline({.properties = "title=Second"}, frames_);
  PipelineRun framed = runPipeline({.properties = "title=Second theme=\"" + frame + "\""}, frames_);
  expectFramesMatch(changing.frames, first.frames, "before the change", 0, 3);
  expectFramesMatch(changing.frames, second.frames, "after the title changed", 3, 3);
  expectFramesMatch(changing.frames, framed.frames, "after the theme changed", 6, 2);
  EXPECT_GT(compare(first.frames[3], second.frames[3]).mean, 0.05) << "the titles look alike";
}

TEST_F(KvxThemeElementTest, InterlacedCapsAndFieldOrderGiveTheToolsWovenFields) {
  const std::string theme = themeFile("picture-frame");
  const std::string progressiveCaps = "video/x-raw,format=BGR,width=320,height=240,framerate=25/1";
  const struct {
    const char* what;
    std::string caps;
    std::string property;
    const char* toolOption;
  } cases[] = {
      {"top field first caps",
       progressiveCaps + ",interlace-mode=interleaved,field-order=top-field-first", "",
       "--interlaced tff"},
      {"bottom field first caps",
       progressiveCaps + ",interlace-mode=interleaved,field-order=bottom-field-first", "",
       "--interlaced bff"},
      {"field-order=tff over progressive caps", progressiveCaps, "field-order=tff",
       "--interlaced tff"},
      {"field-order=progressive over interlaced caps",
       progressiveCaps + ",interlace-mode=interleaved,field-order=top-field-first",
       "field-order=progressive", ""},
  };
  std::vector<Picture> progressive = toolFrames(frames_, "--theme " + quote(theme));
  for (const auto& c : cases) {
    PipelineRun element = runPipeline(
        {.caps = c.caps, .properties = "theme=\"" + theme + "\" " + c.property}, frames_);
    ASSERT_EQ(element.error, "") << c.what;
    std::vector<Picture> expected =
        toolFrames(frames_, std::string(c.toolOption) + " --theme " + quote(theme));
    expectFramesMatch(element.frames, expected, c.what);
    if (*c.toolOption) {
      EXPECT_GT(compare(expected[0], progressive[0]).max, 2)
          << c.what << ": fields look like whole frames; the case cannot tell them apart";
    }
  }
}

TEST_F(KvxThemeElementTest, MissingThemeIsAnErrorAtStartAndLeavesThePlayingThemeInUse) {
  const std::string missing = "/nonexistent/folder/theme.kvx";
  PipelineRun atStart = runPipeline({.properties = "theme=" + missing}, frames_);
  EXPECT_NE(atStart.error.find("Could not use theme file \"" + missing + "\""), std::string::npos)
      << atStart.error;
  EXPECT_TRUE(atStart.frames.empty());

  // Set again before every later frame, as a property binding would: told once.
  kvxtest::TempDir folder;
  const std::string notATheme = folder.file("notes.kvx");
  std::ofstream(notATheme) << "not a theme";
  for (const std::string& wrong : {missing, notATheme}) {
    PipelineRun whilePlaying =
        runPipeline({.properties = "title=Kept",
                     .beforeFrame =
                         [&](GstElement* element, int index) {
                           if (index >= 2) g_object_set(element, "theme", wrong.c_str(), nullptr);
                         }},
                    frames_);
    EXPECT_TRUE(whilePlaying.error.empty()) << whilePlaying.error;
    ASSERT_EQ(whilePlaying.warnings.size(), 1u);
    EXPECT_NE(whilePlaying.warnings[0].find(wrong), std::string::npos) << whilePlaying.warnings[0];
    EXPECT_NE(whilePlaying.warnings[0].find("the previous theme stays"), std::string::npos);
    PipelineRun kept = runPipeline({.properties = "title=Kept"}, frames_);
    ASSERT_EQ(whilePlaying.frames.size(), kept.frames.size());
    for (size_t i = 0; i < kept.frames.size(); ++i)
      EXPECT_EQ(whilePlaying.frames[i].pixels, kept.frames[i].pixels) << wrong << ", frame " << i;
  }
}

TEST_F(KvxThemeElementTest, PlayingAgainAfterNullStartsACleanClip) {
  const std::string theme = themeFile("video-window");
  PipelineRun twice =
      runPipeline({.properties = "theme=\"" + theme + "\" title=Again", .passes = 2}, frames_);
  ASSERT_EQ(twice.error, "");
  ASSERT_EQ(twice.frames.size(), 2 * frames_.size());
  std::vector<Picture> expected = toolFrames(frames_, "--title Again --theme " + quote(theme));
  std::vector<Picture> secondPass(twice.frames.begin() + frames_.size(), twice.frames.end());
  expectFramesMatch(twice.frames, expected, "first pass");
  expectFramesMatch(secondPass, expected, "second pass");
}

TEST_F(KvxThemeElementTest, FourPipelinesOnFourThreads) {
  const std::vector<std::string> properties = {
      "title=One", "title=Two theme=\"" + themeFile("lower-third") + "\"",
      "title=Three theme=\"" + themeFile("picture-frame") + "\"",
      "title=Four theme=\"" + themeFile("video-window") + "\""};
  std::vector<PipelineRun> alone;
  for (const std::string& p : properties) alone.push_back(runPipeline({.properties = p}, frames_));
  std::vector<PipelineRun> together(properties.size());
  std::vector<std::thread> threads;
  for (size_t i = 0; i < properties.size(); ++i)
    threads.emplace_back([&, i] {
      // A property changed from another thread all the while, to the value it has.
      together[i] = runPipeline({.properties = properties[i],
                                 .beforeFrame =
                                     [](GstElement* element, int) {
                                       std::thread([element] {
                                         gchar* title = nullptr;
                                         g_object_get(element, "title", &title, nullptr);
                                         g_object_set(element, "title", title, nullptr);
                                         g_free(title);
                                       }).join();
                                     }},
                                frames_);
    });
  for (std::thread& thread : threads) thread.join();
  for (size_t i = 0; i < properties.size(); ++i) {
    ASSERT_EQ(together[i].error, "") << properties[i];
    expectFramesMatch(together[i].frames, alone[i].frames, properties[i]);
  }
}

// GStreamer's frei0r bridge hands a string changed while playing over as the characters
// themselves; the frei0r filter must ignore it rather than crash, and keep drawing.
TEST_F(KvxThemeElementTest, Frei0rBridgeIgnoresStringsChangedWhilePlaying) {
  if (!KVX_HAVE_FREI0R) GTEST_SKIP() << "built without the frei0r filter";
  testing::internal::CaptureStderr();
  PipelineRun bridge =
      runPipeline({.element = "frei0r-filter-kvxtheme",
                   .properties = "title=First",
                   .beforeFrame =
                       [](GstElement* element, int index) {
                         if (index == 3)
                           g_object_set(element, "title", "Second title, longer", nullptr);
                       }},
                  frames_);
  const std::string log = testing::internal::GetCapturedStderr();
  ASSERT_EQ(bridge.error, "");
  EXPECT_NE(log.find("such changes are ignored"), std::string::npos) << log;
  PipelineRun native = runPipeline({.properties = "title=First"}, frames_);
  expectFramesMatch(bridge.frames, native.frames, "the bridge's frames");
}

}  // namespace
}  // namespace kvxtest
