#include "segment_part.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <numeric>

#include "cli_error.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace kvxcli {
namespace {

std::string sizeText(const AVCodecParameters* video) {
  return std::to_string(video->width) + "x" + std::to_string(video->height);
}

std::string pixelFormatText(int format) {
  const char* name = av_get_pix_fmt_name(static_cast<AVPixelFormat>(format));
  return name ? name : "unknown";
}

std::string timeBaseText(AVRational timeBase) {
  return std::to_string(timeBase.num) + "/" + std::to_string(timeBase.den);
}

}  // namespace

SegmentPart openSegmentPart(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error))
    fail(path, std::filesystem::exists(path, error) ? "is not a file" : "does not exist");
  SegmentPart part{path, nullptr, nullptr};
  AVFormatContext* raw = nullptr;
  int result = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
  if (result < 0) fail(path, "cannot be read: " + ffmpegErrorText(result));
  part.input.reset(raw);
  result = avformat_find_stream_info(raw, nullptr);
  if (result < 0) fail(path, "cannot be read: " + ffmpegErrorText(result));
  const int index = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (index < 0) fail(path, "holds no video");
  part.video = raw->streams[index];
  if (part.video->time_base.num <= 0 || part.video->time_base.den <= 0)
    fail(path, "has no time base for its video");
  return part;
}

void checkAgreement(const SegmentPart& first, const SegmentPart& part) {
  const AVCodecParameters* a = first.video->codecpar;
  const AVCodecParameters* b = part.video->codecpar;
  const auto differs = [&](const char* what, const std::string& its, const std::string& firsts) {
    fail(part.path, std::string("its ") + what + " " + its + " differs from the first part's (" +
                        firsts + ")");
  };
  if (a->codec_id != b->codec_id)
    differs("codec", avcodec_get_name(b->codec_id), avcodec_get_name(a->codec_id));
  if (a->width != b->width || a->height != b->height) differs("size", sizeText(b), sizeText(a));
  if (a->format != b->format)
    differs("pixel format", pixelFormatText(b->format), pixelFormatText(a->format));
  if (av_cmp_q(first.video->time_base, part.video->time_base) != 0)
    differs("time base", timeBaseText(part.video->time_base), timeBaseText(first.video->time_base));
  const bool sameSetup =
      a->field_order == b->field_order && a->extradata_size == b->extradata_size &&
      (a->extradata_size == 0 || std::memcmp(a->extradata, b->extradata, a->extradata_size) == 0);
  if (!sameSetup)
    fail(part.path, "was encoded with other settings than the first part (render all parts alike)");
}

int64_t frameTicks(const SegmentPart& part) {
  const AVRational rate = av_guess_frame_rate(part.input.get(), part.video, nullptr);
  if (rate.num <= 0 || rate.den <= 0) return 1;
  return std::max<int64_t>(1, av_rescale_q(1, av_inv_q(rate), part.video->time_base));
}

PartTiming readTiming(SegmentPart& part, int64_t ticks) {
  PartTiming timing;
  kvxhost::PacketPtr packet = kvxhost::allocatePacket();
  bool ended = false;
  for (;;) {
    const int result = av_read_frame(part.input.get(), packet.get());
    if (result == AVERROR_EOF) break;
    if (result < 0) fail(part.path, "cannot be read: " + ffmpegErrorText(result));
    if (packet->stream_index == part.video->index) {
      if (packet->pts == AV_NOPTS_VALUE) fail(part.path, "has a frame without a time");
      if (timing.pts.empty() && !(packet->flags & AV_PKT_FLAG_KEY))
        fail(part.path, "does not begin with a key frame and cannot be joined by stream copy");
      const int64_t length = packet->duration > 0 ? packet->duration : ticks;
      timing.end = ended ? std::max(timing.end, packet->pts + length) : packet->pts + length;
      ended = true;
      timing.pts.push_back(packet->pts);
    }
    av_packet_unref(packet.get());
  }
  if (timing.pts.empty()) fail(part.path, "holds no video frames");

  // A frame decoded i-th and shown r-th is decoded i - r frames ahead of its showing.
  std::vector<size_t> order(timing.pts.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::sort(order.begin(), order.end(),
            [&](size_t a, size_t b) { return timing.pts[a] < timing.pts[b]; });
  for (size_t rank = 0; rank < order.size(); ++rank) {
    if (rank > 0 && timing.pts[order[rank]] == timing.pts[order[rank - 1]])
      fail(part.path, "has two frames shown at the same time");
    if (order[rank] > rank)
      timing.reorder = std::max(timing.reorder, static_cast<int64_t>(order[rank] - rank));
  }
  timing.start = timing.pts[order.front()];
  return timing;
}

}  // namespace kvxcli
