#pragma once
// The texts a render hands the effect's text provider: values given for the whole clip,
// slides (frame ranges) read from a JSON file that override them, and the cues of a subtitle
// file that give one key its text by time.
//
// The file holds an array of slides, or an object with one under "slides":
//   [{"from": 0, "to": 49, "title": "Holiday", "description": "Day one", "date": "2024-07-01",
//     "fileName": "IMG_0001.JPG", "fields": {"Place": "Rome"}}, {"from": 50, ...}]
// "to" is inclusive and may be left out: the slide then lasts until the next one begins.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "arguments.h"
#include "kvxtheme/caption_keys.h"
#include "subtitles/subtitle_cues.h"

namespace kvxcli {

// The keys of the four caption fields.
using kvxtheme::kDateKey;
using kvxtheme::kDescriptionKey;
using kvxtheme::kFileNameKey;
using kvxtheme::kTitleKey;

// Whether `path` names a JSON schedule (".json", any case) rather than a subtitle file.
bool isJsonScheduleName(const std::string& path);

class TextSchedule {
 public:
  void setDefault(const std::string& key, const std::string& value) { defaults_[key] = value; }
  // Adds the slides of a JSON file; a malformed file is refused naming the file and the fault.
  void loadFile(const std::string& path);
  void loadJson(const std::string& source, const std::string& contents);
  // Gives `key` the texts of a subtitle file (subtitles/subtitle_file.h), which then owns the
  // key: a cue's text on the frames whose start it covers, nothing between cues, whatever the
  // clip-wide value or the slides say. A file that cannot be used is refused naming it.
  void loadSubtitles(const std::string& path, const std::string& key);
  void setCues(const std::string& key, kvxsubs::SubtitleCues cues);
  // The rate that times frames for the cues: frame i starts at i / rate seconds.
  void setFrameRate(Rational rate) { rate_ = rate; }
  // The text of `key` at `frameIndex`: for the subtitles' key the cue covering the frame's
  // start; for other keys the last slide covering the frame that has the key, else the
  // clip-wide value. False when none has it.
  bool lookup(int64_t frameIndex, const std::string& key, std::string* text) const;
  bool empty() const { return defaults_.empty() && slides_.empty() && !cues_; }

 private:
  struct Slide {
    int64_t first = 0;
    int64_t last = INT64_MAX;
    std::map<std::string, std::string> fields;
  };
  std::map<std::string, std::string> defaults_;
  std::vector<Slide> slides_;
  // Shared: a render copies the schedule to time it at its source's rate.
  std::shared_ptr<const kvxsubs::SubtitleCues> cues_;
  std::string cueKey_;
  Rational rate_{25, 1};
};

}  // namespace kvxcli
