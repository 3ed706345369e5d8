// kvxtheme render: a theme over a video, a picture or a generated test pattern.
#include <cstdio>
#include <string>
#include <vector>

#include "arguments.h"
#include "authoring/theme_info.h"
#include "cli_error.h"
#include "command.h"
#include "kvxtheme/caption_keys.h"
#include "kvxtheme/win32.h"
#include "render/render_job.h"

extern "C" {
#include <libavutil/log.h>
}

namespace kvxcli {
namespace {

constexpr const char* kRenderHelp =
    R"(usage: kvxtheme render [--theme FILE.kvx] --input SOURCE --output FILE [options]

Renders a theme over every frame of SOURCE. Without --theme the default page is used.

source:
  --input SOURCE        any video or picture FFmpeg reads, or "testsrc" for a generated pattern
  --size WxH            size of the output: a video or picture is scaled to it (Lanczos);
                        the test pattern's size (640x360)
  --rate R              rate of the test pattern or of a repeated picture (25; 29.97 or 30000/1001)
  --duration S          seconds of the clip (the test pattern: 2); a picture is repeated that long
  --frames N            render at most N frames (from --start-frame)

segments (frames of the whole clip, to render apart and put together with kvxtheme join):
  --start-frame A       begin at frame A (from 0) of the clip the command renders without
                        --start-frame and --frames: every frame gets the texts, fields and theme
                        video it has there. The output starts at time 0 on a key frame and
                        carries no audio (kvxtheme join --audio SOURCE adds the source's)

texts (the theme's text layers):
  --title TEXT          "@title@"
  --description TEXT    "@description@"
  --date TEXT           "@date@"
  --file-name TEXT      "@file-name@"
  --field KEY=VALUE     the text of the layer named KEY
  --texts FILE.json     texts per frame range: [{"from": 0, "to": 49, "title": "...",
                        "fields": {"KEY": "..."}}, ...]; they override the options above
  --texts FILE.srt      subtitles (.srt, .vtt, .ass or .ssa; another name is recognised by
                        its content) for one key: a cue's text shows on the frames whose start
                        time it covers (frame i starts at i / rate; a cue ending exactly there
                        does not cover it). Between cues the key has no text and its layer is
                        hidden, whatever --title and the other options say. Overlapping cues:
                        the later start wins. ASS tags are removed, \N is a line break
                        (docs/subtitles.md). One subtitle file, besides any JSON schedules
  --texts-key KEY       the key the subtitles fill: @title@ (the default, the title),
                        @description@, @date@, @file-name@, or the name of a theme's text layer

output:
  --output FILE         .mp4, .mkv or .mov: video at the source's rate, audio copied when the
                        container can carry it; out_%04d.png: numbered pictures from 1;
                        one.png: a single picture (the first frame)
  --codec CODEC         the video's codec: h264 (the default; .webm: vp9), ffv1 (lossless,
                        every frame a key frame; .mkv), prores (.mov), vp9 (.webm, .mkv) or
                        qtrle (QuickTime Animation, .mov)
  --crf N               the encoder's constant rate factor: lower is better and larger
                        (h264 0-51, default 18; vp9 0-63, default 24)
  --preset NAME         x264's speed for its size (h264): ultrafast ... placebo (fast)
  --pix-fmt FORMAT      h264's chroma: yuv420p (the default, which every player takes; even
                        sizes only), yuv422p or yuv444p
  --overlay             the theme alone over transparency, for a track above the footage: the
                        placeholder's area a transparent hole, no audio. .mov: ProRes 4444
                        (--codec qtrle: QuickTime Animation), .webm: VP9 with alpha, .mkv: FFV1,
                        out_%04d.png: pictures with alpha. SOURCE gives the size, rate and
                        length
  --interlaced tff|bff  render each frame as two fields (top or bottom field first)
  --quiet               no progress line
  --verbose             show the effect's trace on standard error
)";

// The help with the caption keys written in where it names them (@title@ and its kin).
const std::string& renderHelp() {
  static const std::string help = [] {
    std::string text = kRenderHelp;
    for (const auto& caption : kvxtheme::kCaptionKeys) {
      const std::string marker = std::string("@") + caption.name + "@";
      for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at))
        text.replace(at, marker.size(), caption.key);
    }
    return text;
  }();
  return help;
}

const char* captionKeyOfOption(const std::string& option) {
  for (const auto& caption : kvxtheme::kCaptionKeys)
    if (option == std::string("--") + caption.name) return caption.key;
  return nullptr;
}

kvxhost::FieldOrder parseFieldOrder(const std::string& option, const std::string& text) {
  if (text == "tff") return kvxhost::FieldOrder::TopFieldFirst;
  if (text == "bff") return kvxhost::FieldOrder::BottomFieldFirst;
  if (text == "progressive") return kvxhost::FieldOrder::Progressive;
  fail(option, "'" + text + "' is neither tff nor bff");
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

std::string parseChoice(const std::string& option, const std::string& text,
                        const std::vector<std::string>& choices) {
  for (const std::string& choice : choices)
    if (text == choice) return text;
  std::string known;
  for (const std::string& choice : choices) known += (known.empty() ? "" : ", ") + choice;
  fail(option, "\"" + text + "\" is not one of " + known);
}

// A key that is not a caption key fills the text layer of that name; without one in the theme
// nothing would show.
void checkTextsKey(const std::string& key, const std::string& theme) {
  for (const auto& caption : kvxtheme::kCaptionKeys)
    if (key == caption.key) return;
  std::vector<std::string> layers;
  if (!theme.empty()) {
    kvxauthor::ThemeInfo info;
    std::string error;
    if (!kvxauthor::readThemeInfo(theme, &info, &error)) return;  // the render names the cause
    for (const kvxauthor::ObjectInfo& object : info.objects) {
      if (object.kind != "text") continue;
      if (object.name == key) return;
      layers.push_back(object.name);
    }
  }
  std::string known = "the caption keys";
  for (const auto& caption : kvxtheme::kCaptionKeys) known += std::string(" ") + caption.key;
  for (const std::string& layer : layers) known += ", " + layer;
  fail("--texts-key", key + ": " + (theme.empty() ? "the default page" : theme) +
                          " has no text layer of that name (the keys it shows: " + known + ")");
}

RenderOptions parseRenderOptions(const std::vector<std::string>& arguments) {
  RenderOptions options;
  std::string subtitles, subtitlesKey;
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
      parseSize(option, reader.value(option), &options.width, &options.height);
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
    } else if (const char* key = captionKeyOfOption(option)) {
      options.texts.setDefault(key, reader.value(option));
    } else if (option == "--field") {
      std::string key, value;
      parseField(option, reader.value(option), &key, &value);
      options.texts.setDefault(key, value);
    } else if (option == "--texts") {
      const std::string path = reader.value(option);
      options.textFiles.push_back(path);
      if (isJsonScheduleName(path)) {
        options.texts.loadFile(path);
      } else {
        if (!subtitles.empty())
          fail(option, "takes one subtitle file; " + subtitles + " is given already");
        subtitles = path;
      }
    } else if (option == "--texts-key") {
      subtitlesKey = reader.value(option);
      if (subtitlesKey.empty()) fail(option, "needs the name of a text key");
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
  if (!subtitlesKey.empty() && subtitles.empty())
    fail("--texts-key", "names the key of a subtitle file given with --texts");
  if (!subtitles.empty()) {
    // A refusal names the file and the cause; FFmpeg's own messages would only repeat it.
    if (!options.verbose) av_log_set_level(AV_LOG_QUIET);
    if (!subtitlesKey.empty()) checkTextsKey(subtitlesKey, options.themePath);
    options.texts.loadSubtitles(subtitles, subtitlesKey.empty() ? kTitleKey : subtitlesKey);
  }
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
