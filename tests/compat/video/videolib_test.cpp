#include "compat/video/videolib.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>
#include <vector>

#include "compat/video/reader_table.h"
#include "io/test_video.h"
#include "support/test_support.h"

namespace {

using Record = std::array<uint8_t, kVideoInfoSize>;
using Bitmap = std::vector<uint8_t>;

constexpr uint8_t kUntouched = 0xA5;

Record recordFor(const std::string& path) {
  Record record;
  record.fill(0);
  std::memset(record.data() + kVideoInfoFilledEnd, kUntouched,
              kVideoInfoSize - kVideoInfoFilledEnd);
  std::memcpy(record.data() + kVideoInfoPath, path.c_str(),
              std::min<size_t>(path.size() + 1, kVideoInfoPathMax));
  return record;
}

uint32_t field32(const Record& record, int offset) {
  uint32_t value;
  std::memcpy(&value, record.data() + offset, sizeof value);
  return value;
}

BITMAPINFOHEADER formatRequest() {
  BITMAPINFOHEADER request{};
  request.biSize = sizeof(BITMAPINFOHEADER);
  request.biBitCount = 24;
  return request;
}

size_t bitmapBytes(const BITMAPINFOHEADER* frame) {
  return frame->biSize + static_cast<size_t>(frame->biSizeImage);
}

Bitmap copyOf(const BITMAPINFOHEADER* frame) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(frame);
  return Bitmap(bytes, bytes + bitmapBytes(frame));
}

// One open file: the record filled, a reader begun, both released at the end.
class OpenVideo {
 public:
  explicit OpenVideo(const std::string& path) : record_(recordFor(path)) {
    qVideoGetFileInfo(record_.data());
    const BITMAPINFOHEADER request = formatRequest();
    int32_t unused = -1;
    began_ = qVideoReadVideoBegin(record_.data(), &unused, &reader_, &request);
  }
  ~OpenVideo() {
    qVideoReadVideoEnd(record_.data(), reader_);
    qVideoFreeFileInfo(record_.data());
  }
  uint32_t frameCount() const { return field32(record_, kVideoInfoFrameCount); }
  bool began() const { return began_ == 1 && reader_ != 0; }
  const BITMAPINFOHEADER* read(uint32_t number) {
    BITMAPINFOHEADER* frame = nullptr;
    int32_t unused = -1;
    const int result = qVideoReadVideo(record_.data(), number, &frame, &unused, reader_);
    EXPECT_EQ(result == 1, frame != nullptr);
    return frame;
  }
  int numberAt(uint32_t number) { return kvxtest::readFrameNumber(read(number)); }
  Record& record() { return record_; }
  uint32_t reader() const { return reader_; }

 private:
  Record record_;
  uint32_t reader_ = 0;
  int began_ = 0;
};

class VideoLibTest : public ::testing::Test {
 protected:
  // 64 frames at 10 per second with a key frame every 12 and B-frames (x264's defaults):
  // long enough that jumps both decode forward and seek.
  std::string longClip() {
    const std::string path = dir_.file("long.mp4");
    if (!std::filesystem::exists(path)) {
      EXPECT_TRUE(kvxtest::writeTestVideo(
          path, 320, 240, 64, kvxtest::videoOptions("libx264", "yuv420p", 10, "preset=veryfast")));
    }
    return path;
  }
  // Every frame of `path` read in order, as reference copies.
  static std::vector<Bitmap> framesInOrder(const std::string& path) {
    OpenVideo video(path);
    std::vector<Bitmap> frames;
    for (uint32_t n = 0; n < video.frameCount(); ++n) {
      const BITMAPINFOHEADER* frame = video.read(n);
      if (!frame) break;
      frames.push_back(copyOf(frame));
    }
    return frames;
  }
  kvxtest::TempDir dir_;
};

TEST_F(VideoLibTest, SequentialFramesShowTheirNumbersAsBottomUp24BitBitmaps) {
  OpenVideo video(longClip());
  ASSERT_TRUE(video.began());
  ASSERT_EQ(video.frameCount(), 64u);
  const BITMAPINFOHEADER* first = video.read(0);
  ASSERT_NE(first, nullptr);
  for (uint32_t n = 0; n < 64; ++n) {
    const BITMAPINFOHEADER* frame = video.read(n);
    ASSERT_NE(frame, nullptr) << n;
    // The reader keeps one bitmap for all frames.
    EXPECT_EQ(frame, first);
    EXPECT_EQ(frame->biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(frame->biWidth, 320);
    EXPECT_EQ(frame->biHeight, 240);
    EXPECT_EQ(frame->biBitCount, 24);
    EXPECT_EQ(frame->biCompression, 0u);
    EXPECT_EQ(frame->biSizeImage, 320u * 3 * 240);
    EXPECT_EQ(kvxtest::readFrameNumber(frame), static_cast<int>(n));
  }
  EXPECT_EQ(field32(video.record(), kVideoInfoWidth), 320u);
  EXPECT_EQ(field32(video.record(), kVideoInfoHeight), 240u);
  EXPECT_EQ(field32(video.record(), kVideoInfoRateNum), 10u);
  EXPECT_EQ(field32(video.record(), kVideoInfoRateDen), 1u);
}

TEST_F(VideoLibTest, JumpsReturnExactlyTheFramesDecodedInOrder) {
  const std::string path = longClip();
  const std::vector<Bitmap> reference = framesInOrder(path);
  ASSERT_EQ(reference.size(), 64u);
  OpenVideo video(path);
  // Short steps forward, a far jump forward, backward jumps to key frames and between them,
  // the same frame twice, the first and the last frame.
  for (uint32_t n : {0u, 2u, 5u, 40u, 41u, 3u, 63u, 0u, 12u, 11u, 11u, 30u, 62u, 61u, 1u, 50u}) {
    const BITMAPINFOHEADER* frame = video.read(n);
    ASSERT_NE(frame, nullptr) << n;
    EXPECT_EQ(kvxtest::readFrameNumber(frame), static_cast<int>(n));
    EXPECT_EQ(copyOf(frame), reference[n]) << "frame " << n;
  }
}

TEST_F(VideoLibTest, ReadingPastTheEndGivesNoFrameAndTheReaderGoesOn) {
  OpenVideo video(longClip());
  EXPECT_EQ(video.read(64), nullptr);
  EXPECT_EQ(video.read(100000), nullptr);
  EXPECT_EQ(video.numberAt(63), 63);
  EXPECT_EQ(video.read(64), nullptr);
  EXPECT_EQ(video.numberAt(7), 7);
}

TEST_F(VideoLibTest, OddWidthsPadRowsToFourBytes) {
  const std::string path = dir_.file("odd.mp4");
  // 4:4:4 so the odd width needs no chroma rounding.
  ASSERT_TRUE(
      kvxtest::writeTestVideo(path, 321, 181, 5, kvxtest::videoOptions("libx264", "yuv444p")));
  OpenVideo video(path);
  ASSERT_EQ(video.frameCount(), 5u);
  for (uint32_t n = 0; n < 5; ++n) {
    const BITMAPINFOHEADER* frame = video.read(n);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->biWidth, 321);
    EXPECT_EQ(frame->biHeight, 181);
    EXPECT_EQ(frame->biSizeImage, 964u * 181);
    EXPECT_EQ(kvxtest::readFrameNumber(frame), static_cast<int>(n));
    const uint8_t* pixels = reinterpret_cast<const uint8_t*>(frame) + frame->biSize;
    for (int row = 0; row < 181; ++row) EXPECT_EQ(pixels[row * 964 + 963], 0) << row;
  }
}

TEST_F(VideoLibTest, LosslessRgbVideoComesBackByteForByte) {
  const int width = 90, height = 50;
  const std::string path = dir_.file("lossless.mkv");
  ASSERT_TRUE(
      kvxtest::writeTestVideo(path, width, height, 6, kvxtest::videoOptions("ffv1", "bgr0")));
  OpenVideo video(path);
  ASSERT_EQ(video.frameCount(), 6u);
  std::vector<uint8_t> drawn(width * height * 3);
  const int rowBytes = 272;  // 270 rounded up
  for (int n : {0, 5, 2}) {
    kvxtest::drawStampedFrame(drawn.data(), width * 3, width, height, n);
    const BITMAPINFOHEADER* frame = video.read(n);
    ASSERT_NE(frame, nullptr);
    const uint8_t* pixels = reinterpret_cast<const uint8_t*>(frame) + frame->biSize;
    for (int y = 0; y < height; ++y)
      ASSERT_EQ(std::memcmp(pixels + (height - 1 - y) * rowBytes, &drawn[y * width * 3], width * 3),
                0)
          << "frame " << n << " row " << y;
  }
}

TEST_F(VideoLibTest, FrameCountWithoutAContainerCount) {
  // Matroska states a duration but no count; a raw H.264 stream states neither.
  const std::string mkv = dir_.file("clip.mkv");
  const std::string raw = dir_.file("clip.h264");
  ASSERT_TRUE(kvxtest::writeTestVideo(mkv, 64, 48, 17, kvxtest::videoOptions("mpeg4")));
  ASSERT_TRUE(kvxtest::writeTestVideo(raw, 64, 48, 19, {}));
  OpenVideo fromDuration(mkv);
  EXPECT_EQ(fromDuration.frameCount(), 17u);
  EXPECT_EQ(fromDuration.numberAt(16), 16);
  OpenVideo counted(raw);
  EXPECT_EQ(counted.frameCount(), 19u);
  for (uint32_t n = 0; n < 19; ++n) EXPECT_EQ(counted.numberAt(n), static_cast<int>(n));
  EXPECT_EQ(counted.numberAt(4), 4);
}

TEST_F(VideoLibTest, UnplayableFilesHaveNoFramesAndNoReader) {
  const std::string garbage = dir_.file("garbage.mp4");
  std::ofstream(garbage) << std::string(5000, 'x');
  // An MP4 cut in half loses its index at the end.
  const std::string full = dir_.file("full.mp4");
  ASSERT_TRUE(kvxtest::writeTestVideo(full, 64, 48, 10));
  const std::string truncated = dir_.file("truncated.mp4");
  std::filesystem::copy_file(full, truncated);
  std::filesystem::resize_file(truncated, std::filesystem::file_size(full) / 2);
  const std::string empty = dir_.file("empty.mp4");
  std::ofstream(empty).flush();

  for (const std::string& path :
       {dir_.file("missing.mp4"), garbage, truncated, empty, dir_.path().string()}) {
    SCOPED_TRACE(path);
    Record record = recordFor(path);
    std::memset(record.data() + kVideoInfoFrameCount, 0xFF, 4);
    EXPECT_EQ(qVideoGetFileInfo(record.data()), 0);
    EXPECT_EQ(field32(record, kVideoInfoFrameCount), 0u);
    EXPECT_EQ(field32(record, kVideoInfoId), 0u);
    const BITMAPINFOHEADER request = formatRequest();
    uint32_t reader = 77;
    EXPECT_EQ(qVideoReadVideoBegin(record.data(), nullptr, &reader, &request), 0);
    EXPECT_EQ(reader, 0u);
    BITMAPINFOHEADER* frame = reinterpret_cast<BITMAPINFOHEADER*>(&record);
    EXPECT_EQ(qVideoReadVideo(record.data(), 0, &frame, nullptr, reader), 0);
    EXPECT_EQ(frame, nullptr);
    EXPECT_EQ(qVideoFreeFileInfo(record.data()), 1);
    EXPECT_EQ(record[kVideoInfoSize - 1], kUntouched);
  }
}

TEST_F(VideoLibTest, PathMustEndBeforeTheFrameCount) {
  // A real file whose path takes the whole field (NUL at byte 279) still opens.
  std::filesystem::path folder = dir_.path();
  const size_t wanted = kVideoInfoPathMax - 1 - std::string("/v.mp4").size();
  while (folder.string().size() < wanted) {
    const size_t missing = wanted - folder.string().size();
    folder /= std::string(std::min<size_t>(missing - 1, 200), 'd');
  }
  ASSERT_EQ(folder.string().size(), wanted);
  std::filesystem::create_directories(folder);
  const std::string longest = (folder / "v.mp4").string();
  ASSERT_EQ(longest.size(), static_cast<size_t>(kVideoInfoPathMax - 1));
  ASSERT_TRUE(kvxtest::writeTestVideo(longest, 64, 48, 3));
  OpenVideo fits(longest);
  EXPECT_EQ(fits.frameCount(), 3u);
  EXPECT_EQ(fits.numberAt(2), 2);

  // One byte more and the NUL would sit on the frame count: refused, nothing beyond written.
  Record record;
  record.fill(kUntouched);
  std::memset(record.data() + kVideoInfoPath, 'p', kVideoInfoPathMax);
  EXPECT_EQ(qVideoGetFileInfo(record.data()), 0);
  EXPECT_EQ(field32(record, kVideoInfoFrameCount), 0u);
  for (int i = kVideoInfoPath; i < kVideoInfoFrameCount; ++i) ASSERT_EQ(record[i], 'p');
  for (int i = kVideoInfoFilledEnd; i < kVideoInfoSize; ++i) ASSERT_EQ(record[i], kUntouched);
  Record emptyPath = recordFor("");
  EXPECT_EQ(qVideoGetFileInfo(emptyPath.data()), 0);
}

TEST_F(VideoLibTest, RefusesBadRequestsAndForeignHandles) {
  const std::string path = longClip();
  EXPECT_EQ(qVideoGetFileInfo(nullptr), 0);
  EXPECT_EQ(qVideoFreeFileInfo(nullptr), 0);
  OpenVideo first(path);
  OpenVideo second(path);
  ASSERT_TRUE(first.began() && second.began());
  BITMAPINFOHEADER request = formatRequest();
  request.biBitCount = 32;
  uint32_t reader = 5;
  EXPECT_EQ(qVideoReadVideoBegin(first.record().data(), nullptr, &reader, &request), 0);
  EXPECT_EQ(reader, 0u);
  EXPECT_EQ(qVideoReadVideoBegin(first.record().data(), nullptr, &reader, nullptr), 0);
  EXPECT_EQ(qVideoReadVideoBegin(first.record().data(), nullptr, nullptr, &request), 0);

  BITMAPINFOHEADER* frame = nullptr;
  // A reader handle only works with the record it was begun on.
  EXPECT_EQ(qVideoReadVideo(first.record().data(), 0, &frame, nullptr, second.reader()), 0);
  EXPECT_EQ(frame, nullptr);
  EXPECT_EQ(qVideoReadVideoEnd(first.record().data(), second.reader()), 0);
  EXPECT_EQ(qVideoReadVideo(first.record().data(), 0, &frame, nullptr, 0xDEADBEEF), 0);
  EXPECT_EQ(qVideoReadVideo(first.record().data(), 0, nullptr, nullptr, first.reader()), 0);
  EXPECT_EQ(qVideoReadVideo(nullptr, 0, &frame, nullptr, first.reader()), 0);
  EXPECT_EQ(second.numberAt(3), 3);
}

TEST_F(VideoLibTest, FreeingTheRecordClosesItsReaders) {
  const std::string path = longClip();
  const size_t openBefore = kvxvideo::ReaderTable::instance().size();
  Record record = recordFor(path);
  ASSERT_EQ(qVideoGetFileInfo(record.data()), 1);
  const BITMAPINFOHEADER request = formatRequest();
  uint32_t readers[2] = {};
  ASSERT_EQ(qVideoReadVideoBegin(record.data(), nullptr, &readers[0], &request), 1);
  ASSERT_EQ(qVideoReadVideoBegin(record.data(), nullptr, &readers[1], &request), 1);
  EXPECT_NE(readers[0], readers[1]);
  EXPECT_EQ(kvxvideo::ReaderTable::instance().size(), openBefore + 2);
  EXPECT_EQ(qVideoReadVideoEnd(record.data(), readers[0]), 1);
  EXPECT_EQ(qVideoReadVideoEnd(record.data(), readers[0]), 0);
  EXPECT_EQ(qVideoFreeFileInfo(record.data()), 1);
  EXPECT_EQ(kvxvideo::ReaderTable::instance().size(), openBefore);
  EXPECT_EQ(field32(record, kVideoInfoFrameCount), 0u);
  BITMAPINFOHEADER* frame = nullptr;
  EXPECT_EQ(qVideoReadVideo(record.data(), 0, &frame, nullptr, readers[1]), 0);
  EXPECT_EQ(frame, nullptr);
}

TEST_F(VideoLibTest, ReadersOnTwoThreadsEachSeeTheirOwnFrames) {
  const std::string small = dir_.file("small.mkv");
  ASSERT_TRUE(
      kvxtest::writeTestVideo(small, 128, 96, 40, kvxtest::videoOptions("libx264", "yuv420p", 10)));
  const std::string large = longClip();
  auto play = [](const std::string& path, int width, uint32_t frames, int* mismatches) {
    OpenVideo video(path);
    if (video.frameCount() != frames) ++*mismatches;
    // Twice through, looping, with a backward jump at the wrap.
    for (uint32_t i = 0; i < 2 * frames; ++i) {
      const BITMAPINFOHEADER* frame = video.read(i % frames);
      if (!frame || frame->biWidth != width ||
          kvxtest::readFrameNumber(frame) != static_cast<int>(i % frames))
        ++*mismatches;
    }
  };
  int smallMismatches = 0, largeMismatches = 0, sameFileMismatches = 0;
  std::thread first(play, small, 128, 40u, &smallMismatches);
  std::thread second(play, large, 320, 64u, &largeMismatches);
  std::thread third(play, large, 320, 64u, &sameFileMismatches);
  first.join();
  second.join();
  third.join();
  EXPECT_EQ(smallMismatches, 0);
  EXPECT_EQ(largeMismatches, 0);
  EXPECT_EQ(sameFileMismatches, 0);
}

}  // namespace
