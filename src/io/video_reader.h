#pragma once
// Decodes one video file frame by frame into a bottom-up 24-bit bitmap owned by the reader.
#include <cstdint>
#include <memory>
#include <string>

#include "io/ffmpeg_handles.h"
#include "kvxtheme/kvxtheme.h"

namespace kvxvideo {

// Bytes of one row of a 24-bit device-independent bitmap: padded to a multiple of 4.
constexpr int64_t dibRowBytes(int64_t width) {
  return (width * 3 + 3) / 4 * 4;
}

// Largest width or height, and area, accepted; keeps every size computation far from overflow
// and a lying header from reserving gigabytes.
constexpr int kMaxVideoSide = 16384;
constexpr int64_t kMaxVideoPixels = int64_t{8192} * 8192;

struct VideoProperties {
  int width = 0;
  int height = 0;
  AVRational frameRate{0, 1};
};

class VideoReader {
 public:
  // Opens the file and decodes its first frame; null when the file cannot be played.
  static std::unique_ptr<VideoReader> open(const std::string& path);
  ~VideoReader();
  VideoReader(const VideoReader&) = delete;
  VideoReader& operator=(const VideoReader&) = delete;

  const VideoProperties& properties() const { return properties_; }
  const AVFormatContext* format() const { return format_.get(); }
  const AVStream* stream() const { return stream_; }

  // The frame shown at `frameNumber` (counted from 0 at the frame rate), or null past the end
  // or on a decoding failure. The bitmap stays valid until the next read or the reader's end.
  const BITMAPINFOHEADER* read(uint32_t frameNumber);

 private:
  VideoReader() = default;
  bool openFile(const std::string& path);
  bool allocateBitmap();
  bool receiveFrame(AVFrame* frame);
  bool takeNextFrame(AVFrame* frame, int64_t* number);
  int64_t numberOf(const AVFrame* frame) const;
  bool seekTo(int64_t target);
  bool reposition(int64_t position, bool inBytes);
  bool rewind();
  bool convertCurrent();

  InputFormat format_;
  CodecContext decoder_;
  AVStream* stream_ = nullptr;
  Packet packet_;
  VideoProperties properties_;
  int64_t originPts_ = 0;
  // Streams without timestamps (raw elementary streams) are numbered by counting frames from the
  // start; they cannot seek to a frame, only back to the start.
  bool timed_ = true;
  int64_t seekAheadFrames_ = 0;

  // The last frame taken from the decoder, and one taken too early for the last request.
  Frame current_;
  Frame pending_;
  Frame scratch_;
  bool hasCurrent_ = false;
  bool hasPending_ = false;
  bool currentConverted_ = false;
  int64_t currentNumber_ = -1;
  int64_t pendingNumber_ = -1;
  // Number of the last frame taken; frames without a timestamp follow it. -2: unknown.
  int64_t lastTakenNumber_ = -1;
  bool inputEnded_ = false;

  SwsContext* scaler_ = nullptr;
  int scalerWidth_ = 0;
  int scalerHeight_ = 0;
  int scalerFormat_ = -1;
  int scalerColorSpace_ = -1;
  int scalerRange_ = -1;

  std::unique_ptr<uint8_t[]> bitmapStorage_;
  BITMAPINFOHEADER* bitmap_ = nullptr;
  uint8_t* pixels_ = nullptr;
  int64_t rowBytes_ = 0;
};

}  // namespace kvxvideo
