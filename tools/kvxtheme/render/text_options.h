#pragma once
// The text options that render and preview share: --title and its kin, --field, --texts and
// --texts-key, with the lines of help that describe them.
#include <string>
#include <vector>

#include "arguments.h"
#include "text_schedule.h"

namespace kvxcli {

struct TextOptions {
  TextSchedule texts;
  std::vector<std::string> files;  // every --texts file, which an output may not replace
  std::string subtitles;           // the one subtitle file among them
  std::string subtitlesKey;        // --texts-key, checked against the theme apart
};

// The "texts" section of a command's help, the caption keys written in.
const std::string& textOptionsHelp();

// Takes `option` and its value when it is a text option; false for any other option.
bool readTextOption(const std::string& option, ArgumentReader& reader, TextOptions* options);

// Loads the subtitle file once every option is read; `verbose` keeps FFmpeg's own messages.
void finishTextOptions(TextOptions* options, bool verbose);

// Refuses a --texts-key naming neither a caption key nor a text layer of `theme` (empty: the
// default page), which would show nothing; `shownName` names the theme in the refusal.
void checkTextsKey(const TextOptions& options, const std::string& theme,
                   const std::string& shownName);

}  // namespace kvxcli
