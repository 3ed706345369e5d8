// Texts from subtitle files end to end: `kvxtheme render --texts FILE.srt` and the frei0r filter
// under ffmpeg show a cue's text on exactly the frames it covers, as if the caption had been
// given for those frames, and no text between cues.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/hosts/host_runner.h"

namespace kvxtest {
namespace {

// At 10 frames a second cue 1 covers frames 2 to 4 and cue 2 frames 7 and 8 (it ends where
// frame 9 starts); at 25 frames a second frames 5 to 12 and 18 to 22.
constexpr const char* kCues =
    "1\n00:00:00,200 --> 00:00:00,500\n<b>First</b> cue\n\n"
    "2\n00:00:00,700 --> 00:00:00,900\nSecond cue\n\n";
constexpr int kFrames = 10;

class SubtitleTextsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveProgram("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed (scripts/install-deps.sh)";
    cues_ = folder_.file("cues.srt");
    std::ofstream(cues_) << kCues;
  }

  // The frames of `kvxtheme render` over the test pattern with `options`.
  std::vector<Picture> render(const std::string& name, const std::string& options) {
    const std::string pattern = folder_.file(name + "_%02d.png");
    RunResult result = run(quote(kvxthemeTool()) +
                           " render --quiet --input testsrc --size 160x120 --rate 10 --frames " +
                           std::to_string(kFrames) + " --output " + quote(pattern) + " " + options);
    EXPECT_EQ(result.status, 0) << result.output;
    std::vector<Picture> frames(kFrames);
    for (int i = 0; i < kFrames; ++i) {
      char file[16];
      std::snprintf(file, sizeof(file), "_%02d.png", i + 1);
      EXPECT_TRUE(readPng(folder_.file(name + file), &frames[i])) << name << file;
    }
    return frames;
  }

  TempDir folder_;
  std::string cues_;
};

bool same(const Picture& a, const Picture& b) {
  return a.width == b.width && a.height == b.height && compare(a, b).max == 0;
}

TEST_F(SubtitleTextsTest, RenderShowsEachCueOnItsFramesAndNothingBetween) {
  const std::vector<Picture> plain = render("plain", "");
  const std::vector<Picture> first = render("first", "--title 'First cue'");
  const std::vector<Picture> second = render("second", "--title 'Second cue'");
  for (int i = 0; i < kFrames; ++i)
    ASSERT_FALSE(same(first[i], plain[i])) << "the caption does not show on frame " << i;
  // The clip-wide title is not shown between cues: the subtitles own the title.
  for (const std::string& options :
       {"--texts " + quote(cues_),
        "--title Default --texts " + quote(cues_) + " --texts-key SlideShowTitle"}) {
    const std::vector<Picture> cued = render("cued", options);
    const char* expected = "..111..22.";
    for (int i = 0; i < kFrames; ++i) {
      const std::vector<Picture>& reference = expected[i] == '1'   ? first
                                              : expected[i] == '2' ? second
                                                                   : plain;
      EXPECT_TRUE(same(cued[i], reference[i])) << options << ": frame " << i;
    }
  }
}

TEST_F(SubtitleTextsTest, TextsKeyFillsAnotherField) {
  const std::vector<Picture> titled = render("titled", "--title Title");
  const std::vector<Picture> first = render("first", "--title Title --description 'First cue'");
  const std::vector<Picture> second = render("second", "--title Title --description 'Second cue'");
  const std::vector<Picture> cued =
      render("cued", "--title Title --texts " + quote(cues_) + " --texts-key Description");
  const char* expected = "..111..22.";
  for (int i = 0; i < kFrames; ++i) {
    const std::vector<Picture>& reference = expected[i] == '1'   ? first
                                            : expected[i] == '2' ? second
                                                                 : titled;
    EXPECT_TRUE(same(cued[i], reference[i])) << "frame " << i;
  }
}

TEST_F(SubtitleTextsTest, UnusableSubtitleFilesAreRefusedInOneLine) {
  const std::string garbage = folder_.file("garbage.srt");
  std::ofstream(garbage) << "this is not a subtitle file\n";
  const std::string latin1 = folder_.file("latin1.srt");
  std::ofstream(latin1) << "1\n00:00:00,200 --> 00:00:00,500\ncaf\xe9\n\n";
  const std::string missing = folder_.file("missing.vtt");
  const std::string out = folder_.file("out.png");
  const std::string theme = kvxtest::buildPath("themes/lower-third.kvx");
  const std::pair<std::string, std::string> cases[] = {
      {"--texts " + quote(missing), missing + ": does not exist"},
      {"--texts " + quote(garbage), garbage + ": holds no cues"},
      {"--texts " + quote(latin1), latin1 + ": the cue at 0:00:00.200 cannot be decoded"},
      {"--texts " + quote(cues_) + " --texts " + quote(garbage), "--texts: takes one subtitle"},
      {"--texts-key Description", "--texts-key: names the key of a subtitle file"},
      {"--texts " + quote(cues_) + " --texts-key ''", "--texts-key: needs the name"},
      // A key no layer shows would render nothing.
      {"--texts " + quote(cues_) + " --texts-key Bogus",
       "--texts-key: Bogus: the default page has no text layer of that name"},
      {"--theme " + quote(theme) + " --texts " + quote(cues_) + " --texts-key Bogus",
       "--texts-key: Bogus: " + theme + " has no text layer of that name"},
  };
  for (const auto& [options, message] : cases) {
    RunResult result = run(quote(kvxthemeTool()) + " render --quiet --input testsrc --output " +
                           quote(out) + " " + options);
    EXPECT_EQ(result.status, 1) << options;
    EXPECT_EQ(result.output.rfind("kvxtheme: " + message, 0), 0u) << result.output;
    EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1) << result.output;
    EXPECT_FALSE(std::filesystem::exists(out));
  }
}

// The frame hashes of ffmpeg applying the filter with `parameters` to 25 frames of a pattern.
std::vector<std::string> filteredFrames(const std::string& parameters) {
  RunResult result =
      run("ffmpeg -v error -f lavfi -i testsrc2=size=160x120:rate=25 -frames:v 25 -vf " +
          quote("frei0r=kvxtheme:" + parameters) + " -f framemd5 -");
  EXPECT_EQ(result.status, 0) << result.output;
  std::vector<std::string> hashes;
  std::istringstream lines(result.output);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty() && line[0] != '#') hashes.push_back(line.substr(line.rfind(',') + 1));
  EXPECT_EQ(hashes.size(), 25u) << result.output;
  return hashes;
}

TEST_F(SubtitleTextsTest, Frei0rFilterUnderFfmpegShowsEachCueOnItsFrames) {
#ifdef KVX_SANITIZED
  GTEST_SKIP() << "plug-in built with sanitizers; ffmpeg cannot load it";
#endif
  if (!KVX_HAVE_FREI0R) GTEST_SKIP() << "built without the frei0r filter";
  // Parameters in order: theme, title, description, date, file name, frame rate, time unit,
  // texts file, texts key.
  const std::vector<std::string> plain = filteredFrames("");
  const std::vector<std::string> first = filteredFrames("|First cue");
  const std::vector<std::string> second = filteredFrames("|Second cue");
  const std::vector<std::string> cued = filteredFrames("|Default||||||" + cues_);
  ASSERT_EQ(cued.size(), 25u);
  for (int i = 0; i < 25; ++i) {
    ASSERT_NE(first[i], plain[i]) << "the caption does not show on frame " << i;
    const bool firstCue = i >= 5 && i <= 12, secondCue = i >= 18 && i <= 22;
    EXPECT_EQ(cued[i], firstCue ? first[i] : secondCue ? second[i] : plain[i]) << "frame " << i;
  }
}

}  // namespace
}  // namespace kvxtest
