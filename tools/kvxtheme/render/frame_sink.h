#pragma once
// Where rendered frames go: a video file (MP4, QuickTime, Matroska or WebM) or PNG pictures,
// opaque or with alpha.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "frame_source.h"

namespace kvxcli {

// H.264 for delivery; FFV1 (lossless, every frame a key frame) for work in progress and tests;
// ProRes (4444 with alpha), VP9 and QuickTime Animation for editors, the last three and FFV1
// also with alpha.
enum class VideoCodec { H264, Ffv1, ProRes, Vp9, Qtrle };

// What becomes of the source's audio: Auto copies it when the container carries its codec and
// otherwise encodes it in the container's usual codec (Opus for WebM, AAC for the others).
enum class AudioCodec { Auto, Copy, Aac, Opus, None };

// The codec's name as --codec takes it.
const char* codecName(VideoCodec codec);
const char* audioCodecName(AudioCodec codec);
// The codec a video output name asks for when --codec is not given.
VideoCodec defaultCodec(const std::string& path, bool alpha);

struct SinkSettings {
  int width = 0;
  int height = 0;
  Rational rate{25, 1};
  VideoCodec codec = VideoCodec::H264;
  bool alpha = false;  // frames are B, G, R, A (straight alpha); the codec keeps the alpha
  bool interlaced = false;
  bool topFieldFirst = true;
  AudioTrack audio;
  AudioCodec audioCodec = AudioCodec::Auto;
  Colorimetry colorimetry;  // the source's, written and converted to
  // The encoder's quality: a constant rate factor (h264 0–51, vp9 0–63; -1: the codec's
  // default), x264's preset and the picture's chroma format (h264; empty: the defaults).
  int crf = -1;
  std::string preset;
  std::string pixelFormat;
  int64_t bitRate = 0;  // bits a second (h264, vp9); 0: the constant rate factor
  // Options of the libavcodec encoder by name, set after the tool's own.
  std::vector<std::pair<std::string, std::string>> encoderOptions;
};

class FrameSink {
 public:
  virtual ~FrameSink() = default;  // an unfinished output is removed
  // Writes one frame of packed B, G, R rows (B, G, R, A with alpha).
  virtual void write(const uint8_t* pixels) = 0;
  // Hands on one compressed audio packet of the source's audio track.
  virtual void writeAudio(AVPacket*) {}
  virtual bool takesAudio() const { return false; }
  // Completes the output and moves it under its name.
  virtual void finish() = 0;
};

enum class OutputKind { Video, PngSequence, SinglePng };

// The kind of output a name asks for; refuses unknown extensions naming the file.
OutputKind outputKind(const std::string& path);
// The muxer FFmpeg writes a video output name with ("mp4", "mov", "matroska"); null for others.
const char* videoMuxerName(const std::string& path);

std::unique_ptr<FrameSink> openVideoSink(const std::string& path, const SinkSettings& settings);
std::unique_ptr<FrameSink> openPngSink(const std::string& path, const SinkSettings& settings,
                                       OutputKind kind);

// The name of picture `number` in a pattern holding one "%d" or "%0Nd"; other '%' signs must be
// written "%%". Refuses any other pattern naming it.
std::string formatPattern(const std::string& pattern, int64_t number);

}  // namespace kvxcli
