// MLT's melt attaches the frei0r filter (frei0r.kvxtheme) and renders through its avformat
// consumer.
#include <gtest/gtest.h>

#include "tools/hosts/host_runner.h"

namespace kvxtest {
namespace {

class MeltFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef KVX_SANITIZED
    // A program built without the sanitizers cannot load a sanitized plug-in; the normal
    // build runs these.
    GTEST_SKIP() << "plug-in built with sanitizers; ffmpeg and melt cannot load it";
#endif
    if (!haveProgram("melt") || !haveProgram("ffmpeg"))
      GTEST_SKIP() << "melt or ffmpeg is not installed (scripts/install-deps.sh)";
    clip_ = folder_.file("bars.mkv");
    ASSERT_EQ(run("ffmpeg -v error -f lavfi -i smptebars=size=320x240:rate=25:duration=0.4 "
                  "-c:v ffv1 " +
                  quote(clip_))
                  .status,
              0);
  }

  // Renders the clip through melt with `filter` arguments and returns its first frame.
  Picture meltFrame(const std::string& filter, const std::string& name) {
    std::string video = folder_.file(name + ".mkv");
    RunResult result = run("melt -silent " + quote(clip_) + " " + filter +
                           " -consumer avformat:" + quote(video) + " vcodec=ffv1 an=1");
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_EQ(probe(video)["nb_read_frames"], "10");
    std::string png = folder_.file(name + ".png");
    EXPECT_EQ(run("ffmpeg -v error -i " + quote(video) + " -frames:v 1 " + quote(png)).status, 0);
    Picture picture;
    EXPECT_TRUE(readPng(png, &picture));
    return picture;
  }

  TempDir folder_;
  std::string clip_;
};

TEST_F(MeltFilterTest, DefaultPageDrawsTheCaptionAndKeepsTheSourceInThePlaceholder) {
  Picture plain = meltFrame("", "plain");
  Picture themed = meltFrame("-attach frei0r.kvxtheme title=Caption date=2024", "themed");
  ASSERT_EQ(themed.width, 320);
  ASSERT_EQ(themed.height, 240);
  writePng(outputPath("melt_default_page.png"), themed);
  EXPECT_GT(meanDifference(plain, themed, 0, 0, 50, 24), 15);
  EXPECT_LT(meanDifference(plain, themed, 0, 120, 320, 240), 2);
}

TEST_F(MeltFilterTest, SampleThemesDraw) {
  Picture plain = meltFrame("", "plain");
  std::vector<std::string> themes = sampleThemes();
  if (themes.empty()) GTEST_SKIP() << "no sample themes in the build tree yet";
  for (size_t i = 0; i < themes.size(); ++i) {
    Picture themed = meltFrame("-attach frei0r.kvxtheme 0=" + quote(themes[i]) + " title=Caption",
                               "theme" + std::to_string(i));
    writePng(outputPath("melt_theme_" + std::to_string(i) + ".png"), themed);
    EXPECT_GT(meanDifference(plain, themed, 0, 0, 320, 240), 1) << themes[i];
  }
}

TEST_F(MeltFilterTest, SliceThreadingIsRefusedAloud) {
  Picture plain = meltFrame("", "plain");
  std::string video = folder_.file("sliced.mkv");
  RunResult result =
      run("MLT_SLICES_COUNT=2 melt -silent " + quote(clip_) +
          " -attach frei0r.kvxtheme title=Caption threads=2 -consumer avformat:" + quote(video) +
          " vcodec=ffv1 an=1");
  EXPECT_EQ(result.status, 0) << result.output;
  EXPECT_NE(result.output.find("strips of the frame"), std::string::npos) << result.output;
  std::string png = folder_.file("sliced.png");
  ASSERT_EQ(run("ffmpeg -v error -ss 0.2 -i " + quote(video) + " -frames:v 1 " + quote(png)).status,
            0);
  Picture sliced;
  ASSERT_TRUE(readPng(png, &sliced));
  // Later frames pass through untouched rather than showing a theme squeezed into strips.
  EXPECT_LT(meanDifference(plain, sliced, 0, 0, 320, 240), 2);
}

}  // namespace
}  // namespace kvxtest
