#pragma once
// Encodes B,G,R frames into a video file with any FFmpeg encoder and container.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kvxvideo {

struct VideoWriterOptions {
  std::string codec = "libx264";        // an FFmpeg encoder name
  std::string pixelFormat = "yuv420p";  // what the encoder is fed, by FFmpeg name
  int frameRateNum = 25;
  int frameRateDen = 1;
  int keyFrameInterval = 12;
  std::string codecOptions;  // encoder options "key=value:key=value", e.g. "crf=18:preset=fast"
};

class VideoWriter {
 public:
  VideoWriter();
  ~VideoWriter();  // finishes the file if finish() was not called
  VideoWriter(const VideoWriter&) = delete;
  VideoWriter& operator=(const VideoWriter&) = delete;

  // Creates `path`; the container follows the file name's extension. False on any refusal
  // (unknown encoder, pixel format or option, a size the encoder rejects, an unwritable path).
  bool open(const std::string& path, int width, int height, const VideoWriterOptions& options);
  // Appends one frame of 3-byte B,G,R pixels; `stride` is the distance between rows in bytes,
  // negative for bottom-up pictures with `bgr` at the top row.
  bool writeFrame(const uint8_t* bgr, ptrdiff_t stride);
  // Drains the encoder and completes the file. The writer is closed afterwards.
  bool finish();
  int64_t framesWritten() const { return framesWritten_; }

 private:
  struct State;
  bool encode(bool flush);
  std::unique_ptr<State> state_;
  int64_t framesWritten_ = 0;
};

}  // namespace kvxvideo
