// Every sample theme unpacked and packed again composes the very frames of the theme the build
// packed, with the texts the theme carries and with texts the host supplies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "authoring/theme_json.h"
#include "authoring/theme_packer.h"
#include "authoring/theme_unpacker.h"
#include "host/reference_host.h"
#include "support/test_support.h"

namespace {

constexpr int kWidth = 1280, kHeight = 720;  // the themes' page: no resampling hides a difference

std::vector<uint8_t> gradientFrame() {
  std::vector<uint8_t> frame(static_cast<size_t>(kWidth) * kHeight * 3);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i * 7 / 3);
  return frame;
}

// Frames 0 and 30 (the video theme's clip moves between them), B, G, R.
std::vector<std::vector<uint8_t>> composeFrames(const std::string& theme, bool hostTexts) {
  kvxhost::ReferenceHost host;
  host.setThemePath(theme);
  if (hostTexts)
    host.setTextSource([](int frame, const std::string& key, std::string* text) {
      *text = key + " from the host, frame " + std::to_string(frame);
      return true;
    });
  EXPECT_EQ(host.begin(kWidth, kHeight), 1);
  const std::vector<uint8_t> source = gradientFrame();
  std::vector<std::vector<uint8_t>> frames;
  for (int index : {0, 30}) {
    frames.emplace_back(source.size());
    EXPECT_EQ(host.renderFrame(index, source.data(), kWidth * 3, frames.back().data(), kWidth * 3),
              1);
  }
  host.end();
  return frames;
}

class UnpackedSampleTheme : public testing::TestWithParam<const char*> {};

TEST_P(UnpackedSampleTheme, PacksAgainIntoTheSameFrames) {
  const std::string original = std::string(KVX_THEMES_DIR) + "/" + GetParam() + ".kvx";
  kvxtest::TempDir dir;
  std::string error;
  ASSERT_TRUE(kvxauthor::unpackTheme(original, dir.path() / "unpacked", &error)) << error;
  kvxauthor::ThemeSpec model;
  ASSERT_TRUE(kvxauthor::loadThemeJson(dir.path() / "unpacked" / "theme.json", &model, &error))
      << error;
  const std::string repacked = dir.file("repacked.kvx");
  ASSERT_TRUE(kvxauthor::packTheme(model, repacked, &error)) << error;

  for (bool hostTexts : {false, true}) {
    const auto expected = composeFrames(original, hostTexts);
    const auto actual = composeFrames(repacked, hostTexts);
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
      EXPECT_TRUE(actual[i] == expected[i]) << "frame " << i << (hostTexts ? ", host texts" : "");
  }
}

INSTANTIATE_TEST_SUITE_P(Themes, UnpackedSampleTheme,
                         testing::Values("picture-frame", "lower-third", "holder-ref",
                                         "video-window", "title-card", "news-lower-third"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

}  // namespace
