#include "support/video_writer.h"

#include <climits>

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include "io/ffmpeg_handles.h"
#include "io/video_reader.h"

namespace kvxvideo {

struct VideoWriter::State {
  OutputFormat output;
  CodecContext encoder;
  AVStream* stream = nullptr;
  Frame frame;
  Packet packet;
  ScaleContext scaler;
  int width = 0;
  int height = 0;
  bool failed = false;
};

VideoWriter::VideoWriter() = default;

VideoWriter::~VideoWriter() {
  finish();
}

namespace {

struct DictionaryFreer {
  void operator()(AVDictionary* dictionary) const { av_dict_free(&dictionary); }
};
using Dictionary = std::unique_ptr<AVDictionary, DictionaryFreer>;

// Subsampled chroma covers whole blocks of pixels; most encoders refuse a partial block.
bool fitsChromaBlocks(AVPixelFormat format, int width, int height) {
  const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
  if (!descriptor) return false;
  return width % (1 << descriptor->log2_chroma_w) == 0 &&
         height % (1 << descriptor->log2_chroma_h) == 0;
}

bool isRgb(AVPixelFormat format) {
  const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
  return descriptor && (descriptor->flags & AV_PIX_FMT_FLAG_RGB);
}

}  // namespace

bool VideoWriter::open(const std::string& path, int width, int height,
                       const VideoWriterOptions& options) {
  finish();
  framesWritten_ = 0;
  if (width < 1 || height < 1 || width > kMaxVideoSide || height > kMaxVideoSide) return false;
  if (options.frameRateNum <= 0 || options.frameRateDen <= 0) return false;
  const AVCodec* codec = avcodec_find_encoder_by_name(options.codec.c_str());
  const AVPixelFormat pixelFormat = av_get_pix_fmt(options.pixelFormat.c_str());
  if (!codec || pixelFormat == AV_PIX_FMT_NONE) return false;
  if (!fitsChromaBlocks(pixelFormat, width, height)) return false;

  auto state = std::make_unique<State>();
  AVFormatContext* output = nullptr;
  if (avformat_alloc_output_context2(&output, nullptr, nullptr, path.c_str()) < 0 || !output)
    return false;
  state->output.reset(output);
  state->stream = avformat_new_stream(output, nullptr);
  state->encoder.reset(avcodec_alloc_context3(codec));
  if (!state->stream || !state->encoder) return false;

  AVCodecContext* encoder = state->encoder.get();
  const AVRational rate{options.frameRateNum, options.frameRateDen};
  encoder->width = width;
  encoder->height = height;
  encoder->pix_fmt = pixelFormat;
  encoder->framerate = rate;
  encoder->time_base = av_inv_q(rate);
  encoder->gop_size = options.keyFrameInterval;
  encoder->thread_count = 0;
  const bool rgb = isRgb(pixelFormat);
  // Tagged like a player would guess, so readers convert back with the same matrix.
  const int colorSpace = height >= 720 ? SWS_CS_ITU709 : SWS_CS_ITU601;
  if (!rgb) {
    encoder->colorspace = height >= 720 ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
    encoder->color_range = AVCOL_RANGE_MPEG;
  }
  if (output->oformat->flags & AVFMT_GLOBALHEADER) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

  AVDictionary* parsed = nullptr;
  if (!options.codecOptions.empty() &&
      av_dict_parse_string(&parsed, options.codecOptions.c_str(), "=", ":", 0) < 0) {
    av_dict_free(&parsed);
    return false;
  }
  Dictionary codecOptions(parsed);
  parsed = codecOptions.release();
  const int opened = avcodec_open2(encoder, codec, &parsed);
  codecOptions.reset(parsed);
  // An option the encoder did not take is a mistake of the caller, not something to ignore.
  if (opened < 0 || av_dict_count(codecOptions.get()) > 0) return false;
  if (avcodec_parameters_from_context(state->stream->codecpar, encoder) < 0) return false;
  state->stream->time_base = encoder->time_base;

  if (!(output->oformat->flags & AVFMT_NOFILE) &&
      avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE) < 0)
    return false;
  if (avformat_write_header(output, nullptr) < 0) return false;

  state->frame.reset(av_frame_alloc());
  state->packet.reset(av_packet_alloc());
  if (!state->frame || !state->packet) return false;
  state->frame->format = pixelFormat;
  state->frame->width = width;
  state->frame->height = height;
  if (av_frame_get_buffer(state->frame.get(), 0) < 0) return false;
  state->scaler.reset(sws_getContext(width, height, AV_PIX_FMT_BGR24, width, height, pixelFormat,
                                     SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
  if (!state->scaler) return false;
  if (!rgb)
    sws_setColorspaceDetails(state->scaler.get(), sws_getCoefficients(SWS_CS_DEFAULT), 1,
                             sws_getCoefficients(colorSpace), 0, 0, 1 << 16, 1 << 16);
  state->width = width;
  state->height = height;
  state_ = std::move(state);
  return true;
}

bool VideoWriter::writeFrame(const uint8_t* bgr, ptrdiff_t stride) {
  if (!state_ || state_->failed || !bgr) return false;
  if (stride > INT_MAX || stride < -INT_MAX ||
      (stride >= 0 ? stride : -stride) < static_cast<ptrdiff_t>(state_->width) * 3)
    return false;
  AVFrame* frame = state_->frame.get();
  if (av_frame_make_writable(frame) < 0) return false;
  const uint8_t* source[4] = {bgr, nullptr, nullptr, nullptr};
  const int sourceStride[4] = {static_cast<int>(stride), 0, 0, 0};
  if (sws_scale(state_->scaler.get(), source, sourceStride, 0, state_->height, frame->data,
                frame->linesize) <= 0)
    return false;
  frame->pts = framesWritten_;
  if (!encode(false)) return false;
  ++framesWritten_;
  return true;
}

bool VideoWriter::encode(bool flush) {
  AVCodecContext* encoder = state_->encoder.get();
  if (avcodec_send_frame(encoder, flush ? nullptr : state_->frame.get()) < 0) {
    state_->failed = true;
    return false;
  }
  AVPacket* packet = state_->packet.get();
  for (;;) {
    const int result = avcodec_receive_packet(encoder, packet);
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
    if (result < 0) break;
    // Containers take the length of the last frame from its packet; one frame per packet.
    if (packet->duration == 0) packet->duration = 1;
    av_packet_rescale_ts(packet, encoder->time_base, state_->stream->time_base);
    packet->stream_index = state_->stream->index;
    if (av_interleaved_write_frame(state_->output.get(), packet) < 0) break;
  }
  state_->failed = true;
  return false;
}

bool VideoWriter::finish() {
  if (!state_) return false;
  bool ok = !state_->failed && encode(true);
  ok = av_write_trailer(state_->output.get()) >= 0 && ok;
  state_.reset();
  return ok;
}

}  // namespace kvxvideo
