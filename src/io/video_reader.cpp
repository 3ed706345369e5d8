#include "io/video_reader.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace kvxvideo {
namespace {

constexpr int64_t kUnknownNumber = -2;
// Consecutive packets the decoder may refuse before the file counts as damaged.
constexpr int kMaxRefusedPackets = 64;
constexpr int kPixelAlignment = 64;

int swsColorSpace(const AVFrame* frame) {
  switch (frame->colorspace) {
    case AVCOL_SPC_BT709:
      return SWS_CS_ITU709;
    case AVCOL_SPC_FCC:
      return SWS_CS_FCC;
    case AVCOL_SPC_SMPTE240M:
      return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
      return SWS_CS_BT2020;
    case AVCOL_SPC_UNSPECIFIED:
      // Untagged video as players take it: BT.709 above standard definition's 576 lines.
      return frame->height > 576 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
    default:
      return SWS_CS_DEFAULT;
  }
}

}  // namespace

std::unique_ptr<VideoReader> VideoReader::open(const std::string& path) {
  std::unique_ptr<VideoReader> reader(new (std::nothrow) VideoReader);
  if (!reader || !reader->openFile(path)) return nullptr;
  return reader;
}

VideoReader::~VideoReader() {
  sws_freeContext(scaler_);
}

bool VideoReader::openFile(const std::string& path) {
  AVFormatContext* input = nullptr;
  if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) return false;
  format_.reset(input);
  if (avformat_find_stream_info(input, nullptr) < 0) return false;
  const AVCodec* codec = nullptr;
  const int index = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  if (index < 0 || !codec) return false;
  stream_ = input->streams[index];

  const AVCodecParameters* parameters = stream_->codecpar;
  if (parameters->width < 1 || parameters->height < 1 || parameters->width > kMaxVideoSide ||
      parameters->height > kMaxVideoSide ||
      int64_t{parameters->width} * parameters->height > kMaxVideoPixels)
    return false;
  properties_.width = parameters->width;
  properties_.height = parameters->height;
  AVRational rate = av_guess_frame_rate(input, stream_, nullptr);
  if (rate.num <= 0 || rate.den <= 0) rate = AVRational{25, 1};
  properties_.frameRate = rate;
  if (stream_->time_base.num <= 0 || stream_->time_base.den <= 0) return false;
  // Decoding forward is cheaper than a seek for short jumps; two seconds covers a usual GOP.
  seekAheadFrames_ = std::max<int64_t>(16, av_rescale(2, rate.num, rate.den));

  decoder_.reset(avcodec_alloc_context3(codec));
  if (!decoder_ || avcodec_parameters_to_context(decoder_.get(), parameters) < 0) return false;
  decoder_->pkt_timebase = stream_->time_base;
  decoder_->thread_count = 0;
  if (avcodec_open2(decoder_.get(), codec, nullptr) < 0) return false;

  packet_.reset(av_packet_alloc());
  current_.reset(av_frame_alloc());
  pending_.reset(av_frame_alloc());
  scratch_.reset(av_frame_alloc());
  if (!packet_ || !current_ || !pending_ || !scratch_ || !allocateBitmap()) return false;

  // The first frame proves the file plays and fixes the timestamp of frame 0.
  if (!receiveFrame(current_.get())) return false;
  timed_ = current_->pts != AV_NOPTS_VALUE || current_->pkt_dts != AV_NOPTS_VALUE;
  if (timed_ && current_->best_effort_timestamp != AV_NOPTS_VALUE)
    originPts_ = current_->best_effort_timestamp;
  hasCurrent_ = true;
  currentNumber_ = 0;
  lastTakenNumber_ = 0;
  return true;
}

bool VideoReader::allocateBitmap() {
  rowBytes_ = dibRowBytes(properties_.width);
  const int64_t imageBytes = rowBytes_ * properties_.height;
  const int64_t storageBytes = kPixelAlignment + sizeof(BITMAPINFOHEADER) + imageBytes;
  bitmapStorage_.reset(new (std::nothrow) uint8_t[storageBytes]());
  if (!bitmapStorage_) return false;
  // Rows start on an aligned address so the converter can use its fastest path.
  const uintptr_t afterHeader =
      reinterpret_cast<uintptr_t>(bitmapStorage_.get()) + sizeof(BITMAPINFOHEADER);
  const uintptr_t aligned = (afterHeader + kPixelAlignment - 1) & ~uintptr_t{kPixelAlignment - 1};
  pixels_ = bitmapStorage_.get() + (aligned - reinterpret_cast<uintptr_t>(bitmapStorage_.get()));
  bitmap_ = reinterpret_cast<BITMAPINFOHEADER*>(pixels_ - sizeof(BITMAPINFOHEADER));
  *bitmap_ = BITMAPINFOHEADER{};
  bitmap_->biSize = sizeof(BITMAPINFOHEADER);
  bitmap_->biWidth = properties_.width;
  bitmap_->biHeight = properties_.height;
  bitmap_->biPlanes = 1;
  bitmap_->biBitCount = 24;
  bitmap_->biSizeImage = static_cast<uint32_t>(imageBytes);
  return true;
}

bool VideoReader::receiveFrame(AVFrame* frame) {
  av_frame_unref(frame);
  int refused = 0;
  for (;;) {
    int result = avcodec_receive_frame(decoder_.get(), frame);
    if (result == 0) return true;
    if (result == AVERROR_EOF) return false;
    if (result != AVERROR(EAGAIN) && ++refused > kMaxRefusedPackets) return false;
    if (result == AVERROR(EAGAIN) && inputEnded_) return false;
    while (!inputEnded_) {
      if (av_read_frame(format_.get(), packet_.get()) < 0) {
        inputEnded_ = true;
        avcodec_send_packet(decoder_.get(), nullptr);
        break;
      }
      if (packet_->stream_index != stream_->index) {
        av_packet_unref(packet_.get());
        continue;
      }
      result = avcodec_send_packet(decoder_.get(), packet_.get());
      av_packet_unref(packet_.get());
      if (result < 0 && result != AVERROR(EAGAIN) && ++refused > kMaxRefusedPackets) return false;
      if (result >= 0) break;
    }
  }
}

int64_t VideoReader::numberOf(const AVFrame* frame) const {
  const int64_t pts = frame->best_effort_timestamp;
  if (!timed_ || pts == AV_NOPTS_VALUE)
    return lastTakenNumber_ == kUnknownNumber ? kUnknownNumber : lastTakenNumber_ + 1;
  return av_rescale_q_rnd(pts - originPts_, stream_->time_base, av_inv_q(properties_.frameRate),
                          static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

bool VideoReader::takeNextFrame(AVFrame* frame, int64_t* number) {
  av_frame_unref(frame);
  if (hasPending_) {
    av_frame_move_ref(frame, pending_.get());
    hasPending_ = false;
    *number = pendingNumber_;
    return true;
  }
  if (!receiveFrame(frame)) return false;
  *number = numberOf(frame);
  lastTakenNumber_ = *number;
  return true;
}

bool VideoReader::reposition(int64_t position, bool inBytes) {
  const int result =
      inBytes ? av_seek_frame(format_.get(), -1, position, AVSEEK_FLAG_BYTE)
              : avformat_seek_file(format_.get(), stream_->index, INT64_MIN, position, position, 0);
  if (result < 0) return false;
  avcodec_flush_buffers(decoder_.get());
  inputEnded_ = false;
  hasPending_ = false;
  hasCurrent_ = false;
  av_frame_unref(pending_.get());
  return true;
}

bool VideoReader::rewind() {
  if (!reposition(timed_ ? originPts_ : 0, !timed_)) return false;
  lastTakenNumber_ = -1;
  int64_t number = 0;
  if (!takeNextFrame(current_.get(), &number)) return false;
  hasCurrent_ = true;
  currentConverted_ = false;
  currentNumber_ = number;
  return true;
}

bool VideoReader::seekTo(int64_t target) {
  // The key frame before the target; if the container's index misleads us there, the start of
  // the stream, from which decoding forward always reaches the target.
  if (timed_) {
    const int64_t timestamp =
        originPts_ + av_rescale_q(target, av_inv_q(properties_.frameRate), stream_->time_base);
    if (reposition(timestamp, false)) {
      lastTakenNumber_ = kUnknownNumber;
      int64_t number = 0;
      if (takeNextFrame(current_.get(), &number) && number != kUnknownNumber && number <= target) {
        hasCurrent_ = true;
        currentConverted_ = false;
        currentNumber_ = number;
        return true;
      }
    }
  }
  return rewind();
}

const BITMAPINFOHEADER* VideoReader::read(uint32_t frameNumber) {
  const int64_t target = frameNumber;
  const bool farAhead = timed_ && target - currentNumber_ > seekAheadFrames_;
  if (!hasCurrent_ || target < currentNumber_ || farAhead) {
    if (!seekTo(target)) return nullptr;
  }
  while (currentNumber_ < target) {
    int64_t number = 0;
    if (!takeNextFrame(scratch_.get(), &number)) break;
    if (number > target) {
      // Frame `target` has no frame of its own: the earlier frame is still on screen.
      av_frame_move_ref(pending_.get(), scratch_.get());
      pendingNumber_ = number;
      hasPending_ = true;
      break;
    }
    std::swap(current_, scratch_);
    currentNumber_ = number;
    currentConverted_ = false;
  }
  if (currentNumber_ < target && !hasPending_) return nullptr;  // past the end
  if (!currentConverted_ && !convertCurrent()) return nullptr;
  return bitmap_;
}

bool VideoReader::convertCurrent() {
  const AVFrame* frame = current_.get();
  if (frame->width < 1 || frame->height < 1 || frame->format < 0) return false;
  const int colorSpace = swsColorSpace(frame);
  const int fullRange = frame->color_range == AVCOL_RANGE_JPEG ? 1 : 0;
  if (!scaler_ || frame->width != scalerWidth_ || frame->height != scalerHeight_ ||
      frame->format != scalerFormat_ || colorSpace != scalerColorSpace_ ||
      fullRange != scalerRange_) {
    sws_freeContext(scaler_);
    // A frame whose size changed mid-stream is scaled to the video's size.
    scaler_ = sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                             properties_.width, properties_.height, AV_PIX_FMT_BGR24, SWS_BILINEAR,
                             nullptr, nullptr, nullptr);
    if (!scaler_) return false;
    int* inverseTable = nullptr;
    int* table = nullptr;
    int sourceRange = 0, destinationRange = 0, brightness = 0, contrast = 0, saturation = 0;
    if (sws_getColorspaceDetails(scaler_, &inverseTable, &sourceRange, &table, &destinationRange,
                                 &brightness, &contrast, &saturation) >= 0)
      sws_setColorspaceDetails(scaler_, sws_getCoefficients(colorSpace), fullRange, table,
                               destinationRange, brightness, contrast, saturation);
    scalerWidth_ = frame->width;
    scalerHeight_ = frame->height;
    scalerFormat_ = frame->format;
    scalerColorSpace_ = colorSpace;
    scalerRange_ = fullRange;
  }
  // Bottom-up rows: start at the last row and step backwards, so one pass writes the bitmap.
  uint8_t* destination[4] = {pixels_ + (properties_.height - 1) * rowBytes_, nullptr, nullptr,
                             nullptr};
  const int destinationStride[4] = {-static_cast<int>(rowBytes_), 0, 0, 0};
  if (sws_scale(scaler_, frame->data, frame->linesize, 0, frame->height, destination,
                destinationStride) <= 0)
    return false;
  currentConverted_ = true;
  return true;
}

}  // namespace kvxvideo
