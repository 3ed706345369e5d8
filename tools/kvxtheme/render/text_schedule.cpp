#include "text_schedule.h"

#include <cctype>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "authoring/text_file.h"
#include "cli_error.h"
#include "subtitles/subtitle_file.h"

namespace kvxcli {
namespace {

using nlohmann::json;

// Short names a slide may use for the caption fields.
const std::map<std::string, std::string>& captionAliases() {
  static const std::map<std::string, std::string> aliases = {{"title", kTitleKey},
                                                             {kTitleKey, kTitleKey},
                                                             {"description", kDescriptionKey},
                                                             {kDescriptionKey, kDescriptionKey},
                                                             {"date", kDateKey},
                                                             {kDateKey, kDateKey},
                                                             {"fileName", kFileNameKey},
                                                             {"file-name", kFileNameKey},
                                                             {kFileNameKey, kFileNameKey}};
  return aliases;
}

int64_t frameNumber(const std::string& source, const json& value, const char* name, size_t slide) {
  if (!value.is_number_integer() || value.get<int64_t>() < 0)
    fail(source, "slide " + std::to_string(slide + 1) + ": \"" + name +
                     "\" must be a frame number (a whole number from 0)");
  return value.get<int64_t>();
}

std::string stringValue(const std::string& source, const json& value, const std::string& key,
                        size_t slide) {
  if (!value.is_string())
    fail(source, "slide " + std::to_string(slide + 1) + ": \"" + key + "\" must be a string");
  return value.get<std::string>();
}

}  // namespace

bool isJsonScheduleName(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".json";
}

void TextSchedule::loadFile(const std::string& path) {
  std::string contents, error;
  if (!kvxauthor::readTextFile(path, kvxauthor::kMaxTextFileBytes, &contents, &error))
    throw CliError(error);
  loadJson(path, contents);
}

void TextSchedule::loadJson(const std::string& source, const std::string& contents) {
  json document = json::parse(contents, nullptr, false);
  if (document.is_discarded()) fail(source, "is not valid JSON");
  if (document.is_object() && document.contains("slides")) document = document["slides"];
  if (!document.is_array()) fail(source, "must hold an array of slides");

  std::vector<Slide> loaded;
  std::vector<bool> openEnded;
  for (size_t i = 0; i < document.size(); ++i) {
    const json& entry = document[i];
    if (!entry.is_object()) fail(source, "slide " + std::to_string(i + 1) + " is not an object");
    Slide slide;
    bool hasEnd = false;
    for (const auto& [key, value] : entry.items()) {
      auto alias = captionAliases().find(key);
      if (key == "from") {
        slide.first = frameNumber(source, value, "from", i);
      } else if (key == "to") {
        slide.last = frameNumber(source, value, "to", i);
        hasEnd = true;
      } else if (key == "fields") {
        if (!value.is_object())
          fail(source, "slide " + std::to_string(i + 1) + ": \"fields\" must be an object");
        for (const auto& [field, fieldValue] : value.items())
          slide.fields[field] = stringValue(source, fieldValue, field, i);
      } else if (alias != captionAliases().end()) {
        slide.fields[alias->second] = stringValue(source, value, key, i);
      } else {
        fail(source, "slide " + std::to_string(i + 1) + ": unknown key \"" + key + "\"");
      }
    }
    if (hasEnd && slide.last < slide.first)
      fail(source, "slide " + std::to_string(i + 1) + ": \"to\" is before \"from\"");
    loaded.push_back(std::move(slide));
    openEnded.push_back(!hasEnd);
  }
  // An open-ended slide lasts until the next slide that starts after it.
  for (size_t i = 0; i < loaded.size(); ++i) {
    if (!openEnded[i]) continue;
    for (size_t j = 0; j < loaded.size(); ++j)
      if (loaded[j].first > loaded[i].first && loaded[j].first - 1 < loaded[i].last)
        loaded[i].last = loaded[j].first - 1;
  }
  slides_.insert(slides_.end(), loaded.begin(), loaded.end());
}

void TextSchedule::loadSubtitles(const std::string& path, const std::string& key) {
  kvxsubs::SubtitleCues cues;
  std::string error;
  if (!kvxsubs::readSubtitleFile(path, &cues, &error)) throw CliError(error);
  setCues(key, std::move(cues));
}

void TextSchedule::setCues(const std::string& key, kvxsubs::SubtitleCues cues) {
  cues_ = std::make_shared<const kvxsubs::SubtitleCues>(std::move(cues));
  cueKey_ = key;
}

bool TextSchedule::lookup(int64_t frameIndex, const std::string& key, std::string* result) const {
  if (cues_ && key == cueKey_) {
    const std::string* cue =
        cues_->textAt(kvxsubs::frameStartMicroseconds(frameIndex, rate_.num, rate_.den));
    if (!cue) return false;
    *result = *cue;
    return true;
  }
  for (auto slide = slides_.rbegin(); slide != slides_.rend(); ++slide) {
    if (frameIndex < slide->first || frameIndex > slide->last) continue;
    auto found = slide->fields.find(key);
    if (found != slide->fields.end()) {
      *result = found->second;
      return true;
    }
  }
  auto found = defaults_.find(key);
  if (found == defaults_.end()) return false;
  *result = found->second;
  return true;
}

}  // namespace kvxcli
