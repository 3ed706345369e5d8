#pragma once
// The texts a render hands the effect's text provider: values given for the whole clip, and
// slides (frame ranges) read from a JSON file that override them.
//
// The file holds an array of slides, or an object with one under "slides":
//   [{"from": 0, "to": 49, "title": "Holiday", "description": "Day one", "date": "2024-07-01",
//     "fileName": "IMG_0001.JPG", "fields": {"Place": "Rome"}}, {"from": 50, ...}]
// "to" is inclusive and may be left out: the slide then lasts until the next one begins.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kvxcli {

// The keys of the four caption fields.
inline constexpr const char* kTitleKey = "SlideShowTitle";
inline constexpr const char* kDescriptionKey = "Description";
inline constexpr const char* kDateKey = "DateTaken";
inline constexpr const char* kFileNameKey = "FileName";

class TextSchedule {
 public:
  void setDefault(const std::string& key, const std::string& value) { defaults_[key] = value; }
  // Adds the slides of a JSON file; a malformed file is refused naming the file and the fault.
  void loadFile(const std::string& path);
  void loadJson(const std::string& source, const std::string& contents);
  // The text of `key` at `frameIndex`: the last slide covering the frame that has the key, else
  // the clip-wide value. False when neither has it.
  bool lookup(int64_t frameIndex, const std::string& key, std::string* text) const;
  bool empty() const { return defaults_.empty() && slides_.empty(); }

 private:
  struct Slide {
    int64_t first = 0;
    int64_t last = INT64_MAX;
    std::map<std::string, std::string> fields;
  };
  std::map<std::string, std::string> defaults_;
  std::vector<Slide> slides_;
};

}  // namespace kvxcli
