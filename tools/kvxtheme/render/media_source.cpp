// Frames of any file FFmpeg reads, converted to the effect's packed B,G,R layout at the size of
// the first frame; audio packets are passed on for copying.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cli_error.h"
#include "frame_source.h"
#include "host/ffmpeg_ptr.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

namespace kvxcli {
namespace {

// A frame number that timestamps cannot give.
constexpr int64_t kUnknownNumber = INT64_MIN;

class MediaSource : public FrameSource {
 public:
  MediaSource(const std::string& path, int width, int height) : path_(path) {
    open();
    const AVStream* stream = input_->streams[videoIndex_];
    info_.width = decoder_->width;
    info_.height = decoder_->height;
    if (width != 0 && height != 0) {
      info_.width = width;
      info_.height = height;
      resolveSize("--size", decoder_->width, decoder_->height, &info_.width, &info_.height);
    }
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
    packet_ = kvxhost::allocatePacket();
    frame_ = kvxhost::allocateFrame();
    describe();
  }

  const SourceInfo& info() const override { return info_; }

  AudioTrack audio() const override {
    if (audioIndex_ < 0) return {};
    const AVStream* stream = input_->streams[audioIndex_];
    return AudioTrack{stream->codecpar, Rational{stream->time_base.num, stream->time_base.den}};
  }

  void setAudioHandler(AudioPacketHandler handler) override { audioHandler_ = std::move(handler); }

  bool read(std::vector<uint8_t>* bgr) override {
    if (!held_ && !decodeFrame()) return false;
    held_ = false;
    if (bgr) convert(bgr);
    av_frame_unref(frame_.get());
    return true;
  }

  // Seeks to a key frame at or before the frame and decodes forward, numbering frames by their
  // timestamps from frame 0's at the source's rate. Where that numbering cannot be trusted (no
  // timestamps, no key frame before the frame, a gap on the way) the frames are counted from
  // the start instead, as a whole render counts them.
  bool seekFrame(int64_t index, int64_t* frameCount) override {
    if (index <= 0) return true;
    audioPaused_ = true;
    bool found = false;
    if (!decodeFrame()) {
      *frameCount = 0;
    } else {
      const int64_t origin = frame_->best_effort_timestamp;
      av_frame_unref(frame_.get());
      const bool seek = origin != AV_NOPTS_VALUE && index > decodeAheadFrames();
      const SeekResult result =
          seek ? seekByTimestamp(index, origin, frameCount) : SeekResult::Unsure;
      if (result == SeekResult::Unsure) {
        // After a seek the count starts again from the beginning of the file.
        if (seek) open();
        found = skipFrames(seek ? 0 : 1, index, frameCount);
      } else {
        found = result == SeekResult::Found;
      }
    }
    audioPaused_ = false;
    return found;
  }

 private:
  enum class SeekResult { Found, Ended, Unsure };

  // The colours and fields, from the stream's tags and its first frame's where the stream has
  // none. The file is opened again after, so that the render starts with all of its audio.
  void describe() {
    const AVCodecParameters* stream = input_->streams[videoIndex_]->codecpar;
    Colorimetry tagged{stream->color_space, stream->color_range, stream->color_primaries,
                       stream->color_trc};
    AVFieldOrder fields = stream->field_order;
    if (decodeFrame()) {
      tagged = framesColorimetry(tagged);
      if (fields == AV_FIELD_UNKNOWN)
        fields = !frame_->interlaced_frame ? AV_FIELD_PROGRESSIVE
                 : frame_->top_field_first ? AV_FIELD_TT
                                           : AV_FIELD_BB;
      av_frame_unref(frame_.get());
      open();
    }
    // A picture's YUV (JPEG's) is BT.601 at full range unless it says otherwise, and it is
    // written as video of its size is. RGB video has no matrix or range of its own to keep:
    // it is written as video of its size, in its own primaries and transfer.
    const std::string_view demuxer = input_->iformat->name;
    const bool picture = demuxer == "image2" || demuxer.ends_with("_pipe");
    const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(decoder_->pix_fmt);
    const bool rgb = format && (format->flags & AV_PIX_FMT_FLAG_RGB);
    if (picture && tagged.matrix == AVCOL_SPC_UNSPECIFIED) tagged.matrix = AVCOL_SPC_SMPTE170M;
    colorimetry_ = completeColorimetry(tagged, decoder_->height);
    if (picture)
      info_.colorimetry = assumedColorimetry(info_.height);
    else if (rgb)
      info_.colorimetry = completeColorimetry(
          {AVCOL_SPC_UNSPECIFIED, AVCOL_RANGE_UNSPECIFIED, tagged.primaries, tagged.transfer},
          info_.height);
    else
      info_.colorimetry = colorimetry_;
    // FFmpeg's own encoders tag top field first "tb" and bottom first "bt".
    info_.interlaced = fields != AV_FIELD_PROGRESSIVE && fields != AV_FIELD_UNKNOWN;
    info_.topFieldFirst = fields == AV_FIELD_TT || fields == AV_FIELD_TB;
  }

  // `base` with what the current frame tags itself.
  Colorimetry framesColorimetry(Colorimetry base) const {
    if (frame_->colorspace != AVCOL_SPC_UNSPECIFIED) base.matrix = frame_->colorspace;
    if (frame_->color_range != AVCOL_RANGE_UNSPECIFIED) base.range = frame_->color_range;
    if (frame_->color_primaries != AVCOL_PRI_UNSPECIFIED) base.primaries = frame_->color_primaries;
    if (frame_->color_trc != AVCOL_TRC_UNSPECIFIED) base.transfer = frame_->color_trc;
    return base;
  }

  // (Re)opens the file, so that decoding starts from its beginning as a whole render does.
  void open() {
    AVFormatContext* raw = nullptr;
    int result = avformat_open_input(&raw, path_.c_str(), nullptr, nullptr);
    if (result < 0) fail(path_, ffmpegErrorText(result));
    input_.reset(raw);
    result = avformat_find_stream_info(input_.get(), nullptr);
    if (result < 0) fail(path_, ffmpegErrorText(result));

    const AVCodec* codec = nullptr;
    videoIndex_ = av_find_best_stream(input_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (videoIndex_ < 0 || !codec) fail(path_, "holds no video or picture that can be decoded");
    decoder_.reset(avcodec_alloc_context3(codec));
    if (!decoder_) throw std::bad_alloc();
    avcodec_parameters_to_context(decoder_.get(), input_->streams[videoIndex_]->codecpar);
    decoder_->thread_count = 0;
    result = avcodec_open2(decoder_.get(), codec, nullptr);
    if (result < 0) fail(path_, "cannot decode its video: " + ffmpegErrorText(result));
    if (decoder_->width <= 0 || decoder_->height <= 0 || decoder_->width > 16384 ||
        decoder_->height > 16384)
      fail(path_, "has a video size that cannot be rendered");
    audioIndex_ =
        av_find_best_stream(input_.get(), AVMEDIA_TYPE_AUDIO, -1, videoIndex_, nullptr, 0);
    draining_ = false;
    held_ = false;
  }

  // Decoding forward is cheaper than a seek for short distances; two seconds covers a usual
  // group of pictures.
  int64_t decodeAheadFrames() const {
    return std::max<int64_t>(16, av_rescale(2, info_.rate.num, info_.rate.den));
  }

  SeekResult seekByTimestamp(int64_t index, int64_t origin, int64_t* frameCount) {
    const AVRational timeBase = input_->streams[videoIndex_]->time_base;
    const AVRational frameTime{info_.rate.den, info_.rate.num};
    // A container's index may place a key frame before the aim that shows after it: aim
    // further back, twice as far each time.
    for (int64_t back = 0; back < index; back = back ? back * 2 : decodeAheadFrames()) {
      const int64_t aim = origin + av_rescale_q(index - back, frameTime, timeBase);
      if (avformat_seek_file(input_.get(), videoIndex_, INT64_MIN, aim, aim, 0) < 0)
        return SeekResult::Unsure;
      avcodec_flush_buffers(decoder_.get());
      draining_ = false;
      if (!decodeFrame()) continue;
      int64_t number = frameNumber(origin);
      if (number == kUnknownNumber) return SeekResult::Unsure;
      if (!frame_->key_frame || number > index) continue;
      while (number < index) {
        av_frame_unref(frame_.get());
        if (!decodeFrame()) {
          *frameCount = number + 1;
          return SeekResult::Ended;
        }
        const int64_t next = frameNumber(origin);
        if (next != number + 1) return SeekResult::Unsure;
        number = next;
      }
      held_ = true;
      return SeekResult::Found;
    }
    return SeekResult::Unsure;
  }

  // Decodes frames from frame `next` on, dropping them up to frame `index`, which is held.
  bool skipFrames(int64_t next, int64_t index, int64_t* frameCount) {
    for (;; ++next) {
      if (!decodeFrame()) {
        *frameCount = next;
        return false;
      }
      if (next == index) {
        held_ = true;
        return true;
      }
      av_frame_unref(frame_.get());
    }
  }

  int64_t frameNumber(int64_t origin) const {
    const int64_t timestamp = frame_->best_effort_timestamp;
    if (timestamp == AV_NOPTS_VALUE) return kUnknownNumber;
    return av_rescale_q_rnd(timestamp - origin, input_->streams[videoIndex_]->time_base,
                            AVRational{info_.rate.den, info_.rate.num},
                            static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
  }

  // The next decoded frame into frame_; false at the end.
  bool decodeFrame() {
    while (true) {
      int result = avcodec_receive_frame(decoder_.get(), frame_.get());
      if (result == 0) return true;
      if (result == AVERROR_EOF) return false;
      if (result != AVERROR(EAGAIN)) fail(path_, "cannot be decoded: " + ffmpegErrorText(result));
      feedDecoder();
    }
  }

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
      if (packet->stream_index == audioIndex_ && audioHandler_ && !audioPaused_)
        audioHandler_(packet);
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
    const Colorimetry colours =
        completeColorimetry(framesColorimetry(colorimetry_), frame_->height);
    const auto format = static_cast<AVPixelFormat>(frame_->format);
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
    // An interlaced frame's fields are converted apart: interpolating its chroma or scaling it
    // across both would blend two moments.
    const bool paletted = !descriptor || (descriptor->flags & AV_PIX_FMT_FLAG_PAL);
    const int fields =
        info_.interlaced && frame_->height % 2 == 0 && height % 2 == 0 && !paletted ? 2 : 1;
    if (!scaler_ || frame_->width != scalerWidth_ || frame_->height != scalerHeight_ ||
        frame_->format != scalerFormat_ || colours.matrix != scalerColours_.matrix ||
        colours.range != scalerColours_.range || fields != scalerFields_) {
      // A frame scaled to another size is resampled with Lanczos; one kept at its size is only
      // converted, on swscale's fast path: exact rounding and full chroma interpolation cost
      // 23 ms a 1080p frame there and gain nothing once the output's conversion rounds exactly.
      const bool scaled = frame_->width != width || frame_->height != height;
      const int flags = scaled ? SWS_LANCZOS | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT : SWS_BICUBIC;
      scaler_.reset(sws_getContext(frame_->width, frame_->height / fields, format, width,
                                   height / fields, AV_PIX_FMT_BGR24, flags, nullptr, nullptr,
                                   nullptr));
      if (!scaler_) fail(path_, "has a picture format that cannot be converted");
      const bool rgb = descriptor && (descriptor->flags & AV_PIX_FMT_FLAG_RGB);
      setConversionColorimetry(scaler_.get(), rgb ? nullptr : &colours, nullptr);
      scalerWidth_ = frame_->width;
      scalerHeight_ = frame_->height;
      scalerFormat_ = frame_->format;
      scalerColours_ = colours;
      scalerFields_ = fields;
    }
    bgr->resize(static_cast<size_t>(width) * height * 3);
    for (int field = 0; field < fields; ++field) {
      const uint8_t* from[4] = {};
      int fromStrides[4] = {};
      for (int plane = 0; plane < 4 && frame_->data[plane]; ++plane) {
        from[plane] = frame_->data[plane] + static_cast<ptrdiff_t>(field) * frame_->linesize[plane];
        fromStrides[plane] = frame_->linesize[plane] * fields;
      }
      uint8_t* to[4] = {bgr->data() + static_cast<size_t>(field) * width * 3, nullptr, nullptr,
                        nullptr};
      const int toStrides[4] = {width * 3 * fields, 0, 0, 0};
      sws_scale(scaler_.get(), from, fromStrides, 0, frame_->height / fields, to, toStrides);
    }
  }

  std::string path_;
  kvxhost::InputContextPtr input_;
  kvxhost::CodecContextPtr decoder_;
  kvxhost::ScaleContextPtr scaler_;
  kvxhost::PacketPtr packet_;
  kvxhost::FramePtr frame_;
  SourceInfo info_;
  Colorimetry colorimetry_;  // the stream's, which its frames' own tags override
  int scalerWidth_ = 0;
  int scalerHeight_ = 0;
  int scalerFormat_ = -1;
  Colorimetry scalerColours_;
  int scalerFields_ = 1;
  int videoIndex_ = -1;
  int audioIndex_ = -1;
  bool draining_ = false;
  bool held_ = false;         // frame_ holds the next frame, decoded by a seek
  bool audioPaused_ = false;  // the audio met while seeking belongs to skipped frames
  AudioPacketHandler audioHandler_;
};

}  // namespace

std::unique_ptr<FrameSource> openMediaSource(const std::string& path, int width, int height) {
  return std::make_unique<MediaSource>(path, width, height);
}

}  // namespace kvxcli
