#include "text_options.h"

#include "authoring/theme_info.h"
#include "cli_error.h"
#include "kvxtheme/caption_keys.h"

extern "C" {
#include <libavutil/log.h>
}

namespace kvxcli {
namespace {

constexpr const char* kTextOptionsHelp =
    R"(texts (the theme's text layers):
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
)";

const char* captionKeyOfOption(const std::string& option) {
  for (const auto& caption : kvxtheme::kCaptionKeys)
    if (option == std::string("--") + caption.name) return caption.key;
  return nullptr;
}

}  // namespace

const std::string& textOptionsHelp() {
  static const std::string help = [] {
    std::string text = kTextOptionsHelp;
    for (const auto& caption : kvxtheme::kCaptionKeys) {
      const std::string marker = std::string("@") + caption.name + "@";
      for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at))
        text.replace(at, marker.size(), caption.key);
    }
    return text;
  }();
  return help;
}

bool readTextOption(const std::string& option, ArgumentReader& reader, TextOptions* options) {
  if (const char* key = captionKeyOfOption(option)) {
    options->texts.setDefault(key, reader.value(option));
  } else if (option == "--field") {
    std::string key, value;
    parseField(option, reader.value(option), &key, &value);
    options->texts.setDefault(key, value);
  } else if (option == "--texts") {
    const std::string path = reader.value(option);
    options->files.push_back(path);
    if (isJsonScheduleName(path)) {
      options->texts.loadFile(path);
    } else {
      if (!options->subtitles.empty())
        fail(option, "takes one subtitle file; " + options->subtitles + " is given already");
      options->subtitles = path;
    }
  } else if (option == "--texts-key") {
    options->subtitlesKey = reader.value(option);
    if (options->subtitlesKey.empty()) fail(option, "needs the name of a text key");
  } else {
    return false;
  }
  return true;
}

void finishTextOptions(TextOptions* options, bool verbose) {
  if (!options->subtitlesKey.empty() && options->subtitles.empty())
    fail("--texts-key", "names the key of a subtitle file given with --texts");
  if (options->subtitles.empty()) return;
  // A refusal names the file and the cause; FFmpeg's own messages would only repeat it.
  if (!verbose) av_log_set_level(AV_LOG_QUIET);
  options->texts.loadSubtitles(options->subtitles,
                               options->subtitlesKey.empty() ? kTitleKey : options->subtitlesKey);
}

void checkTextsKey(const TextOptions& options, const std::string& theme,
                   const std::string& shownName) {
  const std::string& key = options.subtitlesKey;
  if (key.empty()) return;
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
  fail("--texts-key", key + ": " + (theme.empty() ? "the default page" : shownName) +
                          " has no text layer of that name (the keys it shows: " + known + ")");
}

}  // namespace kvxcli
