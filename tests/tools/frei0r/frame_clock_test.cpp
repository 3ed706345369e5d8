#include "frame_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kvxfrei0r {
namespace {

TEST(FrameClockTest, FfmpegMillisecondsAndMltSecondsGiveTheSameFrames) {
  FrameClock ffmpeg(TimeUnit::Milliseconds);
  FrameClock mlt(TimeUnit::Seconds);
  for (int frame = 0; frame < 50; ++frame) {
    EXPECT_EQ(ffmpeg.frameIndex(frame * 40.0), frame);
    EXPECT_EQ(mlt.frameIndex(frame / 25.0), frame);
  }
}

TEST(FrameClockTest, LearntRateFollowsSeeksBothWays) {
  FrameClock clock(TimeUnit::Seconds);
  const double period = 1001.0 / 30000;
  EXPECT_EQ(clock.frameIndex(0), 0);
  EXPECT_EQ(clock.frameIndex(period), 1);
  EXPECT_EQ(clock.frameIndex(900 * period), 900);
  EXPECT_EQ(clock.frameIndex(901 * period), 901);
  EXPECT_EQ(clock.frameIndex(12 * period), 12);
}

TEST(FrameClockTest, RoundedMillisecondsOfNtscRatesDoNotDrift) {
  // ffmpeg's times of clips with a millisecond time base, as in Matroska files.
  for (double rate : {30000.0 / 1001, 24000.0 / 1001, 24.0, 30.0, 60000.0 / 1001}) {
    FrameClock clock(TimeUnit::Milliseconds);
    for (int frame = 0; frame < 20000; ++frame) {
      double milliseconds = std::round(frame * 1000 / rate);
      ASSERT_EQ(clock.frameIndex(milliseconds), frame) << rate << " fps at " << milliseconds;
    }
  }
}

TEST(FrameClockTest, DroppedFramesAtTheStartDoNotDoubleThePeriod) {
  FrameClock clock(TimeUnit::Seconds);
  EXPECT_EQ(clock.frameIndex(0), 0);
  EXPECT_EQ(clock.frameIndex(0.08), 1);  // the only step so far is taken as one frame
  EXPECT_EQ(clock.frameIndex(0.1), 5);   // 50 fps after all
  EXPECT_EQ(clock.frameIndex(1.0), 50);
}

TEST(FrameClockTest, UnusableTimesContinueTheCount) {
  FrameClock clock(TimeUnit::Milliseconds);
  EXPECT_EQ(clock.frameIndex(0), 0);
  EXPECT_EQ(clock.frameIndex(40), 1);
  // ffmpeg's time of a frame without a timestamp: INT64_MIN × time base × 1000.
  EXPECT_EQ(clock.frameIndex(-9.223372036854776e18 / 25 * 1000), 2);
  EXPECT_EQ(clock.frameIndex(std::numeric_limits<double>::quiet_NaN()), 3);
  EXPECT_EQ(clock.frameIndex(std::numeric_limits<double>::infinity()), 4);
  EXPECT_EQ(clock.frameIndex(200), 5);
  EXPECT_EQ(clock.frameIndex(240), 6);
}

// Subtitle cues are looked up by the host's time; a frame without one gets its frame's start.
TEST(FrameClockTest, SecondsFollowTheUnitAndStandInForUnusableTimes) {
  FrameClock clock(TimeUnit::Milliseconds);
  EXPECT_EQ(clock.frameIndex(0), 0);
  EXPECT_EQ(clock.frameIndex(40), 1);
  EXPECT_DOUBLE_EQ(clock.seconds(40, 1), 0.04);
  const double missing = -9.223372036854776e18 / 25 * 1000;
  EXPECT_EQ(clock.frameIndex(missing), 2);
  EXPECT_DOUBLE_EQ(clock.seconds(missing, 2), 0.08);
  EXPECT_DOUBLE_EQ(clock.seconds(std::numeric_limits<double>::quiet_NaN(), 3), 0.12);
  clock.setUnit(TimeUnit::Seconds);
  EXPECT_DOUBLE_EQ(clock.seconds(1.5, 37), 1.5);
}

TEST(FrameClockTest, ExplicitRateAndUnitWin) {
  FrameClock clock(TimeUnit::Milliseconds);
  clock.setUnit(TimeUnit::Seconds);
  clock.setFrameRate(50);
  EXPECT_EQ(clock.frameIndex(2.0), 100);
  EXPECT_EQ(clock.frameIndex(2.5), 125);
  clock.setUnit(TimeUnit::Automatic);
  EXPECT_EQ(clock.frameIndex(2000), 100);
}

TEST(FrameClockTest, FrameRatesAreReadAsTextInAnyLocale) {
  const struct {
    const char* text;
    double rate;
  } cases[] = {{"25", 25},   {"29.97", 29.97}, {"30000/1001", 30000.0 / 1001},
               {"", 0},      {"0", 0},         {"-25", 0},
               {"25fps", 0}, {"29,97", 0},     {"30000/0", 0},
               {"1/", 0},    {"nan", 0},       {"inf", 0},
               {"1e9", 0},   {" 25", 0},       {"1000", 1000}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(parseFrameRate(c.text), c.rate) << c.text;
}

}  // namespace
}  // namespace kvxfrei0r
