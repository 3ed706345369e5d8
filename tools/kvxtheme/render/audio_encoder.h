#pragma once
// The source's audio decoded and encoded again, for an output whose container cannot carry its
// codec or when --audio-codec asks for another.
#include <cstdint>
#include <memory>
#include <string>

#include "host/ffmpeg_ptr.h"

struct AVAudioFifo;
struct SwrContext;

namespace kvxcli {

class AudioEncoder {
 public:
  // Adds a stream of `encoderName` ("aac", "libopus") to `output` for audio of `source`
  // (packets in `sourceTimeBase`); failures name `target`.
  AudioEncoder(const AVCodecParameters* source, AVRational sourceTimeBase, const char* encoderName,
               AVFormatContext* output, const std::string& target);
  ~AudioEncoder();

  // Decodes a packet of the source and writes what it gives.
  void write(const AVPacket* packet);
  // Writes the rest.
  void finish();

 private:
  void decoded();
  void encodeQueued(bool last);
  void sendToEncoder(AVFrame* frame);

  std::string target_;
  AVFormatContext* output_;
  AVStream* stream_ = nullptr;
  AVRational sourceTimeBase_;
  kvxhost::CodecContextPtr decoder_;
  kvxhost::CodecContextPtr encoder_;
  SwrContext* resampler_ = nullptr;
  AVAudioFifo* queue_ = nullptr;
  kvxhost::FramePtr frame_;
  kvxhost::FramePtr chunk_;
  kvxhost::PacketPtr packet_;
  int64_t nextPts_ = AV_NOPTS_VALUE;  // in samples of the encoder's rate
};

}  // namespace kvxcli
