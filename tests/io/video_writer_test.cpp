#include "support/video_writer.h"

#include <gtest/gtest.h>

#include <vector>

#include "io/test_video.h"
#include "io/video_frame_count.h"
#include "io/video_reader.h"
#include "support/test_support.h"

namespace {

using kvxvideo::VideoWriter;
using kvxvideo::VideoWriterOptions;

TEST(VideoWriter, RefusesWhatTheEncoderCannotTake) {
  kvxtest::TempDir dir;
  VideoWriter writer;
  VideoWriterOptions options;
  options.codec = "no-such-encoder";
  EXPECT_FALSE(writer.open(dir.file("a.mp4"), 64, 48, options));
  options = {};
  options.pixelFormat = "no-such-format";
  EXPECT_FALSE(writer.open(dir.file("a.mp4"), 64, 48, options));
  options = {};
  options.codecOptions = "no-such-option=1";
  EXPECT_FALSE(writer.open(dir.file("a.mp4"), 64, 48, options));
  options = {};
  // 4:2:0 chroma needs an even width and height.
  EXPECT_FALSE(writer.open(dir.file("a.mp4"), 321, 48, options));
  EXPECT_FALSE(writer.open(dir.file("a.mkv"), 64, 47, kvxtest::videoOptions("ffv1")));
  EXPECT_FALSE(writer.open(dir.file("a.no-such-container"), 64, 48, {}));
  EXPECT_FALSE(writer.open(dir.file("missing-folder/a.mp4"), 64, 48, {}));
  EXPECT_FALSE(writer.open(dir.file("a.mp4"), 0, 48, {}));
  const std::vector<uint8_t> picture(64 * 48 * 3);
  EXPECT_FALSE(writer.writeFrame(picture.data(), 64 * 3));
  EXPECT_FALSE(writer.finish());
}

TEST(VideoWriter, RefusesRowsShorterThanTheFrame) {
  kvxtest::TempDir dir;
  VideoWriter writer;
  ASSERT_TRUE(writer.open(dir.file("a.mp4"), 64, 48, {}));
  const std::vector<uint8_t> picture(64 * 48 * 3);
  EXPECT_FALSE(writer.writeFrame(picture.data(), 63 * 3));
  EXPECT_FALSE(writer.writeFrame(nullptr, 64 * 3));
  EXPECT_TRUE(writer.writeFrame(picture.data(), 64 * 3));
  EXPECT_EQ(writer.framesWritten(), 1);
  EXPECT_TRUE(writer.finish());
}

TEST(VideoWriter, EveryFrameWrittenIsInTheFile) {
  kvxtest::TempDir dir;
  const std::string path = dir.file("counted.mkv");
  ASSERT_TRUE(kvxtest::writeTestVideo(path, 96, 64, 23, kvxtest::videoOptions("mpeg4")));
  const auto reader = kvxvideo::VideoReader::open(path);
  ASSERT_TRUE(reader);
  EXPECT_EQ(kvxvideo::countStreamPackets(path, reader->stream()->index), 23u);
  EXPECT_EQ(reader->properties().width, 96);
  EXPECT_EQ(reader->properties().height, 64);
}

TEST(TestVideoStamp, ReadsBackWhatWasDrawnAndRefusesOtherPictures) {
  const int width = 100, height = 60;
  std::vector<uint8_t> picture(width * height * 3);
  for (int number : {0, 1, 7, 1000, kvxtest::kMaxStampedFrame}) {
    kvxtest::drawStampedFrame(picture.data(), width * 3, width, height, number);
    EXPECT_EQ(kvxtest::readFrameNumber(picture.data(), width * 3, width, height), number);
  }
  // Red and blue exchanged: the picture is not in B,G,R order.
  for (size_t i = 0; i < picture.size(); i += 3) std::swap(picture[i], picture[i + 2]);
  EXPECT_EQ(kvxtest::readFrameNumber(picture.data(), width * 3, width, height), -1);
  std::fill(picture.begin(), picture.end(), 128);
  EXPECT_EQ(kvxtest::readFrameNumber(picture.data(), width * 3, width, height), -1);
}

}  // namespace
