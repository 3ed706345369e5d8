#pragma once
// Owning pointers for FFmpeg's objects, for the hosts and tools that call FFmpeg themselves.
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace kvxhost {

struct InputContextFree {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
// An output context with the file it may have opened.
struct OutputContextFree {
  void operator()(AVFormatContext* context) const {
    if (context->pb) avio_closep(&context->pb);
    avformat_free_context(context);
  }
};
struct CodecContextFree {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFree {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScaleContextFree {
  void operator()(SwsContext* context) const { sws_freeContext(context); }
};

using InputContextPtr = std::unique_ptr<AVFormatContext, InputContextFree>;
using OutputContextPtr = std::unique_ptr<AVFormatContext, OutputContextFree>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using ScaleContextPtr = std::unique_ptr<SwsContext, ScaleContextFree>;

inline FramePtr allocateFrame() {
  FramePtr frame(av_frame_alloc());
  if (!frame) throw std::bad_alloc();
  return frame;
}
inline PacketPtr allocatePacket() {
  PacketPtr packet(av_packet_alloc());
  if (!packet) throw std::bad_alloc();
  return packet;
}

}  // namespace kvxhost
