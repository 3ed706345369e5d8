// Segments rendered with --start-frame and --frames, joined, equal the whole render frame for
// frame: texts, the theme's video layer and fields follow the frame's index in the whole clip.
#include <gtest/gtest.h>

#include <fstream>

#include "tools/kvxtheme/media_checks.h"

namespace kvxtest {
namespace {

RunResult tool(const std::string& arguments) {
  return run(quote(kvxthemeTool()) + " " + arguments);
}

class SegmentRenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveProgram("ffmpeg") || !haveProgram("ffprobe"))
      GTEST_SKIP() << "ffmpeg is not installed (scripts/install-deps.sh)";
    ASSERT_TRUE(makeClip(clip_));
    // A title of its own on every frame, so that a frame rendered at another index differs.
    std::ofstream texts(texts_);
    texts << "[";
    for (int i = 0; i < 200; ++i)
      texts << (i ? "," : "") << R"({"from": )" << i << R"(, "to": )" << i
            << R"(, "title": "Frame )" << i << R"("})";
    texts << "]";
  }

  std::string theme(const std::string& name) const { return buildPath("themes/" + name); }

  TempDir folder_;
  const std::string clip_ = folder_.file("clip.mp4");
  const std::string texts_ = folder_.file("texts.json");
};

TEST_F(SegmentRenderTest, JoinedSegmentsEqualTheWholeRender) {
  struct Case {
    const char* theme;
    const char* options;
  } cases[] = {
      {"video-window.kvx", ""},  // its video layer plays the frame's index
      {"picture-frame.kvx", " --interlaced tff"},
      {"lower-third.kvx", " --interlaced bff --description Holiday"},
  };
  // The last segment asks for more frames than are left: it ends with the clip.
  const int starts[] = {0, 70, 140};
  const int lengths[] = {70, 70, 100};
  for (const Case& test : cases) {
    SCOPED_TRACE(test.theme);
    const std::string common = "--quiet --codec ffv1 --theme " + quote(theme(test.theme)) +
                               " --input " + quote(clip_) + " --texts " + quote(texts_) +
                               test.options;
    const std::string whole = folder_.file("whole.mkv");
    RunResult result = tool("render " + common + " --output " + quote(whole));
    ASSERT_EQ(result.status, 0) << result.output;
    std::string parts;
    for (int i = 0; i < 3; ++i) {
      const std::string part = folder_.file("part" + std::to_string(i) + ".mkv");
      result = tool("render " + common + " --start-frame " + std::to_string(starts[i]) +
                    " --frames " + std::to_string(lengths[i]) + " --output " + quote(part));
      ASSERT_EQ(result.status, 0) << result.output;
      const auto frames = frameLines(part, "v");
      ASSERT_FALSE(frames.empty());
      EXPECT_EQ(frames.front().pts, 0) << "a segment is a file of its own";
      EXPECT_EQ(probe(part)["audio_streams"], "0");
      parts += " " + quote(part);
    }
    const std::string joined = folder_.file("joined.mkv");
    result = tool("join --quiet" + parts + " --audio " + quote(clip_) + " -o " + quote(joined));
    ASSERT_EQ(result.status, 0) << result.output;

    const auto expected = frameLines(whole, "v");
    const auto actual = frameLines(joined, "v");
    ASSERT_EQ(expected.size(), 200u);
    // Every frame differs from every other: a frame taken from a neighbour would show.
    EXPECT_EQ(distinct(hashes(expected)), 200u);
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(actual[i].line, expected[i].line) << "frame " << i;
      if (i > 0) {
        EXPECT_EQ(actual[i].pts, actual[i - 1].pts + actual[i - 1].duration) << "frame " << i;
      }
    }
    auto info = probe(joined);
    EXPECT_EQ(info["nb_read_frames"], "200");
    EXPECT_EQ(info["r_frame_rate"], "25/1");
    EXPECT_EQ(info["audio_streams"], "1");
    const auto wholeAudio = frameLines(whole, "a");
    EXPECT_GT(wholeAudio.size(), 300u);
    const auto joinedAudio = frameLines(joined, "a");
    ASSERT_EQ(joinedAudio.size(), wholeAudio.size());
    for (size_t i = 0; i < wholeAudio.size(); ++i)
      EXPECT_EQ(joinedAudio[i].line, wholeAudio[i].line) << "audio packet " << i;
  }
}

// A picture repeated, the test pattern and a clip whose timestamps jump by ten seconds after
// frame 100 have a frame A too: the segment's frames are the whole render's from A on.
TEST_F(SegmentRenderTest, OtherSourcesSegmentsMatchTheWholeRender) {
  const std::string picture = folder_.file("still.png");
  ASSERT_EQ(
      run("ffmpeg -v error -f lavfi -i testsrc2=size=200x100 -frames:v 1 " + quote(picture)).status,
      0);
  const std::string jumping = folder_.file("jumping.mp4");
  ASSERT_EQ(run("ffmpeg -v error -f lavfi -i testsrc2=size=160x90:rate=25 -frames:v 200 -vf " +
                quote("setpts=PTS+if(gte(N\\,100)\\,10/TB\\,0)") +
                " -fps_mode passthrough -c:v libx264 -g 30 " + quote(jumping))
                .status,
            0);
  struct Case {
    std::string input;
    std::string whole;    // frames of the whole render
    std::string segment;  // its last frames
    size_t frames;
  } cases[] = {
      {quote(picture), "--frames 12", "--start-frame 5 --frames 7", 7},
      {quote(picture), "--duration 2", "--duration 2 --start-frame 45", 5},
      {"testsrc --size 160x90", "--frames 90", "--start-frame 60 --frames 30", 30},
      {quote(jumping), "", "--start-frame 150", 50},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.segment);
    const std::string common = "render --quiet --codec ffv1 --theme " +
                               quote(theme("lower-third.kvx")) + " --texts " + quote(texts_) +
                               " --input " + test.input + " ";
    const std::string whole = folder_.file("whole.mkv");
    const std::string segment = folder_.file("segment.mkv");
    ASSERT_EQ(tool(common + test.whole + " --output " + quote(whole)).status, 0);
    ASSERT_EQ(tool(common + test.segment + " --output " + quote(segment)).status, 0);
    const auto all = hashes(frameLines(whole, "v"));
    const auto tail = hashes(frameLines(segment, "v"));
    ASSERT_EQ(tail.size(), test.frames);
    ASSERT_GE(all.size(), tail.size());
    EXPECT_EQ(distinct(tail), tail.size());
    EXPECT_EQ(tail, std::vector<std::string>(all.end() - tail.size(), all.end()));
  }
}

TEST_F(SegmentRenderTest, H264SegmentBeginsWithAKeyFrameAtTimeZero) {
  for (const char* name : {"segment.mp4", "segment.mkv"}) {
    const std::string segment = folder_.file(name);
    RunResult result = tool("render --quiet --input " + quote(clip_) +
                            " --start-frame 77 --frames 20 --output " + quote(segment));
    ASSERT_EQ(result.status, 0) << result.output;
    result =
        run("ffprobe -v error -select_streams v -read_intervals %+#1 -show_entries "
            "frame=key_frame,pict_type,pts -of csv=p=0 " +
            quote(segment));
    EXPECT_EQ(result.output.rfind("1,0,I", 0), 0u) << name << ": " << result.output;
    auto info = probe(segment);
    EXPECT_EQ(info["nb_read_frames"], "20") << name;
    EXPECT_EQ(info["audio_streams"], "0") << name;
  }
}

TEST_F(SegmentRenderTest, WrongSegmentsAreRefusedNamingTheOption) {
  const std::string picture = folder_.file("still.png");
  ASSERT_EQ(
      run("ffmpeg -v error -f lavfi -i color=size=64x48 -frames:v 1 " + quote(picture)).status, 0);
  const std::string out = " --output " + quote(folder_.file("out.mkv"));
  const std::string clip = " --input " + quote(clip_);
  struct Case {
    std::string arguments;
    std::string named;
  } cases[] = {
      {clip + " --start-frame -1" + out, "--start-frame: '-1' is outside 0"},
      {clip + " --start-frame 1.5" + out, "--start-frame: '1.5' is not a whole number"},
      {clip + " --start-frame 200" + out, "--start-frame: 200 is past the end of"},
      {clip + " --start-frame 100 --duration 4" + out, "--start-frame: 100 is past the end"},
      {" --input " + quote(picture) + " --start-frame 1" + out, "--start-frame: 1 is past"},
      {" --input testsrc --start-frame 50" + out, "--start-frame: 50 is past the end of testsrc"},
      {clip + " --codec vp8" + out, "--codec: 'vp8' is none of"},
      {clip + " --codec ffv1 --output " + quote(folder_.file("out.mp4")), "--codec: ffv1"},
      {clip + " --codec h264 --output " + quote(folder_.file("out.png")), "--codec: chooses"},
  };
  const auto before = entriesIn(folder_.path());
  for (const Case& test : cases) {
    RunResult result = tool("render --quiet" + test.arguments);
    EXPECT_EQ(result.status, 1) << test.arguments;
    EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1) << result.output;
    EXPECT_NE(result.output.find(test.named), std::string::npos) << result.output;
    EXPECT_EQ(entriesIn(folder_.path()), before) << test.arguments;
  }
}

}  // namespace
}  // namespace kvxtest
