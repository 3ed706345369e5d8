// The filter instance over real frames, with the effect of libkvxtheme.so on the default page.
#include "theme_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "authoring/theme_json.h"
#include "authoring/theme_packer.h"
#include "support/hostile_themes.h"
#include "support/test_support.h"

namespace kvxfrei0r {
namespace {

constexpr unsigned kWidth = 160;
constexpr unsigned kHeight = 120;

std::vector<uint32_t> gradientFrame() {
  std::vector<uint32_t> frame(kWidth * kHeight);
  for (unsigned y = 0; y < kHeight; ++y)
    for (unsigned x = 0; x < kWidth; ++x) {
      uint8_t* pixel = reinterpret_cast<uint8_t*>(&frame[y * kWidth + x]);
      pixel[0] = static_cast<uint8_t>(200 + x % 50);
      pixel[1] = static_cast<uint8_t>(180 + y % 60);
      pixel[2] = 230;
      pixel[3] = static_cast<uint8_t>(x + y);
    }
  return frame;
}

size_t count(const std::string& text, const std::string& word) {
  size_t found = 0;
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++found;
  return found;
}

// Mean colour difference in a rectangle of the two frames.
double difference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, unsigned x0,
                  unsigned y0, unsigned x1, unsigned y1) {
  double sum = 0;
  for (unsigned y = y0; y < y1; ++y)
    for (unsigned x = x0; x < x1; ++x) {
      const uint8_t* p = reinterpret_cast<const uint8_t*>(&a[y * kWidth + x]);
      const uint8_t* q = reinterpret_cast<const uint8_t*>(&b[y * kWidth + x]);
      for (int c = 0; c < 3; ++c) sum += std::abs(p[c] - q[c]);
    }
  return sum / ((x1 - x0) * (y1 - y0) * 3);
}

bool alphaKept(const std::vector<uint32_t>& in, const std::vector<uint32_t>& out) {
  for (size_t i = 0; i < in.size(); ++i)
    if ((in[i] >> 24) != (out[i] >> 24)) return false;
  return true;
}

TEST(ThemeFilterTest, RefusesSizesThatCannotBeRendered) {
  EXPECT_EQ(ThemeFilter::create(0, 10), nullptr);
  EXPECT_EQ(ThemeFilter::create(10, 0), nullptr);
  EXPECT_EQ(ThemeFilter::create(100000, 100000), nullptr);
}

TEST(ThemeFilterTest, DrawsTheCaptionKeepsThePictureAndAlpha) {
  auto filter = ThemeFilter::create(kWidth, kHeight);
  ASSERT_NE(filter, nullptr);
  filter->setString(kTitle, "Title");
  const std::vector<uint32_t> in = gradientFrame();
  std::vector<uint32_t> out(in.size());
  filter->update(0, in.data(), out.data());
  EXPECT_GT(difference(in, out, 0, 0, 20, 8), 8);
  EXPECT_LT(difference(in, out, 0, kHeight / 2, kWidth, kHeight), 3);
  EXPECT_TRUE(alphaKept(in, out));
  EXPECT_STREQ(filter->string(kTitle), "Title");
}

TEST(ThemeFilterTest, SameValuesReloadNothingAndANewThemeRestartsTheClip) {
  kvxtest::TraceCapture trace;
  auto filter = ThemeFilter::create(kWidth, kHeight);
  const std::vector<uint32_t> in = gradientFrame();
  std::vector<uint32_t> out(in.size());
  for (int frame = 0; frame < 3; ++frame) {
    // What MLT does before every frame.
    filter->setString(kThemePath, "");
    filter->setString(kTitle, "Same");
    filter->update(frame / 25.0 * 1000, in.data(), out.data());
  }
  EXPECT_EQ(count(trace.text(), "BeginKVXEffect"), 1u);
  EXPECT_EQ(count(trace.text(), "DoKVXEffect"), 3u);

  // A theme that cannot be used, set while the clip plays (MLT, Kdenlive), is told once and
  // the clip goes on with the theme it has.
  kvxtest::TempDir folder;
  const std::string missing = folder.file("missing.kvx");
  const std::vector<uint32_t> before = out;
  testing::internal::CaptureStderr();
  for (int frame = 3; frame < 6; ++frame) {
    filter->setString(kThemePath, missing.c_str());
    filter->update(frame / 25.0 * 1000, in.data(), out.data());
  }
  const std::string logged = testing::internal::GetCapturedStderr();
  EXPECT_EQ(count(logged, "missing.kvx: does not exist; the previous theme stays"), 1u) << logged;
  EXPECT_EQ(count(trace.text(), "EndKVXEffect"), 0u);
  EXPECT_EQ(out, before) << "the default page still drawn";

  filter->setString(kThemePath, "");
  filter->update(240, in.data(), out.data());
  EXPECT_EQ(count(trace.text(), "BeginKVXEffect"), 2u);
  EXPECT_NE(out, in);
}

// What the effect cannot do is told once on standard error, and the frames pass through: a
// theme beyond the picture budget, and frames whose placement asks for more than there is.
TEST(ThemeFilterTest, FailuresOfTheEffectAreLoggedOnceAndPassThrough) {
  kvxtest::TempDir folder;
  const auto packed = [&](const std::string& name, const std::string& objects) {
    kvxauthor::ThemeSpec model;
    std::string error;
    EXPECT_TRUE(kvxauthor::parseThemeJson(
        R"({"page": {"width": 64, "height": 48}, "objects": [)" + objects + "]}", folder.path(),
        &model, &error))
        << error;
    const std::string path = folder.file(name + ".kvx");
    EXPECT_TRUE(kvxauthor::packTheme(model, path, &error)) << error;
    return path;
  };
  const std::string huge = packed("huge", kvxtest::kOverBudgetObjects);
  const std::string far = packed("far", kvxtest::kFarPlacementObjects);
  const std::vector<uint32_t> in = gradientFrame();
  for (const auto& [theme, message] :
       {std::pair{huge, "1024 MiB"}, std::pair{far, "could not be composed in full"}}) {
    auto filter = ThemeFilter::create(kWidth, kHeight);
    filter->setString(kThemePath, theme.c_str());
    std::vector<uint32_t> out(in.size());
    testing::internal::CaptureStderr();
    for (int frame = 0; frame < 3; ++frame) filter->update(frame * 40, in.data(), out.data());
    const std::string logged = testing::internal::GetCapturedStderr();
    EXPECT_EQ(count(logged, message), 1u) << logged;
    EXPECT_EQ(count(logged, "\n"), 1u) << logged;
    EXPECT_EQ(out, in);
  }
}

TEST(ThemeFilterTest, InstancesKeepTheirOwnTexts) {
  auto first = ThemeFilter::create(kWidth, kHeight);
  auto second = ThemeFilter::create(kWidth, kHeight);
  first->setString(kTitle, "One");
  second->setString(kTitle, "Two, a longer caption");
  const std::vector<uint32_t> in = gradientFrame();
  std::vector<uint32_t> firstOut(in.size()), secondOut(in.size()), firstAgain(in.size());
  first->update(0, in.data(), firstOut.data());
  second->update(0, in.data(), secondOut.data());
  first->update(40, in.data(), firstAgain.data());
  EXPECT_NE(firstOut, secondOut);
  EXPECT_EQ(firstOut, firstAgain);
}

TEST(ThemeFilterTest, StripsOfOneFramePassThroughUnchanged) {
  // MLT's slice threading: an instance built at a quarter of the height, called per strip.
  const unsigned stripHeight = kHeight / 4;
  auto filter = ThemeFilter::create(kWidth, stripHeight);
  filter->setString(kTitle, "Strips");
  const std::vector<uint32_t> in = gradientFrame();
  std::vector<uint32_t> out(in.size());
  const size_t strip = static_cast<size_t>(kWidth) * stripHeight;
  for (int frame = 0; frame < 2; ++frame)
    for (size_t i = 0; i < 4; ++i)
      filter->update(frame, in.data() + i * strip, out.data() + i * strip);
  // Only the first strip of the first frame is drawn, before the strips can be recognised.
  EXPECT_EQ(out, in);
}

TEST(ThemeFilterTest, EveryParameterIsAStringThatRoundTrips) {
  auto filter = ThemeFilter::create(kWidth, kHeight);
  EXPECT_STREQ(filter->string(kTimeUnit), "auto");
  EXPECT_STREQ(filter->string(kFrameRate), "");
  const char* rate = "30000/1001";
  filter->setParameter(FrameHost::Mlt, kFrameRate, &rate);
  EXPECT_STREQ(filter->string(kFrameRate), "30000/1001");
  filter->setString(kTimeUnit, "s");
  EXPECT_STREQ(filter->string(kTimeUnit), "s");
  filter->setString(kParameterCount, "out of range");
  EXPECT_STREQ(filter->string(kParameterCount), "");
}

TEST(ThemeFilterTest, GStreamerBridgeStringsChangedWhilePlayingAreIgnoredNotRead) {
  auto filter = ThemeFilter::create(kWidth, kHeight);
  const char* values[kParameterCount] = {"", "Before",        "", "", "", "25", "auto",
                                         "", "SlideShowTitle"};
  for (int index = 0; index < kParameterCount; ++index)
    filter->setParameter(FrameHost::GStreamerBridge, index, &values[index]);
  EXPECT_STREQ(filter->string(kTitle), "Before");
  std::vector<uint32_t> in = gradientFrame(), out(in.size());
  filter->update(0, in.data(), out.data());

  // What the bridge hands over when a property changes: the characters themselves. Read as a
  // pointer they would crash the host.
  char changed[] = "\xff\xff\xff\xff\xff\xff\xff\xff later";
  testing::internal::CaptureStderr();
  filter->setParameter(FrameHost::GStreamerBridge, kTitle, changed);
  filter->setParameter(FrameHost::GStreamerBridge, kDate, changed);
  std::string log = testing::internal::GetCapturedStderr();
  EXPECT_STREQ(filter->string(kTitle), "Before");
  EXPECT_STREQ(filter->string(kDate), "");
  EXPECT_EQ(count(log, "kvxtheme element"), 1u) << log;
  filter->update(1, in.data(), out.data());
}

}  // namespace
}  // namespace kvxfrei0r
