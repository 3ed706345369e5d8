#include "audio_encoder.h"

#include <algorithm>

#include "cli_error.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
}

namespace kvxcli {
namespace {

// The encoder's nearest rate to the source's (Opus takes 48 kHz only).
int chooseRate(const AVCodec* codec, int wanted) {
  if (!codec->supported_samplerates) return wanted;
  int best = codec->supported_samplerates[0];
  for (const int* rate = codec->supported_samplerates; *rate; ++rate)
    if (*rate == wanted || (*rate > wanted && (best < wanted || *rate < best))) best = *rate;
  return best;
}

}  // namespace

AudioEncoder::AudioEncoder(const AVCodecParameters* source, AVRational sourceTimeBase,
                           const char* encoderName, AVFormatContext* output,
                           const std::string& target)
    : target_(target), output_(output), sourceTimeBase_(sourceTimeBase) {
  const AVCodec* decoder = avcodec_find_decoder(source->codec_id);
  if (!decoder)
    fail(target, std::string("cannot re-encode the source's audio: this FFmpeg cannot decode ") +
                     avcodec_get_name(source->codec_id));
  decoder_.reset(avcodec_alloc_context3(decoder));
  if (!decoder_) throw std::bad_alloc();
  avcodec_parameters_to_context(decoder_.get(), source);
  decoder_->pkt_timebase = sourceTimeBase;
  int result = avcodec_open2(decoder_.get(), decoder, nullptr);
  if (result < 0) fail(target, "cannot decode the source's audio: " + ffmpegErrorText(result));

  const AVCodec* codec = avcodec_find_encoder_by_name(encoderName);
  if (!codec) fail(target, std::string("cannot be encoded: this FFmpeg has no ") + encoderName);
  encoder_.reset(avcodec_alloc_context3(codec));
  if (!encoder_) throw std::bad_alloc();
  encoder_->sample_rate = chooseRate(codec, decoder_->sample_rate);
  encoder_->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
  // Opus beyond two channels needs a mapping the source's layout may not have: stereo then.
  if (decoder_->ch_layout.nb_channels > 2 && codec->id == AV_CODEC_ID_OPUS)
    av_channel_layout_default(&encoder_->ch_layout, 2);
  else if (av_channel_layout_copy(&encoder_->ch_layout, &decoder_->ch_layout) < 0)
    throw std::bad_alloc();
  if (encoder_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
    av_channel_layout_default(&encoder_->ch_layout, encoder_->ch_layout.nb_channels);
  encoder_->time_base = AVRational{1, encoder_->sample_rate};
  if (output->oformat->flags & AVFMT_GLOBALHEADER) encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  result = avcodec_open2(encoder_.get(), codec, nullptr);
  if (result < 0) fail(target, "cannot encode its audio: " + ffmpegErrorText(result));

  stream_ = avformat_new_stream(output, nullptr);
  if (!stream_) throw std::bad_alloc();
  avcodec_parameters_from_context(stream_->codecpar, encoder_.get());
  stream_->time_base = encoder_->time_base;

  AVChannelLayout from{};
  if (decoder_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
    av_channel_layout_default(&from, decoder_->ch_layout.nb_channels);
  else if (av_channel_layout_copy(&from, &decoder_->ch_layout) < 0)
    throw std::bad_alloc();
  result = swr_alloc_set_opts2(&resampler_, &encoder_->ch_layout, encoder_->sample_fmt,
                               encoder_->sample_rate, &from, decoder_->sample_fmt,
                               decoder_->sample_rate, 0, nullptr);
  av_channel_layout_uninit(&from);
  if (result < 0 || swr_init(resampler_) < 0)
    fail(target, "cannot convert the source's audio for " + std::string(encoderName));
  queue_ = av_audio_fifo_alloc(encoder_->sample_fmt, encoder_->ch_layout.nb_channels, 4096);
  if (!queue_) throw std::bad_alloc();
  frame_ = kvxhost::allocateFrame();
  chunk_ = kvxhost::allocateFrame();
  packet_ = kvxhost::allocatePacket();
}

AudioEncoder::~AudioEncoder() {
  swr_free(&resampler_);
  if (queue_) av_audio_fifo_free(queue_);
}

void AudioEncoder::write(const AVPacket* packet) {
  // A damaged packet loses its moment of sound, not the render.
  if (avcodec_send_packet(decoder_.get(), packet) < 0) return;
  decoded();
}

void AudioEncoder::finish() {
  avcodec_send_packet(decoder_.get(), nullptr);
  decoded();
  // What the resampler still holds.
  for (;;) {
    uint8_t** planes = nullptr;
    const int room = 4096;
    if (av_samples_alloc_array_and_samples(&planes, nullptr, encoder_->ch_layout.nb_channels, room,
                                           encoder_->sample_fmt, 0) < 0)
      throw std::bad_alloc();
    const int got = swr_convert(resampler_, planes, room, nullptr, 0);
    if (got > 0) av_audio_fifo_write(queue_, reinterpret_cast<void**>(planes), got);
    av_freep(&planes[0]);
    av_freep(&planes);
    if (got <= 0) break;
  }
  encodeQueued(true);
  sendToEncoder(nullptr);
}

void AudioEncoder::decoded() {
  while (avcodec_receive_frame(decoder_.get(), frame_.get()) == 0) {
    if (nextPts_ == AV_NOPTS_VALUE) {
      const int64_t start = frame_->best_effort_timestamp;
      nextPts_ =
          start == AV_NOPTS_VALUE ? 0 : av_rescale_q(start, sourceTimeBase_, encoder_->time_base);
    }
    const int room = swr_get_out_samples(resampler_, frame_->nb_samples);
    if (room < 0) fail(target_, "cannot convert the source's audio");
    uint8_t** planes = nullptr;
    if (av_samples_alloc_array_and_samples(&planes, nullptr, encoder_->ch_layout.nb_channels, room,
                                           encoder_->sample_fmt, 0) < 0)
      throw std::bad_alloc();
    const int got =
        swr_convert(resampler_, planes, room, const_cast<const uint8_t**>(frame_->extended_data),
                    frame_->nb_samples);
    if (got > 0) av_audio_fifo_write(queue_, reinterpret_cast<void**>(planes), got);
    av_freep(&planes[0]);
    av_freep(&planes);
    av_frame_unref(frame_.get());
    encodeQueued(false);
  }
}

// Hands the queued samples to the encoder a frame's worth at a time; the last frame may be short.
void AudioEncoder::encodeQueued(bool last) {
  const int frameSize = encoder_->frame_size > 0 ? encoder_->frame_size : 1024;
  while (av_audio_fifo_size(queue_) >= frameSize || (last && av_audio_fifo_size(queue_) > 0)) {
    const int samples = std::min(frameSize, av_audio_fifo_size(queue_));
    av_frame_unref(chunk_.get());
    chunk_->nb_samples = samples;
    chunk_->format = encoder_->sample_fmt;
    chunk_->sample_rate = encoder_->sample_rate;
    if (av_channel_layout_copy(&chunk_->ch_layout, &encoder_->ch_layout) < 0 ||
        av_frame_get_buffer(chunk_.get(), 0) < 0)
      throw std::bad_alloc();
    av_audio_fifo_read(queue_, reinterpret_cast<void**>(chunk_->data), samples);
    chunk_->pts = nextPts_;
    nextPts_ += samples;
    sendToEncoder(chunk_.get());
  }
}

void AudioEncoder::sendToEncoder(AVFrame* frame) {
  int result = avcodec_send_frame(encoder_.get(), frame);
  if (result < 0) fail(target_, "cannot encode its audio: " + ffmpegErrorText(result));
  while ((result = avcodec_receive_packet(encoder_.get(), packet_.get())) == 0) {
    av_packet_rescale_ts(packet_.get(), encoder_->time_base, stream_->time_base);
    packet_->stream_index = stream_->index;
    result = av_interleaved_write_frame(output_, packet_.get());
    if (result < 0) fail(target_, "cannot be written: " + ffmpegErrorText(result));
  }
  if (result != AVERROR(EAGAIN) && result != AVERROR_EOF)
    fail(target_, "cannot encode its audio: " + ffmpegErrorText(result));
}

}  // namespace kvxcli
