#include "io/video_frame_count.h"

#include <algorithm>

namespace kvxvideo {
namespace {

uint32_t clampCount(int64_t count) {
  return static_cast<uint32_t>(std::clamp<int64_t>(count, 0, UINT32_MAX));
}

int64_t framesIn(int64_t duration, AVRational timeBase, AVRational frameRate) {
  return av_rescale_q_rnd(duration, timeBase, av_inv_q(frameRate),
                          static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

}  // namespace

uint32_t videoFrameCount(const VideoReader& reader, const std::string& path) {
  const AVStream* stream = reader.stream();
  const AVFormatContext* format = reader.format();
  if (stream->nb_frames > 0) return clampCount(stream->nb_frames);
  // A duration guessed from the bit rate is too rough to number frames by.
  if (format->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE) {
    const AVRational rate = reader.properties().frameRate;
    int64_t estimate = 0;
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
      estimate = framesIn(stream->duration, stream->time_base, rate);
    else if (format->duration != AV_NOPTS_VALUE && format->duration > 0)
      estimate = framesIn(format->duration, AV_TIME_BASE_Q, rate);
    if (estimate > 0) return clampCount(estimate);
  }
  return countStreamPackets(path, stream->index);
}

uint32_t countStreamPackets(const std::string& path, int streamIndex) {
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return 0;
  InputFormat input(raw);
  if (avformat_find_stream_info(raw, nullptr) < 0) return 0;
  if (streamIndex < 0 || static_cast<unsigned>(streamIndex) >= raw->nb_streams) return 0;
  const int64_t bytes = raw->pb ? avio_size(raw->pb) : -1;
  if (bytes < 0 || bytes > kMaxCountedFileBytes) return 0;
  Packet packet(av_packet_alloc());
  if (!packet) return 0;
  int64_t count = 0;
  while (av_read_frame(raw, packet.get()) >= 0) {
    if (packet->stream_index == streamIndex) ++count;
    av_packet_unref(packet.get());
  }
  return clampCount(count);
}

}  // namespace kvxvideo
