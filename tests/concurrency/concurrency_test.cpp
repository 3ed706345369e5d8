// Effects on several threads at once, as MLT and GStreamer run them: independent effects over
// every sample theme (the video window's reader included), copies of one effect sharing its
// document, and frei0r filter instances. Each thread's frames must equal the same frames
// rendered alone; the thread-sanitizer build runs these too.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "host/reference_host.h"
#if KVX_HAVE_FREI0R
#include "theme_filter.h"
#endif

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 180;
constexpr int kFrames = 12;

std::vector<uint8_t> sourceFrame(int index) {
  std::vector<uint8_t> frame(static_cast<size_t>(kWidth) * kHeight * 3);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i * 7 + index * 13);
  return frame;
}

std::vector<std::string> sampleThemes() {
  std::vector<std::string> themes;
  for (const auto& entry : std::filesystem::directory_iterator(KVX_THEMES_DIR))
    if (entry.path().extension() == ".kvx") themes.push_back(entry.path().string());
  return themes;
}

// Every frame of one clip of `theme`, rendered by its own effect.
std::vector<std::vector<uint8_t>> renderClip(const std::string& theme) {
  kvxhost::ReferenceHost host;
  host.setThemePath(theme);
  host.setTextSource([](int frame, const std::string&, std::string* text) {
    *text = "Title " + std::to_string(frame);
    return true;
  });
  std::vector<std::vector<uint8_t>> frames;
  if (!host.begin(kWidth, kHeight)) return frames;
  for (int i = 0; i < kFrames; ++i) {
    const std::vector<uint8_t> source = sourceFrame(i);
    std::vector<uint8_t> out(source.size());
    host.renderFrame(i, source.data(), kWidth * 3, out.data(), kWidth * 3);
    frames.push_back(std::move(out));
  }
  host.end();
  return frames;
}

void runTogether(int count, const std::function<void(int)>& work) {
  std::vector<std::thread> threads;
  for (int i = 0; i < count; ++i) threads.emplace_back(work, i);
  for (std::thread& thread : threads) thread.join();
}

TEST(Concurrency, IndependentEffectsOnEverySampleTheme) {
  const std::vector<std::string> themes = sampleThemes();
  ASSERT_FALSE(themes.empty()) << "no sample themes in " << KVX_THEMES_DIR;
  std::vector<std::vector<std::vector<uint8_t>>> alone;
  for (const std::string& theme : themes) alone.push_back(renderClip(theme));
  // Two effects per theme at once, so every theme also meets a twin of itself.
  const int count = static_cast<int>(themes.size()) * 2;
  std::vector<std::vector<std::vector<uint8_t>>> together(count);
  runTogether(count, [&](int i) { together[i] = renderClip(themes[i / 2]); });
  for (int i = 0; i < count; ++i) {
    ASSERT_EQ(together[i].size(), static_cast<size_t>(kFrames)) << themes[i / 2];
    for (int frame = 0; frame < kFrames; ++frame)
      EXPECT_EQ(together[i][frame], alone[i / 2][frame]) << themes[i / 2] << " frame " << frame;
  }
}

// Copies of one effect share its document; calls from several threads take turns on it.
TEST(Concurrency, CopiesSharingADocumentTakeTurns) {
  const std::vector<std::string> themes = sampleThemes();
  ASSERT_FALSE(themes.empty());
  const std::vector<std::vector<uint8_t>> alone = renderClip(themes.front());
  kvxhost::ReferenceHost host;
  host.setThemePath(themes.front());
  host.setTextSource([](int frame, const std::string&, std::string* text) {
    *text = "Title " + std::to_string(frame);
    return true;
  });
  ASSERT_NE(host.begin(kWidth, kHeight), 0);
  constexpr int kCopies = 4;
  std::vector<CThemeEffect> copies(kCopies, host.effect());
  std::vector<std::vector<uint8_t>> results(kFrames);
  runTogether(kCopies, [&](int copy) {
    // Each copy renders every fourth frame through its own row arrays and host record.
    DSADAPTRECEXT record = host.record();
    std::vector<unsigned char*> sourceRows(kHeight), destinationRows(kHeight);
    for (int frame = copy; frame < kFrames; frame += kCopies) {
      std::vector<uint8_t> source = sourceFrame(frame);
      results[frame].assign(source.size(), 0);
      for (int y = 0; y < kHeight; ++y) {
        sourceRows[y] = source.data() + static_cast<size_t>(y) * kWidth * 3;
        destinationRows[y] = results[frame].data() + static_cast<size_t>(y) * kWidth * 3;
      }
      record.frameCounter = static_cast<uint32_t>(frame);
      copies[copy].DoKVXEffect(sourceRows.data(), destinationRows.data(), kHeight, kWidth, &record);
    }
  });
  host.end();
  for (CThemeEffect& copy : copies) copy.EndKVXEffect(nullptr, nullptr, 0, 0, &host.record());
  for (int frame = 0; frame < kFrames; ++frame)
    EXPECT_EQ(results[frame], alone[frame]) << "frame " << frame;
}

#if KVX_HAVE_FREI0R
TEST(Concurrency, FilterInstancesOnTheirOwnThreads) {
  const std::vector<std::string> themes = sampleThemes();
  ASSERT_FALSE(themes.empty());
  constexpr int kFilters = 4;
  std::vector<std::vector<uint32_t>> outputs(kFilters);
  runTogether(kFilters, [&](int i) {
    auto filter = kvxfrei0r::ThemeFilter::create(kWidth, kHeight);
    ASSERT_NE(filter, nullptr);
    filter->setString(kvxfrei0r::kThemePath, themes[i % themes.size()].c_str());
    filter->setString(kvxfrei0r::kTitle, "Together");
    std::vector<uint32_t> input(static_cast<size_t>(kWidth) * kHeight, 0xFF336699u);
    outputs[i].assign(input.size(), 0);
    for (int frame = 0; frame < kFrames; ++frame)
      filter->update(frame / 25.0, input.data(), outputs[i].data());
  });
  // Instances of the same theme agree frame for frame, whatever ran beside them.
  for (int i = static_cast<int>(themes.size()); i < kFilters; ++i)
    EXPECT_EQ(outputs[i], outputs[i % themes.size()]) << i;
}
#endif

}  // namespace
