// Cues as a lookup by time: overlaps, frame boundaries, and agreement with a plain search.
#include "subtitles/subtitle_cues.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace kvxsubs {
namespace {

std::string textAt(const SubtitleCues& cues, int64_t microseconds) {
  const std::string* text = cues.textAt(microseconds);
  return text ? *text : "<none>";
}

// The cue showing at `time` by the rule itself: of the cues covering it, the latest start,
// and of equal starts the later in the list.
std::string naiveTextAt(const std::vector<Cue>& cues, int64_t time) {
  const Cue* showing = nullptr;
  for (const Cue& cue : cues)
    if (!cue.text.empty() && cue.start <= time && time < cue.end &&
        (!showing || cue.start >= showing->start))
      showing = &cue;
  return showing ? showing->text : "<none>";
}

TEST(SubtitleCuesTest, OverlappingCuesShowTheLaterStart) {
  // A long cue, one starting inside it and ending first (A shows again), one starting inside
  // that and outlasting it, two starting together (the later in the list wins), and a cue
  // given before an earlier-starting one.
  const SubtitleCues cues({{0, 100, "A"},
                           {20, 40, "B"},
                           {30, 60, "C"},
                           {200, 300, "D"},
                           {200, 250, "E"},
                           {500, 600, "G"},
                           {400, 550, "F"}});
  const std::pair<int64_t, const char*> expected[] = {
      {-1, "<none>"}, {0, "A"},   {19, "A"},      {20, "B"},       {29, "B"},       {30, "C"},
      {59, "C"},      {60, "A"},  {99, "A"},      {100, "<none>"}, {199, "<none>"}, {200, "E"},
      {249, "E"},     {250, "D"}, {299, "D"},     {300, "<none>"}, {400, "F"},      {499, "F"},
      {500, "G"},     {599, "G"}, {600, "<none>"}};
  for (const auto& [time, text] : expected) EXPECT_EQ(textAt(cues, time), text) << "at " << time;
  EXPECT_EQ(cues.size(), 7u);
}

TEST(SubtitleCuesTest, CuesWithoutTextOrLengthAreDropped) {
  const SubtitleCues cues(
      {{0, 100, ""}, {10, 10, "empty span"}, {50, 20, "backwards"}, {30, 40, "kept"}});
  EXPECT_EQ(cues.size(), 1u);
  EXPECT_EQ(textAt(cues, 5), "<none>");
  EXPECT_EQ(textAt(cues, 10), "<none>");
  EXPECT_EQ(textAt(cues, 35), "kept");
  EXPECT_TRUE(SubtitleCues().empty());
  EXPECT_EQ(textAt(SubtitleCues(), 0), "<none>");
}

TEST(SubtitleCuesTest, FramesAreTimedByTheirStartAndACueEndingThereDoesNotCoverThem) {
  struct Case {
    int num, den;
    int64_t frame, start;
  } cases[] = {{25, 1, 0, 0},           {25, 1, 12, 480000},
               {10, 1, 5, 500000},      {30000, 1001, 30, 1001000},
               {30000, 1001, 1, 33366}, {24000, 1001, 3, 125125},
               {30000, 1001, 2, 66733}, {25, 1, 3600 * 25, 3600000000}};
  for (const Case& c : cases)
    EXPECT_EQ(frameStartMicroseconds(c.frame, c.num, c.den), c.start)
        << c.frame << " at " << c.num << "/" << c.den;

  // 1.001 s is the start of frame 30 at 29.97 frames a second: the cue ends there.
  const SubtitleCues cues({{0, 1001000, "first"}, {1001000, 2002000, "second"}});
  const auto at = [&](int64_t frame) {
    return textAt(cues, frameStartMicroseconds(frame, 30000, 1001));
  };
  EXPECT_EQ(at(29), "first");
  EXPECT_EQ(at(30), "second");
  EXPECT_EQ(at(59), "second");
  EXPECT_EQ(at(60), "<none>");
  // Frame 1 starts a third of a microsecond after 33,366 µs: a cue from 33,367 µs misses it.
  EXPECT_EQ(textAt(SubtitleCues({{33367, 40000, "late"}}), frameStartMicroseconds(1, 30000, 1001)),
            "<none>");
  EXPECT_EQ(textAt(SubtitleCues({{0, 33367, "early"}}), frameStartMicroseconds(1, 30000, 1001)),
            "early");
}

TEST(SubtitleCuesTest, HostSecondsBecomeMicrosecondsDespiteTheirRounding) {
  // ffmpeg's frei0r filter computes pts × time base × 1000, melt position / fps.
  for (int frame = 0; frame < 2000; ++frame) {
    const double milliseconds = frame * (1.0 / 25) * 1000;
    EXPECT_EQ(secondsToMicroseconds(milliseconds / 1000), frame * int64_t{40000}) << frame;
    const double melt = frame / (30000.0 / 1001);
    EXPECT_EQ(secondsToMicroseconds(melt), frameStartMicroseconds(frame, 30000, 1001)) << frame;
  }
  EXPECT_EQ(secondsToMicroseconds(-0.5), -500000);
  EXPECT_EQ(secondsToMicroseconds(1e300), INT64_MAX);
  EXPECT_EQ(secondsToMicroseconds(-1e300), INT64_MIN);
  EXPECT_EQ(secondsToMicroseconds(std::nan("")), INT64_MIN);
}

TEST(SubtitleCuesTest, LookupsAgreeWithAPlainSearchOverManyOverlappingCues) {
  std::mt19937 random(1234);
  std::uniform_int_distribution<int64_t> start(0, 100000), length(1, 8000);
  std::vector<Cue> cues;
  for (int i = 0; i < 3000; ++i) {
    const int64_t from = start(random);
    cues.push_back(Cue{from, from + length(random), "cue " + std::to_string(i)});
  }
  // Some starting together, and some repeated text.
  cues.push_back(Cue{cues[10].start, cues[10].start + 5, "with ten"});
  cues.push_back(Cue{cues[20].start, cues[20].end, "cue 20"});
  const SubtitleCues lookup(cues);
  for (int64_t time = -10; time < 110000; time += 7)
    ASSERT_EQ(textAt(lookup, time), naiveTextAt(cues, time)) << "at " << time;
}

}  // namespace
}  // namespace kvxsubs
