// Frames of any file FFmpeg reads, converted to the effect's packed B,G,R layout at the size of
// the first frame; audio packets are passed on for copying.
#include <cmath>

#include "cli_error.h"
#include "ffmpeg_ptr.h"
#include "frame_source.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace kvxcli {
namespace {

class MediaSource : public FrameSource {
 public:
  explicit MediaSource(const std::string& path) : path_(path) {
    AVFormatContext* raw = nullptr;
    int result = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (result < 0) fail(path, ffmpegErrorText(result));
    input_.reset(raw);
    result = avformat_find_stream_info(input_.get(), nullptr);
    if (result < 0) fail(path, ffmpegErrorText(result));

    const AVCodec* codec = nullptr;
    videoIndex_ = av_find_best_stream(input_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (videoIndex_ < 0 || !codec) fail(path, "holds no video or picture that can be decoded");
    AVStream* stream = input_->streams[videoIndex_];
    decoder_.reset(avcodec_alloc_context3(codec));
    if (!decoder_) throw std::bad_alloc();
    avcodec_parameters_to_context(decoder_.get(), stream->codecpar);
    decoder_->thread_count = 0;
    result = avcodec_open2(decoder_.get(), codec, nullptr);
    if (result < 0) fail(path, "cannot decode its video: " + ffmpegErrorText(result));
    if (decoder_->width <= 0 || decoder_->height <= 0 || decoder_->width > 16384 ||
        decoder_->height > 16384)
      fail(path, "has a video size that cannot be rendered");

    info_.width = decoder_->width;
    info_.height = decoder_->height;
    AVRational rate = stream->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) rate = stream->r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0 || av_q2d(rate) > 1000) rate = AVRational{25, 1};
    info_.rate = Rational{rate.num, rate.den};
    if (stream->nb_frames > 0) {
      info_.expectedFrames = stream->nb_frames;
    } else if (input_->duration > 0) {
      info_.expectedFrames =
          std::llround(input_->duration / static_cast<double>(AV_TIME_BASE) * av_q2d(rate));
    }

    audioIndex_ =
        av_find_best_stream(input_.get(), AVMEDIA_TYPE_AUDIO, -1, videoIndex_, nullptr, 0);
    packet_ = allocatePacket();
    frame_ = allocateFrame();
  }

  const SourceInfo& info() const override { return info_; }

  AudioTrack audio() const override {
    if (audioIndex_ < 0) return {};
    const AVStream* stream = input_->streams[audioIndex_];
    return AudioTrack{stream->codecpar, Rational{stream->time_base.num, stream->time_base.den}};
  }

  void setAudioHandler(AudioPacketHandler handler) override { audioHandler_ = std::move(handler); }

  bool read(std::vector<uint8_t>* bgr) override {
    while (true) {
      int result = avcodec_receive_frame(decoder_.get(), frame_.get());
      if (result == 0) {
        convert(bgr);
        av_frame_unref(frame_.get());
        return true;
      }
      if (result == AVERROR_EOF) return false;
      if (result != AVERROR(EAGAIN)) fail(path_, "cannot be decoded: " + ffmpegErrorText(result));
      feedDecoder();
    }
  }

 private:
  void feedDecoder() {
    while (!draining_) {
      int result = av_read_frame(input_.get(), packet_.get());
      if (result == AVERROR_EOF) {
        draining_ = true;
        avcodec_send_packet(decoder_.get(), nullptr);
        return;
      }
      if (result < 0) fail(path_, "cannot be read: " + ffmpegErrorText(result));
      AVPacket* packet = packet_.get();
      // The handler may take the packet's contents: look at the packet before handing it on.
      const bool isVideo = packet->stream_index == videoIndex_;
      if (packet->stream_index == audioIndex_ && audioHandler_) audioHandler_(packet);
      if (isVideo) result = avcodec_send_packet(decoder_.get(), packet);
      av_packet_unref(packet);
      if (!isVideo) continue;
      if (result < 0 && result != AVERROR(EAGAIN) && result != AVERROR_INVALIDDATA)
        fail(path_, "cannot be decoded: " + ffmpegErrorText(result));
      return;
    }
  }

  void convert(std::vector<uint8_t>* bgr) {
    const int width = info_.width;
    const int height = info_.height;
    scaler_.reset(sws_getCachedContext(scaler_.release(), frame_->width, frame_->height,
                                       static_cast<AVPixelFormat>(frame_->format), width, height,
                                       AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!scaler_) fail(path_, "has a picture format that cannot be converted");
    bgr->resize(static_cast<size_t>(width) * height * 3);
    uint8_t* planes[4] = {bgr->data(), nullptr, nullptr, nullptr};
    int strides[4] = {width * 3, 0, 0, 0};
    sws_scale(scaler_.get(), frame_->data, frame_->linesize, 0, frame_->height, planes, strides);
  }

  std::string path_;
  InputContextPtr input_;
  CodecContextPtr decoder_;
  ScaleContextPtr scaler_;
  PacketPtr packet_;
  FramePtr frame_;
  SourceInfo info_;
  int videoIndex_ = -1;
  int audioIndex_ = -1;
  bool draining_ = false;
  AudioPacketHandler audioHandler_;
};

}  // namespace

std::unique_ptr<FrameSource> openMediaSource(const std::string& path) {
  return std::make_unique<MediaSource>(path);
}

}  // namespace kvxcli
