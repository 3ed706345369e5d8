#include "segment_joiner.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "cli_error.h"
#include "pending_file.h"
#include "render/frame_sink.h"
#include "render/source_audio.h"
#include "segment_part.h"

namespace kvxcli {
namespace {

class Joiner {
 public:
  // `reference`: the first part, whose codec setup the output takes.
  Joiner(const JoinOptions& options, SegmentPart reference, std::vector<PartTiming> timings,
         int64_t ticks)
      : options_(options),
        first_(std::move(reference)),
        timings_(std::move(timings)),
        ticks_(ticks),
        file_(options.output) {
    for (const PartTiming& timing : timings_) reorder_ = std::max(reorder_, timing.reorder);
    AVFormatContext* raw = nullptr;
    int result = avformat_alloc_output_context2(&raw, nullptr, videoMuxerName(options.output),
                                                file_.temporaryPath().c_str());
    if (result < 0 || !raw) fail(options.output, "cannot be written: " + ffmpegErrorText(result));
    output_.reset(raw);
    const AVCodecParameters* parameters = first_.video->codecpar;
    if (avformat_query_codec(raw->oformat, parameters->codec_id, FF_COMPLIANCE_NORMAL) != 1)
      fail(options.output, std::string("cannot carry the parts' ") +
                               avcodec_get_name(parameters->codec_id) +
                               " video; use a .mkv output");
    video_ = avformat_new_stream(raw, nullptr);
    if (!video_) throw std::bad_alloc();
    if (avcodec_parameters_copy(video_->codecpar, parameters) < 0) throw std::bad_alloc();
    video_->codecpar->codec_tag = 0;
    video_->codecpar->video_delay = static_cast<int>(std::min<int64_t>(reorder_, 16));
    video_->time_base = first_.video->time_base;
    video_->avg_frame_rate = av_guess_frame_rate(first_.input.get(), first_.video, nullptr);
    if (!options.audioSource.empty())
      audio_ = std::make_unique<SourceAudio>(options.audioSource, raw, options.output);
    result = avio_open(&raw->pb, file_.temporaryPath().c_str(), AVIO_FLAG_WRITE);
    if (result < 0) fail(options.output, "cannot be written: " + ffmpegErrorText(result));
    result = avformat_write_header(raw, nullptr);
    if (result < 0) fail(options.output, "cannot be written: " + ffmpegErrorText(result));
    packet_ = kvxhost::allocatePacket();
  }

  JoinResult run() {
    // Parts are opened one at a time, so that any number of them can be joined.
    for (size_t i = 0; i < options_.parts.size(); ++i) {
      SegmentPart part = openSegmentPart(options_.parts[i]);
      checkAgreement(first_, part);
      copyPart(part, timings_[i]);
      timings_[i] = PartTiming{};
    }
    if (audio_) audio_->finish(end_, timeBase());
    int result = av_write_trailer(output_.get());
    if (result >= 0) result = avio_closep(&output_->pb);
    if (result < 0) fail(options_.output, "cannot be written: " + ffmpegErrorText(result));
    file_.commit();
    return JoinResult{frames_, audio_ ? audio_->streamCount() : 0};
  }

 private:
  AVRational timeBase() const { return first_.video->time_base; }

  // Copies the part's frames, its first shown where the parts before it end. Decoding times
  // are made from the showing times, `reorder_` frames behind, the same way for every part:
  // Matroska keeps none, and parts may differ in how far they reorder.
  void copyPart(SegmentPart& part, const PartTiming& timing) {
    std::vector<int64_t> shown = timing.pts;
    std::sort(shown.begin(), shown.end());
    const int64_t shift = end_ - timing.start;
    AVPacket* packet = packet_.get();
    size_t index = 0;
    for (;;) {
      const int result = av_read_frame(part.input.get(), packet);
      if (result == AVERROR_EOF) break;
      if (result < 0) fail(part.path, "cannot be read: " + ffmpegErrorText(result));
      if (packet->stream_index != part.video->index) {
        av_packet_unref(packet);
        continue;
      }
      if (index >= timing.pts.size() || packet->pts != timing.pts[index])
        fail(part.path, "changed while it was being joined");
      const int64_t behind = static_cast<int64_t>(index) - reorder_;
      const int64_t dts = behind >= 0 ? shown[behind] : shown.front() + behind * ticks_;
      packet->pts += shift;
      packet->dts = dts + shift;
      if (lastDts_ != AV_NOPTS_VALUE && packet->dts <= lastDts_)
        fail(part.path, "would be decoded before the end of the part before it");
      lastDts_ = packet->dts;
      if (audio_) audio_->writeBefore(packet->dts, timeBase());
      av_packet_rescale_ts(packet, timeBase(), video_->time_base);
      packet->stream_index = video_->index;
      packet->pos = -1;
      const int written = av_interleaved_write_frame(output_.get(), packet);
      if (written < 0) fail(options_.output, "cannot be written: " + ffmpegErrorText(written));
      ++index;
      ++frames_;
    }
    if (index != timing.pts.size()) fail(part.path, "changed while it was being joined");
    end_ += timing.end - timing.start;
  }

  const JoinOptions& options_;
  SegmentPart first_;
  std::vector<PartTiming> timings_;
  int64_t ticks_;
  int64_t reorder_ = 0;
  PendingFile file_;
  kvxhost::OutputContextPtr output_;
  AVStream* video_ = nullptr;
  std::unique_ptr<SourceAudio> audio_;
  kvxhost::PacketPtr packet_;
  int64_t end_ = 0;  // where the next part begins, in the parts' time base
  int64_t lastDts_ = AV_NOPTS_VALUE;
  int64_t frames_ = 0;
};

// Refuses an output that would replace one of the files it is made from.
void checkOutputIsNew(const JoinOptions& options) {
  std::vector<std::string> inputs = options.parts;
  if (!options.audioSource.empty()) inputs.push_back(options.audioSource);
  for (const std::string& input : inputs) {
    std::error_code error;
    if (std::filesystem::equivalent(options.output, input, error))
      fail(options.output, "is also an input of the join (" + input + ")");
  }
}

}  // namespace

JoinResult joinSegments(const JoinOptions& options) {
  if (options.parts.empty()) fail("join", "needs at least one PART");
  if (outputKind(options.output) != OutputKind::Video)
    fail(options.output, "is not a video name (.mp4, .mkv, .mov)");
  checkOutputIsNew(options);
  // Every part is checked before the output is begun.
  SegmentPart first = openSegmentPart(options.parts.front());
  const int64_t ticks = frameTicks(first);
  std::vector<PartTiming> timings;
  timings.push_back(readTiming(first, ticks));
  for (size_t i = 1; i < options.parts.size(); ++i) {
    SegmentPart part = openSegmentPart(options.parts[i]);
    checkAgreement(first, part);
    timings.push_back(readTiming(part, ticks));
  }
  return Joiner(options, std::move(first), std::move(timings), ticks).run();
}

}  // namespace kvxcli
