// Every frei0r host's time gives the frame index the tool uses: a theme's video window shows the
// same clip frame under ffmpeg (milliseconds), melt and GStreamer's frei0r bridge (seconds) as in
// `kvxtheme render`, frame for frame.
#include <gtest/gtest.h>

#include <fstream>

#include "tools/hosts/host_runner.h"

namespace kvxtest {
namespace {

constexpr int kFrames = 10;

class Frei0rTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef KVX_SANITIZED
    GTEST_SKIP() << "plug-in built with sanitizers; the hosts cannot load it";
#endif
    for (const char* program : {"ffmpeg", "melt", "gst-launch-1.0"})
      if (!haveProgram(program)) GTEST_SKIP() << program << " is not installed";
    std::string clip = folder_.file("clip.mp4");
    ASSERT_EQ(run("ffmpeg -v error -f lavfi -i testsrc2=size=160x90:rate=25:duration=2 -c:v mpeg4 "
                  "-q:v 2 " +
                  quote(clip))
                  .status,
              0);
    // The video is looked for beside the running program; climbing to the root first makes one
    // name work for the tool in the build tree and for hosts in /usr/bin alike.
    std::string fromAnyFolder;
    for (int i = 0; i < 16; ++i) fromAnyFolder += "../";
    fromAnyFolder += clip.substr(1);
    std::string description = folder_.file("theme.json");
    std::ofstream(description) << R"({"page": {"width": 320, "height": 240}, "objects": [
              {"name": "video", "type": "picture", "x": 0, "y": 0, "width": 160, "height": 90,
               "color": "#000000", "linkText": ")"
                               << fromAnyFolder << R"("},
              {"name": "placeholder", "type": "picture", "width": 320, "height": 240,
               "color": "#303030"}]})";
    theme_ = folder_.file("theme.kvx");
    RunResult packed =
        run(quote(kvxthemeTool()) + " pack " + quote(description) + " -o " + quote(theme_));
    ASSERT_EQ(packed.status, 0) << packed.output;
    source_ = folder_.file("bars.mkv");
    ASSERT_EQ(run("ffmpeg -v error -f lavfi -i smptebars=size=320x240:rate=25 -frames:v " +
                  std::to_string(kFrames) + " -c:v ffv1 " + quote(source_))
                  .status,
              0);
  }

  // Frames 0 … kFrames-1 as `pattern` (printf form, numbered from `first`) names them.
  std::vector<Picture> frames(const std::string& pattern, int first) {
    std::vector<Picture> pictures(kFrames);
    for (int i = 0; i < kFrames; ++i) {
      char name[64];
      std::snprintf(name, sizeof name, pattern.c_str(), i + first);
      EXPECT_TRUE(readPng(folder_.file(name), &pictures[i])) << name;
    }
    return pictures;
  }

  TempDir folder_;
  std::string theme_;
  std::string source_;
};

TEST_F(Frei0rTimeTest, VideoWindowFollowsEveryHostsTime) {
  RunResult tool =
      run(quote(kvxthemeTool()) + " render --quiet --theme " + quote(theme_) + " --input " +
          quote(source_) + " --output " + quote(folder_.file("tool_%04d.png")));
  ASSERT_EQ(tool.status, 0) << tool.output;
  std::vector<Picture> expected = frames("tool_%04d.png", 1);
  for (int i = 1; i < kFrames; ++i)
    ASSERT_GT(meanDifference(expected[i - 1], expected[i], 0, 0, 160, 90), 3)
        << "the clip does not change from frame " << i - 1 << "; the test cannot tell them apart";

  const std::string filter = "theme=" + quote(theme_);
  RunResult ffmpeg =
      run("ffmpeg -v error -i " + quote(source_) + " -vf " + quote("frei0r=kvxtheme:" + theme_) +
          " " + quote(folder_.file("ffmpeg_%04d.png")));
  ASSERT_EQ(ffmpeg.status, 0) << ffmpeg.output;
  std::string meltVideo = folder_.file("melt.mkv");
  RunResult melt = run("melt -silent " + quote(source_) + " -attach frei0r.kvxtheme " + filter +
                       " -consumer avformat:" + quote(meltVideo) + " vcodec=ffv1 an=1");
  ASSERT_EQ(melt.status, 0) << melt.output;
  ASSERT_EQ(
      run("ffmpeg -v error -i " + quote(meltVideo) + " " + quote(folder_.file("melt_%04d.png")))
          .status,
      0);
  RunResult gstreamer = run(
      "gst-launch-1.0 -q videotestsrc num-buffers=" + std::to_string(kFrames) +
      " ! video/x-raw,format=RGBA,width=320,height=240,framerate=25/1 ! frei0r-filter-kvxtheme " +
      filter +
      " ! videoconvert ! pngenc ! multifilesink location=" + quote(folder_.file("gst_%04d.png")));
  ASSERT_EQ(gstreamer.status, 0) << gstreamer.output;

  const struct {
    const char* host;
    std::vector<Picture> frames;
  } hosts[] = {{"ffmpeg", frames("ffmpeg_%04d.png", 1)},
               {"melt", frames("melt_%04d.png", 1)},
               {"GStreamer's frei0r bridge", frames("gst_%04d.png", 0)}};
  // Hosts convert colours differently (melt through 4:2:2), so each frame must be closest to the
  // tool's frame of the same index rather than equal to it.
  for (const auto& host : hosts)
    for (int i = 0; i < kFrames; ++i) {
      int closest = 0;
      std::vector<double> distance(kFrames);
      for (int j = 0; j < kFrames; ++j) {
        distance[j] = meanDifference(expected[j], host.frames[i], 0, 0, 160, 90);
        if (distance[j] < distance[closest]) closest = j;
      }
      EXPECT_EQ(closest, i) << host.host << ": frame " << i << " shows the clip's frame "
                            << closest;
      EXPECT_LT(distance[i], 3) << host.host << ", frame " << i;
    }
}

}  // namespace
}  // namespace kvxtest
