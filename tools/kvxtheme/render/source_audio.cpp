#include "source_audio.h"

#include <filesystem>

#include "cli_error.h"

namespace kvxcli {
namespace {

// When a packet is decoded, for interleaving; a packet without timestamps goes right away.
int64_t decodeTime(const AVPacket* packet) {
  return packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
}

// When a packet is shown, to end the audio with the video.
int64_t showTime(const AVPacket* packet) {
  return packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
}

}  // namespace

SourceAudio::SourceAudio(const std::string& path, AVFormatContext* output,
                         const std::string& target)
    : path_(path), target_(target), output_(output) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error))
    fail(path, std::filesystem::exists(path, error) ? "is not a file" : "does not exist");
  AVFormatContext* raw = nullptr;
  int result = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
  if (result < 0) fail(path, "cannot be read: " + ffmpegErrorText(result));
  input_.reset(raw);
  result = avformat_find_stream_info(input_.get(), nullptr);
  if (result < 0) fail(path, "cannot be read: " + ffmpegErrorText(result));

  std::string refused;
  for (unsigned i = 0; i < input_->nb_streams; ++i) {
    const AVCodecParameters* parameters = input_->streams[i]->codecpar;
    if (parameters->codec_type != AVMEDIA_TYPE_AUDIO) continue;
    if (avformat_query_codec(output->oformat, parameters->codec_id, FF_COMPLIANCE_NORMAL) != 1) {
      refused = avcodec_get_name(parameters->codec_id);
      continue;
    }
    AVStream* stream = avformat_new_stream(output, nullptr);
    if (!stream) throw std::bad_alloc();
    if (avcodec_parameters_copy(stream->codecpar, parameters) < 0) throw std::bad_alloc();
    stream->codecpar->codec_tag = 0;
    stream->time_base = input_->streams[i]->time_base;
    copies_.push_back(Copy{static_cast<int>(i), stream, false});
  }
  if (copies_.empty() && refused.empty()) fail(path, "has no audio to copy");
  if (copies_.empty())
    fail(path,
         "its audio (" + refused + ") cannot be carried by " + target + "; use a .mkv output");
  packet_ = kvxhost::allocatePacket();
}

SourceAudio::Copy* SourceAudio::copyOf(int sourceIndex) {
  for (Copy& copy : copies_)
    if (copy.sourceIndex == sourceIndex) return &copy;
  return nullptr;
}

bool SourceAudio::readPacket() {
  if (held_) return true;
  while (!ended_) {
    const int result = av_read_frame(input_.get(), packet_.get());
    if (result == AVERROR_EOF) {
      ended_ = true;
      break;
    }
    if (result < 0) fail(path_, "cannot be read: " + ffmpegErrorText(result));
    const Copy* copy = copyOf(packet_->stream_index);
    if (copy && !copy->ended) {
      held_ = true;
      return true;
    }
    av_packet_unref(packet_.get());
  }
  return false;
}

void SourceAudio::writePacket(Copy* copy) {
  const AVRational from = input_->streams[copy->sourceIndex]->time_base;
  av_packet_rescale_ts(packet_.get(), from, copy->stream->time_base);
  packet_->stream_index = copy->stream->index;
  packet_->pos = -1;
  held_ = false;
  const int result = av_interleaved_write_frame(output_, packet_.get());
  if (result < 0) fail(target_, "cannot be written: " + ffmpegErrorText(result));
}

void SourceAudio::writeBefore(int64_t time, AVRational timeBase) {
  while (readPacket()) {
    Copy* copy = copyOf(packet_->stream_index);
    const AVRational from = input_->streams[copy->sourceIndex]->time_base;
    const int64_t at = decodeTime(packet_.get());
    if (at != AV_NOPTS_VALUE && av_compare_ts(at, from, time, timeBase) > 0) return;
    writePacket(copy);
  }
}

void SourceAudio::finish(int64_t end, AVRational timeBase) {
  // A stream is done at its first packet from the end on; the source is read until all are.
  size_t open = copies_.size();
  while (open > 0 && readPacket()) {
    Copy* copy = copyOf(packet_->stream_index);
    const AVRational from = input_->streams[copy->sourceIndex]->time_base;
    const int64_t at = showTime(packet_.get());
    if (at != AV_NOPTS_VALUE && av_compare_ts(at, from, end, timeBase) >= 0) {
      copy->ended = true;
      --open;
      held_ = false;
      av_packet_unref(packet_.get());
      continue;
    }
    writePacket(copy);
  }
}

}  // namespace kvxcli
