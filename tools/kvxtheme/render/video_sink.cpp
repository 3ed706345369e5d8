// Video in MP4, QuickTime, Matroska or WebM, opaque or with alpha, written under a temporary name
// and moved into place when complete. The source's audio is copied when the container can carry
// its codec, else encoded again (AudioEncoder).
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <filesystem>
#include <string_view>

#include "audio_encoder.h"
#include "cli_error.h"
#include "frame_sink.h"
#include "host/ffmpeg_ptr.h"
#include "pending_file.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace kvxcli {
namespace {

// ProRes's quantiser scale, 1 the finest: at 3 a detailed 1080p clip comes back at about 50 dB
// in fewer bytes than the encoder's own per-slice choice gives.
constexpr int kProResQuantiser = 3;

std::string lowerExtension(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

class VideoSink : public FrameSink {
 public:
  VideoSink(const std::string& path, const SinkSettings& settings)
      : file_(path), settings_(settings) {
    AVFormatContext* raw = nullptr;
    int result = avformat_alloc_output_context2(&raw, nullptr, videoMuxerName(path),
                                                file_.temporaryPath().c_str());
    if (result < 0 || !raw) fail(path, "cannot be written: " + ffmpegErrorText(result));
    output_.reset(raw);
    openEncoder();
    addAudioStream();
    result = avio_open(&output_->pb, file_.temporaryPath().c_str(), AVIO_FLAG_WRITE);
    if (result < 0) fail(path, "cannot be written: " + ffmpegErrorText(result));
    result = avformat_write_header(output_.get(), nullptr);
    if (result < 0) fail(path, "cannot be written: " + ffmpegErrorText(result));
    packet_ = kvxhost::allocatePacket();
  }

  bool takesAudio() const override { return audioStream_ || audioEncoder_; }

  void write(const uint8_t* pixels) override {
    int result = av_frame_make_writable(frame_.get());
    if (result < 0) throw std::bad_alloc();
    // Fields are converted apart, so that the chroma of one never takes the other's.
    const int fields = settings_.interlaced ? 2 : 1;
    const int rowBytes = settings_.width * (settings_.alpha ? 4 : 3);
    for (int field = 0; field < fields; ++field) {
      const uint8_t* from[4] = {pixels + static_cast<size_t>(field) * rowBytes, nullptr, nullptr,
                                nullptr};
      const int fromStrides[4] = {rowBytes * fields, 0, 0, 0};
      uint8_t* to[4] = {};
      int toStrides[4] = {};
      for (int plane = 0; plane < 4 && frame_->data[plane]; ++plane) {
        to[plane] = frame_->data[plane] + static_cast<ptrdiff_t>(field) * frame_->linesize[plane];
        toStrides[plane] = frame_->linesize[plane] * fields;
      }
      sws_scale(scaler_.get(), from, fromStrides, 0, settings_.height / fields, to, toStrides);
    }
    // The output begins with a key frame, whatever the encoder would choose: a segment must
    // decode on its own and join others by stream copy.
    frame_->pict_type = framesWritten_ == 0 ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    frame_->pts = framesWritten_++;
    if (settings_.interlaced) {
      frame_->interlaced_frame = 1;
      frame_->top_field_first = settings_.topFieldFirst ? 1 : 0;
    }
    sendToEncoder(frame_.get());
  }

  void writeAudio(AVPacket* packet) override {
    if (audioEncoder_) {
      audioEncoder_->write(packet);
      return;
    }
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
    if (audioEncoder_) audioEncoder_->finish();
    sendToEncoder(nullptr);
    int result = av_write_trailer(output_.get());
    if (result < 0) fail(file_.target(), "cannot be written: " + ffmpegErrorText(result));
    result = avio_closep(&output_->pb);
    if (result < 0) fail(file_.target(), "cannot be written: " + ffmpegErrorText(result));
    file_.commit();
  }

 private:
  // A new encoder context for the codec FFmpeg knows by `name`.
  const AVCodec* allocateEncoder(const char* name) {
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (!codec)
      fail(file_.target(),
           std::string("cannot be encoded: this FFmpeg has no ") + name + " encoder");
    if (avformat_query_codec(output_->oformat, codec->id, FF_COMPLIANCE_NORMAL) != 1)
      fail("--codec",
           std::string(codecName(settings_.codec)) + " cannot be written into " + file_.target());
    encoder_.reset(avcodec_alloc_context3(codec));
    if (!encoder_) throw std::bad_alloc();
    return codec;
  }

  // The quality options name what the codec has.
  void checkQualityOptions() const {
    const VideoCodec codec = settings_.codec;
    const std::string name = codecName(codec);
    if (settings_.crf >= 0 && codec != VideoCodec::H264 && codec != VideoCodec::Vp9)
      fail("--crf", "sets the quality of h264 and vp9, not of " + name);
    if (settings_.crf > 51 && codec == VideoCodec::H264)
      fail("--crf", "runs from 0 to 51 for h264, not " + std::to_string(settings_.crf));
    if (!settings_.preset.empty() && codec != VideoCodec::H264)
      fail("--preset", "chooses x264's preset (h264), not one of " + name);
    if (!settings_.pixelFormat.empty() && codec != VideoCodec::H264)
      fail("--pix-fmt", "chooses the chroma format of h264, not of " + name);
    if (settings_.bitRate > 0 && codec != VideoCodec::H264 && codec != VideoCodec::Vp9)
      fail("--bitrate", "sets the bit rate of h264 and vp9, not of " + name);
    if (settings_.bitRate > 0 && settings_.crf >= 0)
      fail("--bitrate", "and --crf each set the quality; give one of them");
  }

  // The codec's encoder with its settings: the context's pixel format and private options.
  const AVCodec* chooseEncoder() {
    checkQualityOptions();
    const bool alpha = settings_.alpha;
    const bool evenSize = settings_.width % 2 == 0 && settings_.height % 2 == 0;
    switch (settings_.codec) {
      case VideoCodec::Ffv1: {
        const AVCodec* codec = allocateEncoder("ffv1");
        // The effect's bytes as they are; version 3 with intra frames only, so that every frame
        // decodes on its own.
        encoder_->pix_fmt = alpha ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR0;
        encoder_->level = 3;
        encoder_->gop_size = 1;
        av_opt_set(encoder_->priv_data, "coder", "range_def", 0);
        return codec;
      }
      case VideoCodec::ProRes: {
        const AVCodec* codec = allocateEncoder("prores_ks");
        encoder_->pix_fmt = alpha ? AV_PIX_FMT_YUVA444P10LE : AV_PIX_FMT_YUV422P10LE;
        av_opt_set(encoder_->priv_data, "profile", alpha ? "4444" : "hq", 0);
        // 16 bits of alpha keep the theme's soft edges and shadows exact.
        if (alpha) av_opt_set_int(encoder_->priv_data, "alpha_bits", 16, 0);
        // One fine quantiser for every slice instead of the encoder's search for one per slice:
        // about five times faster, and at least as close to the picture for no more bytes.
        encoder_->flags |= AV_CODEC_FLAG_QSCALE;
        encoder_->global_quality = kProResQuantiser * FF_QP2LAMBDA;
        return codec;
      }
      case VideoCodec::Vp9: {
        if (!evenSize)
          fail(file_.target(), "VP9 needs an even width and height, not " +
                                   std::to_string(settings_.width) + " x " +
                                   std::to_string(settings_.height));
        const AVCodec* codec = allocateEncoder("libvpx-vp9");
        encoder_->pix_fmt = alpha ? AV_PIX_FMT_YUVA420P : AV_PIX_FMT_YUV420P;
        encoder_->bit_rate = settings_.bitRate;
        if (settings_.bitRate == 0)
          av_opt_set(encoder_->priv_data, "crf",
                     std::to_string(settings_.crf >= 0 ? settings_.crf : 24).c_str(), 0);
        av_opt_set(encoder_->priv_data, "deadline", "good", 0);
        av_opt_set(encoder_->priv_data, "cpu-used", "4", 0);
        av_opt_set(encoder_->priv_data, "row-mt", "1", 0);
        return codec;
      }
      case VideoCodec::Qtrle: {
        const AVCodec* codec = allocateEncoder("qtrle");
        encoder_->pix_fmt = alpha ? AV_PIX_FMT_ARGB : AV_PIX_FMT_RGB24;
        return codec;
      }
      case VideoCodec::H264:
        break;
    }
    if (alpha) fail("--codec", "h264 has no alpha; an overlay needs prores, vp9, qtrle or ffv1");
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) codec = avcodec_find_encoder(AV_CODEC_ID_H264);
    if (!codec) fail(file_.target(), "cannot be encoded: this FFmpeg has no H.264 encoder");
    if (avformat_query_codec(output_->oformat, AV_CODEC_ID_H264, FF_COMPLIANCE_NORMAL) != 1)
      fail("--codec", "h264 cannot be written into " + file_.target());
    encoder_.reset(avcodec_alloc_context3(codec));
    if (!encoder_) throw std::bad_alloc();
    // 4:2:0, which players take everywhere, halves the chroma both ways: an odd size cannot
    // be, and is refused rather than written in a format many players refuse.
    const std::string chroma = settings_.pixelFormat.empty() ? "yuv420p" : settings_.pixelFormat;
    encoder_->pix_fmt = av_get_pix_fmt(chroma.c_str());
    const bool evenWidth = settings_.width % 2 == 0;
    if ((chroma == "yuv420p" && !evenSize) || (chroma == "yuv422p" && !evenWidth))
      fail(file_.target(), "is " + std::to_string(settings_.width) + " x " +
                               std::to_string(settings_.height) + ", which " + chroma +
                               " cannot hold (it halves the chroma); give an even --size, or "
                               "--pix-fmt yuv444p");
    av_opt_set(encoder_->priv_data, "preset",
               settings_.preset.empty() ? "fast" : settings_.preset.c_str(), 0);
    if (settings_.bitRate > 0)
      encoder_->bit_rate = settings_.bitRate;
    else
      av_opt_set(encoder_->priv_data, "crf",
                 std::to_string(settings_.crf >= 0 ? settings_.crf : 18).c_str(), 0);
    // The key frame asked for at the first frame is an IDR picture, which resets all references.
    av_opt_set(encoder_->priv_data, "forced-idr", "1", 0);
    // x264 codes the field order it starts with whatever later frames say, and MP4 has no
    // field-order box for H.264: the order must be in the stream from the first frame.
    if (settings_.interlaced && std::string_view(codec->name) == "libx264")
      av_opt_set(encoder_->priv_data, "x264-params", settings_.topFieldFirst ? "tff=1" : "bff=1",
                 0);
    return codec;
  }

  void openEncoder() {
    const AVCodec* codec = chooseEncoder();
    videoStream_ = avformat_new_stream(output_.get(), nullptr);
    if (!videoStream_) throw std::bad_alloc();
    encoder_->width = settings_.width;
    encoder_->height = settings_.height;
    encoder_->time_base = AVRational{settings_.rate.den, settings_.rate.num};
    encoder_->framerate = AVRational{settings_.rate.num, settings_.rate.den};
    encoder_->thread_count = 0;
    if (settings_.interlaced) {
      encoder_->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
      encoder_->field_order = settings_.topFieldFirst ? AV_FIELD_TT : AV_FIELD_BB;
    }
    const bool yuv = tagColours();
    setEncoderOptions(codec);
    if (output_->oformat->flags & AVFMT_GLOBALHEADER)
      encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int result = avcodec_open2(encoder_.get(), codec, nullptr);
    if (result < 0) fail(file_.target(), "cannot be encoded: " + ffmpegErrorText(result));
    avcodec_parameters_from_context(videoStream_->codecpar, encoder_.get());
    videoStream_->time_base = encoder_->time_base;
    videoStream_->avg_frame_rate = encoder_->framerate;

    frame_ = kvxhost::allocateFrame();
    frame_->width = settings_.width;
    frame_->height = settings_.height;
    frame_->format = encoder_->pix_fmt;
    frame_->color_range = encoder_->color_range;
    frame_->colorspace = encoder_->colorspace;
    frame_->color_primaries = encoder_->color_primaries;
    frame_->color_trc = encoder_->color_trc;
    if (av_frame_get_buffer(frame_.get(), 0) < 0) throw std::bad_alloc();
    const int fields = settings_.interlaced ? 2 : 1;
    // Chroma halved by averaging, rounded exactly, comes closest to the source's after the
    // source's was interpolated up to BGR: 47.9 dB for 1080p bars, against 47.1 with bicubic
    // and 42.0 without exact rounding, for about 5 ms a frame.
    scaler_.reset(sws_getContext(settings_.width, settings_.height / fields,
                                 settings_.alpha ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24,
                                 settings_.width, settings_.height / fields, encoder_->pix_fmt,
                                 SWS_AREA | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
    if (!scaler_) fail(file_.target(), "cannot be encoded: no colour conversion");
    const Colorimetry written{encoder_->colorspace, encoder_->color_range,
                              encoder_->color_primaries, encoder_->color_trc};
    setConversionColorimetry(scaler_.get(), nullptr, yuv ? &written : nullptr);
  }

  // Refused by name before the output is opened, so that nothing is written.
  void setEncoderOptions(const AVCodec* codec) {
    for (const auto& [key, value] : settings_.encoderOptions) {
      const int result =
          av_opt_set(encoder_.get(), key.c_str(), value.c_str(), AV_OPT_SEARCH_CHILDREN);
      if (result == AVERROR_OPTION_NOT_FOUND)
        fail("--encoder-option",
             "'" + key + "' is not an option of the " + codec->name + " encoder");
      if (result < 0) fail("--encoder-option", key + "=" + value + ": " + ffmpegErrorText(result));
    }
  }

  // Tags the encoder with the source's colours; true when it takes YUV, whose matrix and range
  // the conversion then follows. RGB codecs keep only the primaries and transfer.
  bool tagColours() {
    const Colorimetry& colours = settings_.colorimetry;
    encoder_->color_primaries = colours.primaries;
    encoder_->color_trc = colours.transfer;
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(encoder_->pix_fmt);
    if (descriptor && (descriptor->flags & AV_PIX_FMT_FLAG_RGB)) return false;
    encoder_->colorspace = colours.matrix;
    // ProRes holds limited range only.
    encoder_->color_range =
        settings_.codec == VideoCodec::ProRes ? AVCOL_RANGE_MPEG : colours.range;
    return true;
  }

  void addAudioStream() {
    const AVCodecParameters* audio = settings_.audio.parameters;
    if (!audio || settings_.audioCodec == AudioCodec::None) return;
    const bool carried =
        avformat_query_codec(output_->oformat, audio->codec_id, FF_COMPLIANCE_NORMAL) == 1;
    const bool webm = std::string_view(output_->oformat->name) == "webm";
    AudioCodec choice = settings_.audioCodec;
    if (choice == AudioCodec::Auto)
      choice = carried ? AudioCodec::Copy : webm ? AudioCodec::Opus : AudioCodec::Aac;
    if (choice != AudioCodec::Copy) {
      const AVCodecID id = choice == AudioCodec::Aac ? AV_CODEC_ID_AAC : AV_CODEC_ID_OPUS;
      if (avformat_query_codec(output_->oformat, id, FF_COMPLIANCE_NORMAL) != 1)
        fail("--audio-codec",
             std::string(audioCodecName(choice)) + " cannot be written into " + file_.target());
      const AVRational timeBase{settings_.audio.timeBase.num, settings_.audio.timeBase.den};
      audioEncoder_ = std::make_unique<AudioEncoder>(audio, timeBase,
                                                     choice == AudioCodec::Aac ? "aac" : "libopus",
                                                     output_.get(), file_.target());
      return;
    }
    if (!carried)
      fail("--audio-codec", std::string("the source's audio (") +
                                avcodec_get_name(audio->codec_id) + ") cannot be copied into " +
                                file_.target() + "; choose aac or opus");
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
  kvxhost::OutputContextPtr output_;
  kvxhost::CodecContextPtr encoder_;
  kvxhost::ScaleContextPtr scaler_;
  kvxhost::FramePtr frame_;
  kvxhost::PacketPtr packet_;
  AVStream* videoStream_ = nullptr;
  AVStream* audioStream_ = nullptr;             // the source's audio, copied
  std::unique_ptr<AudioEncoder> audioEncoder_;  // or encoded again
  int64_t framesWritten_ = 0;
};

}  // namespace

const char* videoMuxerName(const std::string& path) {
  std::string extension = lowerExtension(path);
  if (extension == ".mp4" || extension == ".m4v") return "mp4";
  if (extension == ".mov") return "mov";
  if (extension == ".mkv") return "matroska";
  if (extension == ".webm") return "webm";
  return nullptr;
}

const char* codecName(VideoCodec codec) {
  switch (codec) {
    case VideoCodec::Ffv1:
      return "ffv1";
    case VideoCodec::ProRes:
      return "prores";
    case VideoCodec::Vp9:
      return "vp9";
    case VideoCodec::Qtrle:
      return "qtrle";
    case VideoCodec::H264:
      break;
  }
  return "h264";
}

const char* audioCodecName(AudioCodec codec) {
  switch (codec) {
    case AudioCodec::Copy:
      return "copy";
    case AudioCodec::Aac:
      return "aac";
    case AudioCodec::Opus:
      return "opus";
    case AudioCodec::None:
      return "none";
    case AudioCodec::Auto:
      break;
  }
  return "auto";
}

VideoCodec defaultCodec(const std::string& path, bool alpha) {
  const std::string extension = lowerExtension(path);
  if (extension == ".webm") return VideoCodec::Vp9;
  if (!alpha) return VideoCodec::H264;
  // The codecs editors take with alpha: ProRes 4444 in QuickTime, lossless FFV1 in Matroska.
  if (extension == ".mkv") return VideoCodec::Ffv1;
  if (extension == ".mov") return VideoCodec::ProRes;
  fail(path,
       "cannot hold an overlay's alpha; use .mov (ProRes 4444 or QuickTime Animation), "
       ".webm (VP9), .mkv (FFV1) or numbered .png pictures");
}

OutputKind outputKind(const std::string& path) {
  if (videoMuxerName(path)) return OutputKind::Video;
  if (lowerExtension(path) == ".png")
    return path.find('%') != std::string::npos ? OutputKind::PngSequence : OutputKind::SinglePng;
  fail(path, "is neither a video (.mp4, .mkv, .mov, .webm) nor a picture (.png)");
}

std::unique_ptr<FrameSink> openVideoSink(const std::string& path, const SinkSettings& settings) {
  return std::make_unique<VideoSink>(path, settings);
}

}  // namespace kvxcli
