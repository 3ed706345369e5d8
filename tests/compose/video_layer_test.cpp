#include "compose/video_layer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <thread>

#include "compat/win32/module_directory.h"
#include "compose/clip_state.h"
#include "compose/compose_frame.h"
#include "compose/overlay.h"
#include "compose/picture_fit.h"
#include "compose/text_layers.h"
#include "document/theme_document.h"
#include "io/test_video.h"

namespace {

// A test video in the program's directory, where themes look for their videos.
class ModuleVideo {
 public:
  // Odd sizes are stored losslessly (ffv1): H.264 in 4:2:0 needs even sizes.
  ModuleVideo(const std::string& name, int width, int height, int frames)
      : name_("kvx-test-" + std::to_string(getpid()) + "-" + name) {
    const bool even = width % 2 == 0 && height % 2 == 0;
    ok_ = kvxtest::writeTestVideo(path(), width, height, frames,
                                  even ? kvxtest::videoOptions("libx264", "yuv420p", 25, "crf=10")
                                       : kvxtest::videoOptions("ffv1", "bgr0"));
  }
  ~ModuleVideo() { std::filesystem::remove(path()); }
  std::string path() const { return cachedModuleDirectory() + name_; }
  const std::string& name() const { return name_; }
  bool ok() const { return ok_; }

 private:
  std::string name_;
  bool ok_ = false;
};

// A page holding only a grey "video" object of the layer's size.
std::unique_ptr<ThemeDocument> videoPage(const std::string& fileName, int width, int height) {
  auto document = std::make_unique<ThemeDocument>();
  document->pageWidth = width;
  document->pageHeight = height;
  auto object = std::make_unique<ThemeObject>();
  copyToField(object->name, sizeof(object->name), "Video");
  object->width = width;
  object->height = height;
  object->linkText = fileName;
  const uint32_t grey = 0x808080, opaque = 255;
  object->imageBuffer = kvx::pixels::makeFilledBuffer(24, width, height, grey);
  object->maskBuffer = kvx::pixels::makeFilledBuffer(8, width, height, opaque);
  document->objects.push_back(std::move(object));
  return document;
}

struct Output {
  Output(int width, int height) : width(width), height(height), bytes(width * height * 3) {
    for (int y = 0; y < height; ++y) rows.push_back(bytes.data() + y * width * 3);
  }
  int compose(ClipState& clip, int frameIndex) {
    return composeFrame(clip, rows.data(), rows.data(), height, width, frameIndex, 0);
  }
  int frameNumber(int videoWidth, int videoHeight) const {
    return kvxtest::readFrameNumber(bytes.data(), width * 3, videoWidth, videoHeight);
  }
  int width, height;
  std::vector<uint8_t> bytes;
  std::vector<unsigned char*> rows;
};

}  // namespace

TEST(VideoLayer, PlaysTheVideoLoopingByFrameNumber) {
  ModuleVideo video("loop.mp4", 64, 48, 100);
  ASSERT_TRUE(video.ok());
  auto document = videoPage(video.name(), 64, 48);
  Output output(64, 48);
  ClipState clip(*document);
  for (int frame : {0, 1, 2, 50, 99, 100, 250, 7}) {
    ASSERT_EQ(output.compose(clip, frame), 1);
    EXPECT_EQ(output.frameNumber(64, 48), frame % 100) << "frame " << frame;
  }
}

TEST(VideoLayer, FrameLandsTopLeftClippedToTheLayer) {
  ModuleVideo video("clip.mp4", 320, 240, 3);
  ASSERT_TRUE(video.ok());
  auto document = videoPage(video.name(), 400, 200);
  Output output(400, 200);
  ClipState clip(*document);
  ASSERT_EQ(output.compose(clip, 1), 1);
  EXPECT_EQ(output.frameNumber(320, 240), 1);
  EXPECT_EQ(output.bytes[(100 * 400 + 390) * 3], 0x80) << "the right 80 columns keep the layer";
}

TEST(VideoLayer, OddWidthRowsAreReadWithTheirPadding) {
  ModuleVideo video("odd.mkv", 321, 64, 4);
  ASSERT_TRUE(video.ok());
  auto document = videoPage(video.name(), 321, 64);
  Output output(321, 64);
  ClipState clip(*document);
  for (int frame : {3, 2}) {
    ASSERT_EQ(output.compose(clip, frame), 1);
    EXPECT_EQ(output.frameNumber(321, 64), frame);
  }
}

TEST(VideoLayer, MissingFileLeavesAPictureLayerAndIsNotRetried) {
  auto document = videoPage("kvx-no-such-video.mp4", 64, 48);
  Output output(64, 48);
  ClipState clip(*document);
  ASSERT_EQ(output.compose(clip, 0), 1);
  EXPECT_TRUE(clip.video.opened);
  EXPECT_EQ(output.bytes[0], 0x80);
  ModuleVideo late("kvx-no-such-video.mp4", 64, 48, 2);  // appears only after the first try
  ASSERT_EQ(output.compose(clip, 1), 1);
  EXPECT_EQ(output.bytes[0], 0x80);
}

TEST(VideoLayer, ConsecutiveAndSimultaneousDocumentsKeepTheirOwnReaders) {
  ModuleVideo first("first.mp4", 64, 48, 10), second("second.mp4", 64, 48, 20);
  ASSERT_TRUE(first.ok());
  ASSERT_TRUE(second.ok());
  for (int round = 0; round < 2; ++round) {
    auto document = videoPage(first.name(), 64, 48);
    Output output(64, 48);
    ClipState clip(*document);
    ASSERT_EQ(output.compose(clip, 13), 1);
    EXPECT_EQ(output.frameNumber(64, 48), 3);
  }
  auto run = [](const std::string& name, int frames, int* mismatches) {
    auto document = videoPage(name, 64, 48);
    Output output(64, 48);
    ClipState clip(*document);
    for (int frame = 0; frame < 30; ++frame) {
      output.compose(clip, frame);
      if (output.frameNumber(64, 48) != frame % frames) ++*mismatches;
    }
  };
  int firstMismatches = 0, secondMismatches = 0;
  std::thread a(run, first.name(), 10, &firstMismatches);
  std::thread b(run, second.name(), 20, &secondMismatches);
  a.join();
  b.join();
  EXPECT_EQ(firstMismatches, 0);
  EXPECT_EQ(secondMismatches, 0);
}
