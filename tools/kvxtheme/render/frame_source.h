#pragma once
// Where the frames of a render come from: a media file FFmpeg reads, or a generated pattern.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "arguments.h"
#include "colorimetry.h"

struct AVCodecParameters;
struct AVPacket;

namespace kvxcli {

struct SourceInfo {
  int width = 0;
  int height = 0;
  Rational rate{25, 1};
  int64_t expectedFrames = -1;  // -1: not known in advance
  // What the frames are converted from and the output is written as; a picture's are those of
  // video of its size.
  Colorimetry colorimetry;
  // Fields, as the stream or its first frame says.
  bool interlaced = false;
  bool topFieldFirst = true;
};

// Audio of the source, handed on untouched (compressed packets).
struct AudioTrack {
  const AVCodecParameters* parameters = nullptr;
  Rational timeBase{1, 1};
};
using AudioPacketHandler = std::function<void(AVPacket* packet)>;

class FrameSource {
 public:
  virtual ~FrameSource() = default;
  virtual const SourceInfo& info() const = 0;
  // The next frame as packed B,G,R rows of info().width × 3 bytes; false at the end. Null
  // passes over the frame without making its picture (an overlay needs only the count).
  virtual bool read(std::vector<uint8_t>* bgr) = 0;
  // Before the first read: makes the next read() return frame `index`, counted as reading from
  // the start counts them. False when the source ends before it, with `frameCount` set to the
  // frames it has.
  virtual bool seekFrame(int64_t index, int64_t* frameCount) = 0;
  // The audio track to copy, if the source has one.
  virtual AudioTrack audio() const { return {}; }
  // Receives the audio packets met while frames are read.
  virtual void setAudioHandler(AudioPacketHandler) {}
};

// Opens a media file; failures name the file.
// Frames of `width` × `height` when both are given (one may be -1 or -2, as parseScaleSize
// gives it), else of the file's own size.
std::unique_ptr<FrameSource> openMediaSource(const std::string& path, int width = 0,
                                             int height = 0);

// A moving test pattern of `frameCount` frames.
std::unique_ptr<FrameSource> makeTestPattern(int width, int height, Rational rate,
                                             int64_t frameCount);

}  // namespace kvxcli
