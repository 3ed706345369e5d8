// Frames composed in bands on several threads are the frames of one thread, for every sample
// theme, progressive and in both field orders, at the page's size and resized.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/reference_host.h"
#include "kvxtheme/kvxtheme.h"

namespace {

std::vector<uint8_t> composeFrames(const std::string& theme, int width, int height,
                                   kvxhost::FieldOrder order, int threads) {
  kvxthemeSetThreads(threads);
  kvxhost::ReferenceHost host;
  if (!theme.empty()) host.setThemePath(std::string(KVX_THEMES_DIR) + "/" + theme + ".kvx");
  host.setTextSource([](int, const std::string& key, std::string* text) {
    if (key != "SlideShowTitle") return false;
    *text = "Bands";
    return true;
  });
  EXPECT_EQ(host.begin(width, height, order), 1);
  std::vector<uint8_t> source(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 7 + i / 4093);
  std::vector<uint8_t> frames;
  std::vector<uint8_t> output(source.size());
  for (int frame = 0; frame < 1; ++frame) {
    host.renderFrame(frame, source.data(), width * 3, output.data(), width * 3);
    frames.insert(frames.end(), output.begin(), output.end());
  }
  host.end();
  return frames;
}

TEST(BandedCompose, EveryThreadCountGivesTheSameFrames) {
  const struct { int width, height; } sizes[] = {{1280, 720}, {1920, 1080}, {720, 576}};
  for (const std::string theme : {"", "picture-frame", "lower-third", "holder-ref", "video-window",
                                  "title-card", "news-lower-third"})
    for (const auto& size : sizes)
      for (auto order : {kvxhost::FieldOrder::Progressive, kvxhost::FieldOrder::TopFieldFirst,
                         kvxhost::FieldOrder::BottomFieldFirst}) {
        SCOPED_TRACE(theme + " " + std::to_string(size.width) + "x" + std::to_string(size.height) +
                     " order " + std::to_string(static_cast<int>(order)));
        const std::vector<uint8_t> single = composeFrames(theme, size.width, size.height, order, 1);
        EXPECT_TRUE(single == composeFrames(theme, size.width, size.height, order, 3));
      }
  kvxthemeSetThreads(0);
}

}  // namespace
