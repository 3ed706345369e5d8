#pragma once
// Owning handles for FFmpeg objects, so every exit path releases them.
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace kvxvideo {

struct InputFormatCloser {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct OutputFormatCloser {
  void operator()(AVFormatContext* context) const {
    if (context->pb && !(context->oformat->flags & AVFMT_NOFILE)) avio_closep(&context->pb);
    avformat_free_context(context);
  }
};
struct CodecContextFreer {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFreer {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFreer {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScaleContextFreer {
  void operator()(SwsContext* context) const { sws_freeContext(context); }
};

using InputFormat = std::unique_ptr<AVFormatContext, InputFormatCloser>;
using OutputFormat = std::unique_ptr<AVFormatContext, OutputFormatCloser>;
using CodecContext = std::unique_ptr<AVCodecContext, CodecContextFreer>;
using Frame = std::unique_ptr<AVFrame, FrameFreer>;
using Packet = std::unique_ptr<AVPacket, PacketFreer>;
using ScaleContext = std::unique_ptr<SwsContext, ScaleContextFreer>;

}  // namespace kvxvideo
