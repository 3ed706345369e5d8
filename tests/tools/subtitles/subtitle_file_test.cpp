// Subtitle files read through FFmpeg's demuxers and decoders: SubRip, WebVTT and ASS alike,
// their text kept byte for byte, and files that cannot be used refused naming them.
#include "subtitles/subtitle_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "support/test_support.h"

namespace kvxsubs {
namespace {

std::string textAt(const SubtitleCues& cues, int64_t microseconds) {
  const std::string* text = cues.textAt(microseconds);
  return text ? *text : "<none>";
}

class SubtitleFileTest : public ::testing::Test {
 protected:
  std::string write(const std::string& name, const std::string& contents) {
    const std::string path = folder_.file(name);
    std::ofstream(path, std::ios::binary) << contents;
    return path;
  }
  kvxtest::TempDir folder_;
};

constexpr const char* kAssHeader = R"([Script Info]
ScriptType: v4.00+

[V4+ Styles]
Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding
Style: Default,Arial,20,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,1,0,2,10,10,10,1

[Events]
Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text
)";

// The same three cues in each format, with its own markup: bold, a line break, Japanese and
// Arabic text, and a gap before the last cue.
TEST_F(SubtitleFileTest, SubRipWebVttAndAssGiveTheSameCues) {
  const std::pair<std::string, std::string> files[] = {
      {"cues.srt",
       "1\n00:00:00,200 --> 00:00:00,500\n<b>Hello</b>, world\nsecond line\n\n"
       "2\n00:00:00,500 --> 00:00:01,000\n日本語の字幕\n\n"
       "3\n00:00:02,000 --> 00:00:03,250\n<i>مرحبا</i> بالعالم\n\n"},
      {"cues.vtt",
       "WEBVTT\n\n00:00.200 --> 00:00.500 align:start\n<b>Hello</b>, world\nsecond line\n\n"
       "00:00.500 --> 00:01.000\n日本語の字幕\n\n"
       "00:02.000 --> 00:03.250\n<i>مرحبا</i> بالعالم\n\n"},
      {"cues.ass", std::string(kAssHeader) +
                       "Dialogue: 0,0:00:00.20,0:00:00.50,Default,Bob,0,0,0,,{\\b1}Hello{\\b0}, "
                       "world\\Nsecond line\n"
                       "Dialogue: 0,0:00:00.50,0:00:01.00,Default,,0,0,0,,{\\an8}日本語の字幕\n"
                       "Dialogue: 0,0:00:02.00,0:00:03.25,Default,,0,0,0,,{\\i1}مرحبا{\\i0} "
                       "بالعالم\n"},
      {"cues.SSA", std::string(kAssHeader) +
                       "Dialogue: 0,0:00:00.20,0:00:00.50,Default,,0,0,0,,Hello, world\\n"
                       "second line\n"
                       "Dialogue: 0,0:00:00.50,0:00:01.00,Default,,0,0,0,,日本語の字幕\n"
                       "Dialogue: 0,0:00:02.00,0:00:03.25,Default,,0,0,0,,مرحبا\\hبالعالم\n"},
  };
  for (const auto& [name, contents] : files) {
    SubtitleCues cues;
    std::string error;
    ASSERT_TRUE(readSubtitleFile(write(name, contents), &cues, &error)) << error;
    EXPECT_EQ(cues.size(), 3u) << name;
    const std::pair<int64_t, std::string> expected[] = {
        {199999, "<none>"},
        {200000, "Hello, world\nsecond line"},
        {499999, "Hello, world\nsecond line"},
        {500000, "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe3\x81\xae\xe5\xad\x97\xe5\xb9\x95"},
        {999999, "日本語の字幕"},
        {1000000, "<none>"},
        {2000000,
         "\xd9\x85\xd8\xb1\xd8\xad\xd8\xa8\xd8\xa7 "
         "\xd8\xa8\xd8\xa7\xd9\x84\xd8\xb9\xd8\xa7\xd9\x84\xd9\x85"},
        {3249999, "مرحبا بالعالم"},
        {3250000, "<none>"}};
    for (const auto& [time, text] : expected)
      EXPECT_EQ(textAt(cues, time), text) << name << " at " << time;
  }
}

TEST_F(SubtitleFileTest, OverlappingCuesInAFileShowTheLaterStart) {
  const std::string path = write("overlap.srt",
                                 "1\n00:00:00,000 --> 00:00:10,000\nwhole\n\n"
                                 "2\n00:00:02,000 --> 00:00:04,000\ninside\n\n"
                                 "3\n00:00:03,000 --> 00:00:06,000\nlater still\n\n");
  SubtitleCues cues;
  std::string error;
  ASSERT_TRUE(readSubtitleFile(path, &cues, &error)) << error;
  EXPECT_EQ(textAt(cues, 1999999), "whole");
  EXPECT_EQ(textAt(cues, 2000000), "inside");
  EXPECT_EQ(textAt(cues, 3000000), "later still");
  EXPECT_EQ(textAt(cues, 5999999), "later still");
  EXPECT_EQ(textAt(cues, 6000000), "whole");
  EXPECT_EQ(textAt(cues, 10000000), "<none>");
}

TEST_F(SubtitleFileTest, TenThousandCuesAreLookedUpForEveryFrame) {
  // Cue k shows from k × 400 ms + 120 ms to k × 400 ms + 280 ms: frames 3 to 6 of every ten
  // at 25 frames a second, and nothing on the others.
  std::string srt;
  char timing[64];
  const auto clock = [](int64_t ms) {
    char text[24];
    std::snprintf(text, sizeof(text), "%02d:%02d:%02d,%03d", static_cast<int>(ms / 3600000),
                  static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60),
                  static_cast<int>(ms % 1000));
    return std::string(text);
  };
  for (int k = 0; k < 10000; ++k) {
    std::snprintf(timing, sizeof(timing), "%s --> %s", clock(k * 400 + 120).c_str(),
                  clock(k * 400 + 280).c_str());
    srt += std::to_string(k + 1) + "\n" + timing + "\ncue " + std::to_string(k) + "\n\n";
  }
  SubtitleCues cues;
  std::string error;
  ASSERT_TRUE(readSubtitleFile(write("many.srt", srt), &cues, &error)) << error;
  ASSERT_EQ(cues.size(), 10000u);
  int shown = 0;
  for (int64_t frame = 0; frame < 100000; ++frame) {
    const std::string* text = cues.textAt(frameStartMicroseconds(frame, 25, 1));
    const int64_t inCycle = frame % 10;
    // Frame 7 of a cycle starts at 280 ms, where the cue ends.
    if (inCycle >= 3 && inCycle <= 6) {
      ASSERT_NE(text, nullptr) << "frame " << frame;
      ASSERT_EQ(*text, "cue " + std::to_string(frame / 10)) << "frame " << frame;
      ++shown;
    } else {
      ASSERT_EQ(text, nullptr) << "frame " << frame;
    }
  }
  EXPECT_EQ(shown, 40000);
}

TEST_F(SubtitleFileTest, UnusableFilesAreRefusedNamingThem) {
  const std::string big = folder_.file("big.srt");
  std::ofstream(big) << "1\n";
  std::filesystem::resize_file(big, kMaxSubtitleFileBytes + 1);
  const std::string fifo = folder_.file("fifo.srt");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_directory(folder_.file("folder.srt"));
  const std::pair<std::string, const char*> cases[] = {
      {folder_.file("missing.srt"), "does not exist"},
      {folder_.file("folder.srt"), "is a folder"},
      {fifo, "is not a regular file"},
      {big, "is larger than 64 MiB"},
      {write("empty.srt", ""), "holds no cues"},
      {write("prose.srt", "Dear diary,\nnothing happened today.\n"), "holds no cues"},
      {write("binary.vtt", std::string("\x00\x01\x02\xff\xfe", 5)), "holds no cues"},
      {write("garbage.ass", "[Events]\nnot a dialogue line\n"), "holds no cues"},
      {write("latin1.srt", "1\n00:00:00,200 --> 00:00:00,500\ncaf\xe9\n\n"),
       "the cue at 0:00:00.200 cannot be decoded"},
      {write("unknown.txt", "just some text"), "is not a subtitle file FFmpeg reads"},
      {write("a.m3u8", "#EXTM3U\n#EXTINF:1,\n/etc/passwd\n"), "is not a subtitle file"},
  };
  for (const auto& [path, cause] : cases) {
    SubtitleCues cues({{0, 10, "kept"}});
    std::string error;
    EXPECT_FALSE(readSubtitleFile(path, &cues, &error)) << path;
    EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
    EXPECT_NE(error.find(cause), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    EXPECT_EQ(cues.size(), 1u) << "the cues were changed by a refused file: " << path;
  }
}

// Found by fuzzing: cue times of tens of thousands of years, whose rescale to microseconds
// overflows, are dropped instead of wrapping around (the sanitizer build stops on the overflow).
TEST_F(SubtitleFileTest, CueTimesBeyondAnyClipAreDropped) {
  const std::string scrambled(
      "[T-->bf:t\nDialoguormal\233,0:00:00.20u000\n00:00.50,\272t\nDialogug: "
      "\233,0'1\n00:00.50,\272t\nDialogue: "
      "\233,440444444444444444:00:00.20,0:00:00.50,Defau****t,,{\\i0}0t ITex\000\nDailogue: "
      "\233,0:00::'0'1\n00:00.50,\272t\nDialogue: "
      "\233,04444444444444444:0:4000.20,0:00:00.50,Deuee\n",
      248);
  SubtitleCues cues;
  std::string error;
  if (readSubtitleFile(write("scrambled.ass", scrambled), &cues, &error)) {
    for (int64_t at : {int64_t{0}, int64_t{200000}, int64_t{1} << 40, -(int64_t{1} << 40)})
      EXPECT_EQ(textAt(cues, at), "<none>") << at;
  } else {
    EXPECT_NE(error.find("holds no cues"), std::string::npos) << error;
  }
}

TEST_F(SubtitleFileTest, OtherTextFormatsAreRecognisedByTheirContent) {
  // A name without a subtitle extension: FFmpeg recognises SubRip by the content.
  const std::string path = write("subtitles.txt", "1\n00:00:01,000 --> 00:00:02,000\nplain\n\n");
  SubtitleCues cues;
  std::string error;
  ASSERT_TRUE(readSubtitleFile(path, &cues, &error)) << error;
  EXPECT_EQ(textAt(cues, 1500000), "plain");
}

}  // namespace
}  // namespace kvxsubs
