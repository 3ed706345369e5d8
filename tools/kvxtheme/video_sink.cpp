// H.264 video in MP4 or Matroska, written under a temporary name and moved into place when
// complete. The source's audio packets are copied when the container can carry their codec.
#include <algorithm>
#include <cctype>
#include <filesystem>

#include "cli_error.h"
#include "ffmpeg_ptr.h"
#include "frame_sink.h"
#include "pending_file.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace kvxcli {
namespace {

std::string lowerExtension(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

const char* muxerName(const std::string& path) {
  std::string extension = lowerExtension(path);
  if (extension == ".mp4" || extension == ".m4v") return "mp4";
  if (extension == ".mov") return "mov";
  if (extension == ".mkv") return "matroska";
  return nullptr;
}

struct OutputContextFree {
  void operator()(AVFormatContext* context) const {
    if (context->pb) avio_closep(&context->pb);
    avformat_free_context(context);
  }
};

class VideoSink : public FrameSink {
 public:
  VideoSink(const std::string& path, const SinkSettings& settings)
      : file_(path), settings_(settings) {
    AVFormatContext* raw = nullptr;
    int result = avformat_alloc_output_context2(&raw, nullptr, muxerName(path),
                                                file_.temporaryPath().c_str());
    if (result < 0 || !raw) fail(path, "cannot be written: " + ffmpegErrorText(result));
    output_.reset(raw);
    openEncoder();
    addAudioStream();
    result = avio_open(&output_->pb, file_.temporaryPath().c_str(), AVIO_FLAG_WRITE);
    if (result < 0) fail(path, "cannot be written: " + ffmpegErrorText(result));
    result = avformat_write_header(output_.get(), nullptr);
    if (result < 0) fail(path, "cannot be written: " + ffmpegErrorText(result));
    packet_ = allocatePacket();
  }

  bool takesAudio() const override { return audioStream_ != nullptr; }

  void write(const uint8_t* bgr) override {
    int result = av_frame_make_writable(frame_.get());
    if (result < 0) throw std::bad_alloc();
    const uint8_t* planes[4] = {bgr, nullptr, nullptr, nullptr};
    const int strides[4] = {settings_.width * 3, 0, 0, 0};
    sws_scale(scaler_.get(), planes, strides, 0, settings_.height, frame_->data, frame_->linesize);
    frame_->pts = framesWritten_++;
    if (settings_.interlaced) {
      frame_->interlaced_frame = 1;
      frame_->top_field_first = settings_.topFieldFirst ? 1 : 0;
    }
    sendToEncoder(frame_.get());
  }

  void writeAudio(AVPacket* packet) override {
    if (!audioStream_) return;
    // Audio past the last video frame written so far is kept; the muxer interleaves.
    AVRational from{settings_.audio.timeBase.num, settings_.audio.timeBase.den};
    av_packet_rescale_ts(packet, from, audioStream_->time_base);
    packet->stream_index = audioStream_->index;
    packet->pos = -1;
    int result = av_interleaved_write_frame(output_.get(), packet);
    if (result < 0) fail(file_.target(), "cannot be written: " + ffmpegErrorText(result));
  }

  void finish() override {
    if (framesWritten_ == 0) fail(file_.target(), "nothing to write: the source gave no frames");
    sendToEncoder(nullptr);
    int result = av_write_trailer(output_.get());
    if (result < 0) fail(file_.target(), "cannot be written: " + ffmpegErrorText(result));
    result = avio_closep(&output_->pb);
    if (result < 0) fail(file_.target(), "cannot be written: " + ffmpegErrorText(result));
    file_.commit();
  }

 private:
  void openEncoder() {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) codec = avcodec_find_encoder(AV_CODEC_ID_H264);
    if (!codec) fail(file_.target(), "cannot be encoded: this FFmpeg has no H.264 encoder");
    videoStream_ = avformat_new_stream(output_.get(), nullptr);
    encoder_.reset(avcodec_alloc_context3(codec));
    if (!videoStream_ || !encoder_) throw std::bad_alloc();
    const bool evenSize = settings_.width % 2 == 0 && settings_.height % 2 == 0;
    encoder_->width = settings_.width;
    encoder_->height = settings_.height;
    // 4:2:0 needs even sizes; odd ones keep full chroma.
    encoder_->pix_fmt = evenSize ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV444P;
    encoder_->time_base = AVRational{settings_.rate.den, settings_.rate.num};
    encoder_->framerate = AVRational{settings_.rate.num, settings_.rate.den};
    encoder_->colorspace = AVCOL_SPC_SMPTE170M;
    encoder_->color_range = AVCOL_RANGE_MPEG;
    encoder_->thread_count = 0;
    if (settings_.interlaced) {
      encoder_->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
      encoder_->field_order = settings_.topFieldFirst ? AV_FIELD_TT : AV_FIELD_BB;
    }
    if (output_->oformat->flags & AVFMT_GLOBALHEADER)
      encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(encoder_->priv_data, "preset", "fast", 0);
    av_opt_set(encoder_->priv_data, "crf", "18", 0);
    int result = avcodec_open2(encoder_.get(), codec, nullptr);
    if (result < 0) fail(file_.target(), "cannot be encoded: " + ffmpegErrorText(result));
    avcodec_parameters_from_context(videoStream_->codecpar, encoder_.get());
    videoStream_->time_base = encoder_->time_base;
    videoStream_->avg_frame_rate = encoder_->framerate;

    frame_ = allocateFrame();
    frame_->width = settings_.width;
    frame_->height = settings_.height;
    frame_->format = encoder_->pix_fmt;
    if (av_frame_get_buffer(frame_.get(), 0) < 0) throw std::bad_alloc();
    scaler_.reset(sws_getContext(settings_.width, settings_.height, AV_PIX_FMT_BGR24,
                                 settings_.width, settings_.height, encoder_->pix_fmt, SWS_BICUBIC,
                                 nullptr, nullptr, nullptr));
    if (!scaler_) fail(file_.target(), "cannot be encoded: no colour conversion");
  }

  void addAudioStream() {
    const AVCodecParameters* audio = settings_.audio.parameters;
    if (!audio) return;
    if (avformat_query_codec(output_->oformat, audio->codec_id, FF_COMPLIANCE_NORMAL) != 1) return;
    audioStream_ = avformat_new_stream(output_.get(), nullptr);
    if (!audioStream_) throw std::bad_alloc();
    if (avcodec_parameters_copy(audioStream_->codecpar, audio) < 0) throw std::bad_alloc();
    audioStream_->codecpar->codec_tag = 0;
    audioStream_->time_base =
        AVRational{settings_.audio.timeBase.num, settings_.audio.timeBase.den};
  }

  void sendToEncoder(AVFrame* frame) {
    int result = avcodec_send_frame(encoder_.get(), frame);
    if (result < 0) fail(file_.target(), "cannot be encoded: " + ffmpegErrorText(result));
    while ((result = avcodec_receive_packet(encoder_.get(), packet_.get())) == 0) {
      av_packet_rescale_ts(packet_.get(), encoder_->time_base, videoStream_->time_base);
      packet_->stream_index = videoStream_->index;
      result = av_interleaved_write_frame(output_.get(), packet_.get());
      if (result < 0) fail(file_.target(), "cannot be written: " + ffmpegErrorText(result));
    }
    if (result != AVERROR(EAGAIN) && result != AVERROR_EOF)
      fail(file_.target(), "cannot be encoded: " + ffmpegErrorText(result));
  }

  PendingFile file_;
  SinkSettings settings_;
  std::unique_ptr<AVFormatContext, OutputContextFree> output_;
  CodecContextPtr encoder_;
  ScaleContextPtr scaler_;
  FramePtr frame_;
  PacketPtr packet_;
  AVStream* videoStream_ = nullptr;
  AVStream* audioStream_ = nullptr;
  int64_t framesWritten_ = 0;
};

}  // namespace

OutputKind outputKind(const std::string& path) {
  if (muxerName(path)) return OutputKind::Video;
  if (lowerExtension(path) == ".png")
    return path.find('%') != std::string::npos ? OutputKind::PngSequence : OutputKind::SinglePng;
  fail(path, "is neither a video (.mp4, .mkv, .mov) nor a picture (.png)");
}

std::unique_ptr<FrameSink> openVideoSink(const std::string& path, const SinkSettings& settings) {
  return std::make_unique<VideoSink>(path, settings);
}

}  // namespace kvxcli
