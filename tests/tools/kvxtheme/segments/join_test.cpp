// kvxtheme join: H.264 segments in every container, and the parts and arguments it refuses.
#include <gtest/gtest.h>

#include "tools/kvxtheme/media_checks.h"

namespace kvxtest {
namespace {

RunResult tool(const std::string& arguments) {
  return run(quote(kvxthemeTool()) + " " + arguments);
}

class JoinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveProgram("ffmpeg") || !haveProgram("ffprobe"))
      GTEST_SKIP() << "ffmpeg is not installed (scripts/install-deps.sh)";
  }

  // Renders the test pattern (or `input`) to `name` with `options`; returns its path.
  std::string render(const std::string& name, const std::string& options,
                     const std::string& input = "testsrc --size 160x90") {
    const std::string path = folder_.file(name);
    const RunResult result =
        tool("render --quiet --input " + input + " " + options + " --output " + quote(path));
    EXPECT_EQ(result.status, 0) << result.output;
    return path;
  }

  TempDir folder_;
};

// H.264 parts keep B-frames whose decoding times Matroska does not store; the joined file
// decodes without an error in any container, its frames one after the other.
TEST_F(JoinTest, H264PartsJoinAcrossContainers) {
  const std::string clip = folder_.file("clip.mp4");
  ASSERT_TRUE(makeClip(clip));
  const std::pair<const char*, const char*> cases[] = {
      {"mp4", "mp4"}, {"mkv", "mp4"}, {"mkv", "mkv"}, {"mov", "mkv"}, {"mp4", "mov"}};
  for (const auto& [partKind, outputKind] : cases) {
    SCOPED_TRACE(std::string(partKind) + " parts into " + outputKind);
    std::string parts;
    for (int start : {0, 60, 120})
      parts += " " + quote(render("part" + std::to_string(start) + "." + partKind,
                                  "--start-frame " + std::to_string(start) + " --frames 60",
                                  quote(clip)));
    const std::string joined = folder_.file(std::string("joined.") + outputKind);
    RunResult result = tool("join" + parts + " --audio " + quote(clip) + " -o " + quote(joined));
    ASSERT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find("joined 3 parts, 180 frames with audio"), std::string::npos)
        << result.output;
    auto info = probe(joined);
    EXPECT_EQ(info["nb_read_frames"], "180");
    EXPECT_EQ(info["r_frame_rate"], "25/1");
    EXPECT_EQ(info["audio_streams"], "1");
    result = run("ffmpeg -v error -i " + quote(joined) + " -f null -");
    EXPECT_EQ(result.output, "");
    const auto frames = frameLines(joined, "v");
    ASSERT_EQ(frames.size(), 180u);
    for (size_t i = 1; i < frames.size(); ++i)
      EXPECT_EQ(frames[i].pts, frames[i - 1].pts + frames[i - 1].duration) << "frame " << i;
  }
}

TEST_F(JoinTest, MismatchedPartsAreRefusedNamingThePart) {
  const std::string first = render("first.mkv", "--frames 5 --codec ffv1");
  const std::string yuv = folder_.file("yuv.mkv");
  ASSERT_EQ(run("ffmpeg -v error -f lavfi -i testsrc2=size=160x90:rate=25 -frames:v 5 -c:v ffv1 "
                "-pix_fmt yuv420p " +
                quote(yuv))
                .status,
            0);
  struct Case {
    std::string first;
    std::string other;
    std::string cause;
  } cases[] = {
      {first, render("small.mkv", "--frames 5 --codec ffv1", "testsrc --size 160x88"),
       "its size 160x88 differs from the first part's (160x90)"},
      {first, render("h264.mkv", "--frames 5"), "its codec h264 differs from the first part's"},
      {first, yuv, "its pixel format yuv420p differs from the first part's (bgr0)"},
      {render("25.mp4", "--frames 5"), render("30.mp4", "--frames 5 --rate 30"), "its time base"},
      {first, render("fields.mkv", "--frames 5 --codec ffv1 --interlaced tff"),
       "was encoded with other settings"},
  };
  for (const Case& test : cases) {
    const auto before = entriesIn(folder_.path());
    const std::string out = folder_.file("out.mkv");
    RunResult result = tool("join " + quote(test.first) + " " + quote(test.first) + " " +
                            quote(test.other) + " -o " + quote(out));
    EXPECT_EQ(result.status, 1) << test.cause;
    EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1) << result.output;
    EXPECT_NE(result.output.find(test.other + ": " + test.cause), std::string::npos)
        << result.output;
    EXPECT_EQ(entriesIn(folder_.path()), before) << test.cause;
  }
}

TEST_F(JoinTest, WrongArgumentsAreRefusedAndLeaveNoOutput) {
  const std::string part = render("part.mkv", "--frames 5 --codec ffv1");
  const std::string h264 = render("part.mp4", "--frames 5");
  const std::string pcm = folder_.file("pcm.wav");
  const std::string keyless = folder_.file("keyless.mp4");
  ASSERT_EQ(run("ffmpeg -v error -f lavfi -i sine -t 1 -c:a pcm_s16le " + quote(pcm)).status, 0);
  // Without its first frame, the only key frame, a part begins with a frame it cannot decode.
  ASSERT_EQ(run("ffmpeg -v error -i " + quote(h264) + " -c copy -bsf:v " +
                quote("noise=drop=eq(n\\,0)") + " " + quote(keyless))
                .status,
            0);
  const std::string out = folder_.file("out.mkv");
  struct Case {
    std::string arguments;
    std::string named;
  } cases[] = {
      {"-o " + quote(out), "join: needs at least one PART"},
      {quote(part), "--output: is required"},
      {quote(part) + " --bogus -o " + quote(out), "--bogus: unknown option"},
      {quote(folder_.file("missing.mkv")) + " -o " + quote(out), "missing.mkv: does not exist"},
      {quote(folder_.path().string()) + " -o " + quote(out), ": is not a file"},
      {quote(pcm) + " -o " + quote(out), "pcm.wav: holds no video"},
      {quote(part) + " -o " + quote(folder_.file("out.avi")), "out.avi: is neither a video"},
      {quote(part) + " -o " + quote(folder_.file("out.mp4")), "cannot carry the parts' ffv1"},
      {quote(part) + " -o " + quote(part), "part.mkv: is also an input of the join"},
      {quote(part) + " --audio " + quote(part) + " -o " + quote(out), "has no audio to copy"},
      {quote(h264) + " --audio " + quote(pcm) + " -o " + quote(folder_.file("out.mp4")),
       "pcm.wav: its audio (pcm_s16le) cannot be carried by"},
      {quote(keyless) + " -o " + quote(out), "keyless.mp4: does not begin with a key frame"},
  };
  const auto before = entriesIn(folder_.path());
  for (const Case& test : cases) {
    RunResult result = tool("join " + test.arguments);
    EXPECT_EQ(result.status, 1) << test.arguments;
    EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1) << result.output;
    EXPECT_NE(result.output.find(test.named), std::string::npos) << result.output;
    EXPECT_EQ(entriesIn(folder_.path()), before) << test.arguments;
  }
}

}  // namespace
}  // namespace kvxtest
