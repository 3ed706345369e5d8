// The filter's texts file: a subtitle cue's text in the texts key at the host's time, nothing
// between cues, and the caption parameters back when the file goes or cannot be read.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "theme_filter.h"

namespace kvxfrei0r {
namespace {

constexpr unsigned kWidth = 160;
constexpr unsigned kHeight = 120;

class ThemeFilterTextsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cues_ = folder_.file("cues.srt");
    std::ofstream(cues_) << "1\n00:00:00,200 --> 00:00:00,500\nFirst cue\n\n"
                            "2\n00:00:00,700 --> 00:00:00,900\nSecond cue\n\n";
    for (size_t i = 0; i < in_.size(); ++i) in_[i] = 0xff000000u | (i * 2654435761u >> 8);
  }

  // A filter with `settings` (parameter, value) applied.
  static std::unique_ptr<ThemeFilter> filter(
      const std::vector<std::pair<int, std::string>>& settings) {
    auto made = ThemeFilter::create(kWidth, kHeight);
    for (const auto& [index, value] : settings) made->setString(index, value.c_str());
    return made;
  }

  std::vector<uint32_t> frame(ThemeFilter& filter, double time) {
    std::vector<uint32_t> out(in_.size());
    filter.update(time, in_.data(), out.data());
    return out;
  }

  kvxtest::TempDir folder_;
  std::string cues_;
  std::vector<uint32_t> in_ = std::vector<uint32_t>(kWidth * kHeight);
};

TEST_F(ThemeFilterTextsTest, CuesShowAtTheHostsTimeAndNothingBetween) {
  for (const auto& [unit, scale] : {std::pair{"s", 1.0}, std::pair{"ms", 1000.0}}) {
    auto plain = filter({{kTimeUnit, unit}});
    auto first = filter({{kTimeUnit, unit}, {kTitle, "First cue"}});
    auto second = filter({{kTimeUnit, unit}, {kTitle, "Second cue"}});
    auto cued = filter({{kTimeUnit, unit}, {kTitle, "Default"}, {kTextsFile, cues_}});
    // Frames of 25 a second: 0.5 s, where the first cue ends, shows nothing.
    const std::pair<double, char> expected[] = {{0.0, '.'},  {0.16, '.'}, {0.2, '1'},  {0.48, '1'},
                                                {0.5, '.'},  {0.68, '.'}, {0.72, '2'}, {0.88, '2'},
                                                {0.92, '.'}, {2.0, '.'}};
    for (const auto& [seconds, showing] : expected) {
      const double time = seconds * scale;
      const std::vector<uint32_t> none = frame(*plain, time), one = frame(*first, time),
                                  two = frame(*second, time);
      ASSERT_NE(none, one);
      EXPECT_EQ(frame(*cued, time), showing == '1'   ? one
                                    : showing == '2' ? two
                                                     : none)
          << unit << " at " << seconds << " s";
    }
  }
}

TEST_F(ThemeFilterTextsTest, TheTextsKeyChoosesTheField) {
  auto titled = filter({{kTitle, "Title"}});
  auto described = filter({{kTitle, "Title"}, {kDescription, "Second cue"}});
  auto cued = filter(
      {{kTitle, "Title"}, {kTextsFile, cues_}, {kTextsKey, "Description"}, {kTimeUnit, "s"}});
  EXPECT_EQ(frame(*cued, 0.8), frame(*described, 0.8));
  EXPECT_EQ(frame(*cued, 1.2), frame(*titled, 1.2));
  EXPECT_STREQ(cued->string(kTextsKey), "Description");
  // An empty key is the title's.
  cued->setString(kTextsKey, "");
  EXPECT_NE(frame(*cued, 1.2), frame(*titled, 1.2));
}

TEST_F(ThemeFilterTextsTest, AFileThatCannotBeReadIsReportedOnceAndTheCaptionsStay) {
  auto titled = filter({{kTitle, "Default"}});
  const std::vector<uint32_t> expected = frame(*titled, 0.3);
  const std::string broken = folder_.file("broken.srt");
  std::ofstream(broken) << "not subtitles\n";
  auto cued = filter({{kTitle, "Default"}, {kTimeUnit, "s"}});
  testing::internal::CaptureStderr();
  for (int i = 0; i < 3; ++i) cued->setString(kTextsFile, broken.c_str());  // as MLT does
  const std::string logged = testing::internal::GetCapturedStderr();
  EXPECT_EQ(logged, "kvxtheme frei0r filter: " + broken +
                        ": holds no cues with text (is it a subtitle file?); no texts are taken "
                        "from it\n");
  EXPECT_EQ(frame(*cued, 0.3), expected);

  // A good file replaces it, and an empty name gives the title back.
  cued->setString(kTextsFile, cues_.c_str());
  EXPECT_NE(frame(*cued, 0.3), expected);
  cued->setString(kTextsFile, "");
  EXPECT_EQ(frame(*cued, 0.3), expected);
}

TEST_F(ThemeFilterTextsTest, TextsParametersComeLastWithTheirDefaults) {
  EXPECT_EQ(kTextsFile, kTimeUnit + 1);
  EXPECT_EQ(kTextsKey, kParameterCount - 1);
  auto fresh = ThemeFilter::create(kWidth, kHeight);
  EXPECT_STREQ(fresh->string(kTextsFile), "");
  EXPECT_STREQ(fresh->string(kTextsKey), "SlideShowTitle");
  fresh->setString(kTextsFile, cues_.c_str());
  EXPECT_EQ(fresh->string(kTextsFile), cues_);
}

}  // namespace
}  // namespace kvxfrei0r
