// PNG pictures: one file, or a numbered sequence. Every picture is written under a temporary
// name; all of them are moved under their names only when the render completes.
#include <cstdio>
#include <vector>

#include "cli_error.h"
#include "frame_sink.h"
#include "host/ffmpeg_ptr.h"
#include "kvxtheme/pixel_rows.h"
#include "pending_file.h"

namespace kvxcli {
namespace {

class PngSink : public FrameSink {
 public:
  PngSink(std::string path, const SinkSettings& settings, OutputKind kind)
      : path_(std::move(path)), settings_(settings), kind_(kind) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PNG);
    if (!codec) fail(path_, "cannot be written: this FFmpeg has no PNG encoder");
    encoder_.reset(avcodec_alloc_context3(codec));
    if (!encoder_) throw std::bad_alloc();
    encoder_->width = settings.width;
    encoder_->height = settings.height;
    encoder_->pix_fmt = settings.alpha ? AV_PIX_FMT_RGBA : AV_PIX_FMT_RGB24;
    encoder_->time_base = AVRational{settings.rate.den, settings.rate.num};
    int result = avcodec_open2(encoder_.get(), codec, nullptr);
    if (result < 0) fail(path_, "cannot be encoded: " + ffmpegErrorText(result));
    frame_ = kvxhost::allocateFrame();
    frame_->width = settings.width;
    frame_->height = settings.height;
    frame_->format = encoder_->pix_fmt;
    if (av_frame_get_buffer(frame_.get(), 0) < 0) throw std::bad_alloc();
    packet_ = kvxhost::allocatePacket();
  }

  void write(const uint8_t* pixels) override {
    if (kind_ == OutputKind::SinglePng && !pictures_.empty())
      fail(path_, "holds one picture; use --frames 1 or a numbered name like out_%04d.png");
    std::string name = kind_ == OutputKind::SinglePng
                           ? path_
                           : formatPattern(path_, static_cast<int64_t>(pictures_.size()) + 1);
    PendingFile file(name);
    encode(pixels);
    FILE* out = std::fopen(file.temporaryPath().c_str(), "wb");
    if (!out) fail(name, "cannot be written");
    bool written =
        std::fwrite(packet_->data, 1, packet_->size, out) == static_cast<size_t>(packet_->size);
    written = std::fclose(out) == 0 && written;
    av_packet_unref(packet_.get());
    if (!written) fail(name, "cannot be written (disk full?)");
    pictures_.push_back(std::move(file));
  }

  void finish() override {
    if (pictures_.empty()) fail(path_, "nothing to write: the source gave no frames");
    for (auto& picture : pictures_) picture.commit();
  }

 private:
  // B, G, R (and A) in, R, G, B (and A) out.
  void encode(const uint8_t* pixels) {
    int result = av_frame_make_writable(frame_.get());
    if (result < 0) throw std::bad_alloc();
    const size_t channels = settings_.alpha ? 4 : 3;
    const size_t rowBytes = static_cast<size_t>(settings_.width) * channels;
    for (int y = 0; y < settings_.height; ++y) {
      const uint8_t* in = pixels + y * rowBytes;
      uint8_t* out = frame_->data[0] + static_cast<size_t>(y) * frame_->linesize[0];
      if (channels == 4)
        kvxSwapRedBlueAlpha(in, out, static_cast<size_t>(settings_.width));
      else
        kvxSwapRedBlue(in, out, static_cast<size_t>(settings_.width));
    }
    result = avcodec_send_frame(encoder_.get(), frame_.get());
    if (result >= 0) result = avcodec_receive_packet(encoder_.get(), packet_.get());
    if (result < 0) fail(path_, "cannot be encoded: " + ffmpegErrorText(result));
  }

  std::string path_;
  SinkSettings settings_;
  OutputKind kind_;
  kvxhost::CodecContextPtr encoder_;
  kvxhost::FramePtr frame_;
  kvxhost::PacketPtr packet_;
  std::vector<PendingFile> pictures_;
};

}  // namespace

std::string formatPattern(const std::string& pattern, int64_t number) {
  std::string name;
  bool substituted = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%') {
      name += pattern[i];
      continue;
    }
    if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
      name += '%';
      ++i;
      continue;
    }
    size_t end = i + 1;
    int digits = 0;
    if (end < pattern.size() && pattern[end] == '0') {
      ++end;
      while (end < pattern.size() && pattern[end] >= '0' && pattern[end] <= '9' && digits < 10)
        digits = digits * 10 + (pattern[end++] - '0');
      if (digits == 0 || digits > 9) fail(pattern, "needs a width of 1 to 9 digits, as in %04d");
    }
    if (end >= pattern.size() || pattern[end] != 'd' || substituted)
      fail(pattern, "may hold one number, written %d or %04d (write %% for a percent sign)");
    std::string digitsText = std::to_string(number);
    if (static_cast<int>(digitsText.size()) < digits)
      digitsText.insert(0, digits - digitsText.size(), '0');
    name += digitsText;
    substituted = true;
    i = end;
  }
  if (!substituted) fail(pattern, "needs a number in its name, as in out_%04d.png");
  return name;
}

std::unique_ptr<FrameSink> openPngSink(const std::string& path, const SinkSettings& settings,
                                       OutputKind kind) {
  return std::make_unique<PngSink>(path, settings, kind);
}

}  // namespace kvxcli
