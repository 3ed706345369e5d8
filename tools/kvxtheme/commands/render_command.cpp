// kvxtheme render: a theme over a video, a picture or a generated test pattern.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "arguments.h"
#include "cli_error.h"
#include "command.h"
#include "kvxtheme/win32.h"
#include "render/render_job.h"
#include "render/text_options.h"

extern "C" {
#include <libavutil/log.h>
}

namespace kvxcli {
namespace {

constexpr const char* kRenderSourceHelp =
    R"(usage: kvxtheme render [--theme FILE.kvx] --input SOURCE --output FILE [options]

Renders a theme over every frame of SOURCE. Without --theme the default page is used.

source:
  --input SOURCE        any video or picture FFmpeg reads, or "testsrc" for a generated pattern
  --size WxH            size of the output: a video or picture is scaled to it (Lanczos);
                        the test pattern's size (640x360). W:-2 or -2:H keeps the source's
                        aspect with an even side (-1: any side)
  --rate R              rate of the test pattern or of a repeated picture (25; 29.97 or 30000/1001)
  --duration S          seconds of the clip (the test pattern: 2); a picture is repeated that long
  --frames N            render at most N frames (from --start-frame)

segments (frames of the whole clip, to render apart and put together with kvxtheme join):
  --start-frame A       begin at frame A (from 0) of the clip the command renders without
                        --start-frame and --frames: every frame gets the texts, fields and theme
                        video it has there. The output starts at time 0 on a key frame and
                        carries no audio (kvxtheme join --audio SOURCE adds the source's)

)";

constexpr const char* kRenderOutputHelp =
    R"(
output:
  --output FILE         .mp4, .mkv, .mov or .webm: video at the source's rate with the source's
                        audio; out_%04d.png: numbered pictures from 1; one.png: a single
                        picture (the first frame)
  --codec CODEC         the video's codec: h264 (the default; .webm: vp9), ffv1 (lossless,
                        every frame a key frame; .mkv), prores (.mov), vp9 (.webm, .mkv) or
                        qtrle (QuickTime Animation, .mov)
  --crf N               the encoder's constant rate factor: lower is better and larger
                        (h264 0-51, default 18; vp9 0-63, default 24)
  --preset NAME         x264's speed for its size (h264): ultrafast ... placebo (fast)
  --pix-fmt FORMAT      h264's chroma: yuv420p (the default, which every player takes; even
                        sizes only), yuv422p or yuv444p
  --bitrate RATE        an average bit rate instead of --crf (h264, vp9): 8M, 2500k, 800000
  --encoder-option KEY=VALUE
                        an option of the libavcodec encoder (g=50, x264-params=...), set after
                        the tool's own; repeatable. An option the encoder lacks is refused
  --audio-codec CODEC   the source's audio: copy, aac, opus or none. By default copied when
                        the container carries its codec, else encoded again: opus for .webm,
                        aac for the others
  --overlay             the theme alone over transparency, for a track above the footage: the
                        placeholder's area a transparent hole, no audio. .mov: ProRes 4444
                        (--codec qtrle: QuickTime Animation), .webm: VP9 with alpha, .mkv: FFV1,
                        out_%04d.png: pictures with alpha. SOURCE gives the size, rate and
                        length
  --interlaced ORDER    tff or bff: render each frame as two fields (top or bottom field
                        first), written interlaced; progressive: whole frames. Without it an
                        interlaced source (its stream's field order or its frames' flags)
                        is rendered and written in its own field order
  --quiet               no progress line
  --verbose             show the effect's trace on standard error
)";

const std::string& renderHelp() {
  static const std::string help =
      std::string(kRenderSourceHelp) + textOptionsHelp() + kRenderOutputHelp;
  return help;
}

kvxhost::FieldOrder parseFieldOrder(const std::string& option, const std::string& text) {
  if (text == "tff") return kvxhost::FieldOrder::TopFieldFirst;
  if (text == "bff") return kvxhost::FieldOrder::BottomFieldFirst;
  if (text == "progressive") return kvxhost::FieldOrder::Progressive;
  fail(option, "'" + text + "' is none of tff, bff and progressive");
}

VideoCodec parseCodec(const std::string& option, const std::string& text) {
  for (VideoCodec codec :
       {VideoCodec::H264, VideoCodec::Ffv1, VideoCodec::ProRes, VideoCodec::Vp9, VideoCodec::Qtrle})
    if (text == codecName(codec)) return codec;
  fail(option, "'" + text + "' is none of h264, ffv1, prores, vp9 and qtrle");
}

const std::vector<std::string> kX264Presets = {"ultrafast", "superfast", "veryfast", "faster",
                                               "fast",      "medium",    "slow",     "slower",
                                               "veryslow",  "placebo"};
const std::vector<std::string> kChromaFormats = {"yuv420p", "yuv422p", "yuv444p"};

AudioCodec parseAudioCodec(const std::string& option, const std::string& text) {
  for (AudioCodec codec : {AudioCodec::Copy, AudioCodec::Aac, AudioCodec::Opus, AudioCodec::None})
    if (text == audioCodecName(codec)) return codec;
  fail(option, "'" + text + "' is none of copy, aac, opus and none");
}

// "8M", "2500k" or "800000" bits a second.
int64_t parseBitRate(const std::string& option, const std::string& text) {
  std::string number = text;
  double unit = 1;
  if (!number.empty() && (number.back() == 'k' || number.back() == 'K')) unit = 1e3;
  if (!number.empty() && (number.back() == 'm' || number.back() == 'M')) unit = 1e6;
  if (unit > 1) number.pop_back();
  const double kilobits =
      parseNumberInRange(option, number, 10e3 / unit, 2e9 / unit, "bits a second (10k to 2000M)");
  return std::llround(kilobits * unit);
}

std::string parseChoice(const std::string& option, const std::string& text,
                        const std::vector<std::string>& choices) {
  for (const std::string& choice : choices)
    if (text == choice) return text;
  std::string known;
  for (const std::string& choice : choices) known += (known.empty() ? "" : ", ") + choice;
  fail(option, "\"" + text + "\" is not one of " + known);
}

RenderOptions parseRenderOptions(const std::vector<std::string>& arguments) {
  RenderOptions options;
  TextOptions texts;
  ArgumentReader reader(arguments);
  while (!reader.done()) {
    std::string option = reader.next();
    if (option == "--theme") {
      options.themePath = reader.value(option);
    } else if (option == "--input" || option == "-i") {
      options.input = reader.value(option);
    } else if (option == "--output" || option == "-o") {
      options.output = reader.value(option);
    } else if (option == "--size") {
      parseScaleSize(option, reader.value(option), &options.width, &options.height);
      options.sizeGiven = true;
    } else if (option == "--rate") {
      options.rate = parseRate(option, reader.value(option));
      options.rateGiven = true;
    } else if (option == "--duration") {
      options.duration =
          parseNumberInRange(option, reader.value(option), 0.001, kMaxDurationSeconds, "seconds");
    } else if (option == "--frames") {
      options.maxFrames = parseInteger(option, reader.value(option), 1, kMaxFrameCount);
    } else if (option == "--start-frame") {
      options.startFrame = parseInteger(option, reader.value(option), 0, kMaxFrameCount);
    } else if (option == "--codec") {
      options.codec = parseCodec(option, reader.value(option));
      options.codecGiven = true;
    } else if (option == "--crf") {
      options.crf = static_cast<int>(parseInteger(option, reader.value(option), 0, 63));
    } else if (option == "--preset") {
      options.preset = parseChoice(option, reader.value(option), kX264Presets);
    } else if (option == "--pix-fmt") {
      options.pixelFormat = parseChoice(option, reader.value(option), kChromaFormats);
    } else if (option == "--bitrate") {
      options.bitRate = parseBitRate(option, reader.value(option));
    } else if (option == "--audio-codec") {
      options.audioCodec = parseAudioCodec(option, reader.value(option));
    } else if (option == "--encoder-option") {
      std::string key, value;
      parseField(option, reader.value(option), &key, &value);
      options.encoderOptions.emplace_back(key, value);
    } else if (readTextOption(option, reader, &texts)) {
    } else if (option == "--interlaced") {
      options.fieldOrder = parseFieldOrder(option, reader.value(option));
    } else if (option == "--overlay") {
      reader.noValue(option);
      options.overlay = true;
    } else if (option == "--quiet" || option == "-q") {
      reader.noValue(option);
      options.quiet = true;
    } else if (option == "--verbose" || option == "-v") {
      reader.noValue(option);
      options.verbose = true;
    } else {
      fail(option, "unknown option (see kvxtheme render --help)");
    }
  }
  if (options.input.empty()) fail("--input", "is required (a file, or testsrc)");
  if (options.output.empty()) fail("--output", "is required");
  finishTextOptions(&texts, options.verbose);
  checkTextsKey(texts, options.themePath, options.themePath);
  options.texts = std::move(texts.texts);
  options.textFiles = std::move(texts.files);
  return options;
}

int runRender(const std::vector<std::string>& arguments) {
  return runCommandBody(arguments, renderHelp().c_str(), [&] {
    RenderOptions options = parseRenderOptions(arguments);
    av_log_set_level(options.verbose ? AV_LOG_INFO : AV_LOG_ERROR);
    if (options.verbose) kvxSetTraceSink([](const char* text) { std::fputs(text, stderr); });
    int64_t frames = render(options);
    if (!options.quiet)
      std::fprintf(stderr, "kvxtheme: wrote %lld frame%s to %s\n", static_cast<long long>(frames),
                   frames == 1 ? "" : "s", options.output.c_str());
    return 0;
  });
}

}  // namespace
}  // namespace kvxcli

KVX_COMMAND("render", kvxcli::runRender,
            "render [--theme FILE.kvx] --input SOURCE --output FILE ...   render a theme over a "
            "video, picture or test pattern");
