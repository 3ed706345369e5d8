// ffmpeg applies the frei0r filter from the build tree (FREI0R_PATH) to a test pattern.
#include <gtest/gtest.h>

#include "tools/hosts/host_runner.h"

namespace kvxtest {
namespace {

// Whether the packed sample theme, described in JSON or drawn in SVG, has a picture named
// "video".
bool themePlaysVideo(const std::string& theme) {
  if (theme.empty()) return false;
  const RunResult listed = run(quote(kvxthemeTool()) + " info " + quote(theme));
  EXPECT_EQ(listed.status, 0) << listed.output;
  return listed.output.find("\"video\" picture") != std::string::npos;
}

class FfmpegFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef KVX_SANITIZED
    // A program built without the sanitizers cannot load a sanitized plug-in; the normal
    // build runs these.
    GTEST_SKIP() << "plug-in built with sanitizers; ffmpeg and melt cannot load it";
#endif
    if (!haveProgram("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed (scripts/install-deps.sh)";
    source_ = folder_.file("source.png");
    // SMPTE bars: light where the default page draws its caption, so the caption shows.
    ASSERT_EQ(run("ffmpeg -v error -f lavfi -i smptebars=size=320x240:rate=25 -frames:v 1 " +
                  quote(source_))
                  .status,
              0);
    ASSERT_TRUE(readPng(source_, &sourcePicture_));
  }

  // Applies the filter with `parameters` to the source picture.
  Picture filtered(const std::string& parameters, const std::string& name) {
    std::string out = folder_.file(name);
    RunResult result = run("ffmpeg -v error -i " + quote(source_) + " -vf " +
                           quote("frei0r=kvxtheme:" + parameters) + " -frames:v 1 " + quote(out));
    EXPECT_EQ(result.status, 0) << result.output;
    Picture picture;
    EXPECT_TRUE(readPng(out, &picture)) << out;
    return picture;
  }

  TempDir folder_;
  std::string source_;
  Picture sourcePicture_;
};

TEST_F(FfmpegFilterTest, DefaultPageDrawsTheCaptionAndKeepsTheSourceInThePlaceholder) {
  Picture out = filtered("|Caption||2024", "default.png");
  ASSERT_EQ(out.width, 320);
  ASSERT_EQ(out.height, 240);
  writePng(outputPath("ffmpeg_default_page.png"), out);
  EXPECT_GT(meanDifference(sourcePicture_, out, 0, 0, 50, 24), 15);
  EXPECT_LT(meanDifference(sourcePicture_, out, 0, 120, 320, 240), 2);
}

TEST_F(FfmpegFilterTest, FilterMatchesTheCommandLineRender) {
  std::vector<std::string> themes = sampleThemes();
  themes.insert(themes.begin(), "");
  for (size_t i = 0; i < themes.size(); ++i) {
    const std::string& theme = themes[i];
    std::string rendered = folder_.file("render" + std::to_string(i) + ".png");
    RunResult render =
        run(quote(kvxthemeTool()) + " render --quiet --title Caption --input " + quote(source_) +
            " --output " + quote(rendered) + (theme.empty() ? "" : " --theme " + quote(theme)));
    ASSERT_EQ(render.status, 0) << render.output;
    Picture cli;
    ASSERT_TRUE(readPng(rendered, &cli));
    Picture filter = filtered(theme + "|Caption", "filter" + std::to_string(i) + ".png");
    if (!theme.empty()) writePng(outputPath("ffmpeg_theme_" + std::to_string(i) + ".png"), filter);
    // A theme's video clip is looked for beside the running program: the tool finds the sample
    // clip the build puts beside it, ffmpeg does not, so such themes differ in the video window.
    if (!themePlaysVideo(theme)) {
      ASSERT_EQ(filter.height, cli.height);
      Difference difference = compare(cli, filter);
      EXPECT_LE(difference.max, 2) << (theme.empty() ? "default page" : theme);
    }
    if (!theme.empty()) {
      EXPECT_GT(meanDifference(sourcePicture_, filter, 0, 0, 320, 240), 1)
          << "the theme drew nothing: " << theme;
    }
  }
}

TEST_F(FfmpegFilterTest, ClipOfManyFramesKeepsItsLength) {
  std::string out = folder_.file("clip.mkv");
  RunResult result =
      run("ffmpeg -v error -f lavfi -i testsrc2=size=160x120:rate=25:duration=1 -vf "
          "'frei0r=kvxtheme:|Title' -c:v ffv1 " +
          quote(out));
  ASSERT_EQ(result.status, 0) << result.output;
  auto info = probe(out);
  EXPECT_EQ(info["nb_read_frames"], "25");
  EXPECT_EQ(info["width"], "160");
}

}  // namespace
}  // namespace kvxtest
