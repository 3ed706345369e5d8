#include "subtitle_file.h"

#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>
#include <vector>

#include "host/ffmpeg_ptr.h"
#include "subtitles/ass_text.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace kvxsubs {
namespace {

// The demuxers of text subtitles, among which a file with another extension is recognised.
// Nothing else may open it: a playlist or concat script named like subtitles would read
// other files.
constexpr const char* kTextSubtitleDemuxers =
    "srt,webvtt,ass,microdvd,subviewer,subviewer1,sami,mpl2,mpsub,vplayer,pjs,aqtitle,jacosub,"
    "realtext,stl,lrc,scc";
constexpr AVRational kMicroseconds{1, 1000000};
// Times further out cannot be added to without overflowing; no film is 290,000 years long.
constexpr int64_t kLatestTime = int64_t{1} << 62;

struct SubtitleFree {
  void operator()(AVSubtitle* subtitle) const { avsubtitle_free(subtitle); }
};

class Failure {
 public:
  explicit Failure(std::string cause) : cause(std::move(cause)) {}
  std::string cause;
};

std::string ffmpegText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof(text));
  return text;
}

// "1:02:03.450", for naming a cue.
std::string clockTime(int64_t microseconds) {
  const int64_t milliseconds = microseconds / 1000;
  char text[48];
  std::snprintf(text, sizeof(text), "%" PRId64 ":%02d:%02d.%03d", milliseconds / 3600000,
                static_cast<int>(milliseconds / 60000 % 60),
                static_cast<int>(milliseconds / 1000 % 60), static_cast<int>(milliseconds % 1000));
  return text;
}

// The demuxer an extension names; null for content to be recognised.
const char* demuxerOf(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == ".srt") return "srt";
  if (extension == ".vtt") return "webvtt";
  if (extension == ".ass" || extension == ".ssa") return "ass";
  return nullptr;
}

void checkFile(const std::filesystem::path& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) throw Failure("does not exist");
  if (error) throw Failure("cannot be read: " + error.message());
  if (std::filesystem::is_directory(status)) throw Failure("is a folder, not a subtitle file");
  if (!std::filesystem::is_regular_file(status)) throw Failure("is not a regular file");
  const uintmax_t size = std::filesystem::file_size(path, error);
  if (error) throw Failure("cannot be read: " + error.message());
  if (size > kMaxSubtitleFileBytes)
    throw Failure("is larger than " + std::to_string(kMaxSubtitleFileBytes >> 20) +
                  " MiB, more than a subtitle file holds");
  if (!std::ifstream(path, std::ios::binary)) throw Failure("cannot be read");
}

kvxhost::InputContextPtr openInput(const std::string& path) {
  const char* name = demuxerOf(path);
  const AVInputFormat* format = name ? av_find_input_format(name) : nullptr;
  if (name && !format) throw Failure(std::string("needs FFmpeg's ") + name + " demuxer");
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  if (!format) av_dict_set(&options, "format_whitelist", kTextSubtitleDemuxers, 0);
  AVFormatContext* raw = nullptr;
  // "file:" so that a name like "concat:a|b" stays a file name.
  const int result = avformat_open_input(&raw, ("file:" + path).c_str(), format, &options);
  av_dict_free(&options);
  if (result < 0) throw Failure("is not a subtitle file FFmpeg reads (" + ffmpegText(result) + ")");
  return kvxhost::InputContextPtr(raw);
}

kvxhost::CodecContextPtr openDecoder(const AVStream* stream) {
  const AVCodecDescriptor* descriptor = avcodec_descriptor_get(stream->codecpar->codec_id);
  if (!descriptor || !(descriptor->props & AV_CODEC_PROP_TEXT_SUB))
    throw Failure("holds subtitles drawn as pictures, which carry no text");
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (!codec) throw Failure(std::string("needs FFmpeg's ") + descriptor->name + " decoder");
  kvxhost::CodecContextPtr decoder(avcodec_alloc_context3(codec));
  if (!decoder) throw std::bad_alloc();
  int result = avcodec_parameters_to_context(decoder.get(), stream->codecpar);
  decoder->pkt_timebase = stream->time_base;
  if (result >= 0) result = avcodec_open2(decoder.get(), codec, nullptr);
  if (result < 0) throw Failure("its subtitles cannot be decoded: " + ffmpegText(result));
  return decoder;
}

// The text of a decoded subtitle: its rectangles' texts, one line each.
std::string subtitleText(const AVSubtitle& subtitle) {
  std::string text;
  for (unsigned i = 0; i < subtitle.num_rects; ++i) {
    const AVSubtitleRect* rect = subtitle.rects[i];
    std::string part;
    if (rect->type == SUBTITLE_ASS && rect->ass)
      part = eventText(rect->ass);
    else if (rect->type == SUBTITLE_TEXT && rect->text)
      part = rect->text;
    if (part.empty()) continue;
    if (!text.empty()) text += '\n';
    text += part;
  }
  return text;
}

class CueReader {
 public:
  explicit CueReader(const std::string& path)
      : input_(openInput(path)), packet_(av_packet_alloc()) {
    if (!packet_) throw std::bad_alloc();
    const int result = avformat_find_stream_info(input_.get(), nullptr);
    if (result < 0) throw Failure("cannot be read: " + ffmpegText(result));
    stream_ = av_find_best_stream(input_.get(), AVMEDIA_TYPE_SUBTITLE, -1, -1, nullptr, 0);
    if (stream_ < 0) throw Failure("holds no subtitles");
    decoder_ = openDecoder(input_->streams[stream_]);
  }

  std::vector<Cue> read() {
    std::vector<Cue> cues;
    size_t textBytes = 0;
    for (;;) {
      const int result = av_read_frame(input_.get(), packet_.get());
      if (result == AVERROR_EOF) break;
      if (result < 0) throw Failure("cannot be read: " + ffmpegText(result));
      Cue cue;
      const bool shows = packet_->stream_index == stream_ && decode(&cue);
      av_packet_unref(packet_.get());
      if (!shows) continue;
      if (cues.size() == kMaxCues)
        throw Failure("holds more than " + std::to_string(kMaxCues) + " cues");
      textBytes += cue.text.size();
      if (textBytes > kMaxSubtitleFileBytes)
        throw Failure("holds more than " + std::to_string(kMaxSubtitleFileBytes >> 20) +
                      " MiB of text");
      cues.push_back(std::move(cue));
    }
    return cues;
  }

 private:
  // The cue of the packet read; false for a packet that shows nothing or has no usable time.
  bool decode(Cue* cue) {
    const AVRational timeBase = input_->streams[stream_]->time_base;
    const AVPacket& packet = *packet_;
    if (packet.pts == AV_NOPTS_VALUE || packet.duration <= 0) return false;
    const int64_t start = av_rescale_q(packet.pts, timeBase, kMicroseconds);
    // A rescale that overflows gives INT64_MIN, a duration as much as a start.
    const int64_t duration = av_rescale_q(packet.duration, timeBase, kMicroseconds);
    if (start < -kLatestTime || start > kLatestTime || duration <= 0 || duration > kLatestTime)
      return false;
    AVSubtitle subtitle{};
    int decoded = 0;
    const int result = avcodec_decode_subtitle2(decoder_.get(), &subtitle, &decoded, packet_.get());
    if (result < 0)
      throw Failure("the cue at " + clockTime(start) + " cannot be decoded (" + ffmpegText(result) +
                    "; subtitles are read as UTF-8)");
    if (!decoded) return false;
    // Frees what the decoder put into the subtitle, not the subtitle itself.
    std::unique_ptr<AVSubtitle, SubtitleFree> contents(&subtitle);
    cue->start = start;
    cue->end = start + duration;
    cue->text = subtitleText(subtitle);
    return !cue->text.empty();
  }

  kvxhost::InputContextPtr input_;
  kvxhost::PacketPtr packet_;
  kvxhost::CodecContextPtr decoder_;
  int stream_ = -1;
};

}  // namespace

bool readSubtitleFile(const std::string& path, SubtitleCues* cues, std::string* error) {
  try {
    checkFile(path);
    SubtitleCues read(CueReader(path).read());
    if (read.empty()) throw Failure("holds no cues with text (is it a subtitle file?)");
    *cues = std::move(read);
    return true;
  } catch (const Failure& failure) {
    *error = path + ": " + failure.cause;
    return false;
  }
}

}  // namespace kvxsubs
