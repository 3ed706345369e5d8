#include "theme_filter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "host/theme_file.h"
#include "kvxtheme/caption_keys.h"
#include "kvxtheme/pixel_rows.h"
#include "subtitles/subtitle_file.h"

namespace kvxfrei0r {
namespace {

constexpr unsigned kLargestSide = 16384;
constexpr const char* kDefaultTextsKey = kvxtheme::kTitleKey;

const char* captionKey(int index) {
  switch (index) {
    case kTitle:
      return kvxtheme::kTitleKey;
    case kDescription:
      return kvxtheme::kDescriptionKey;
    case kDate:
      return kvxtheme::kDateKey;
    case kFileName:
      return kvxtheme::kFileNameKey;
  }
  return nullptr;
}

TimeUnit parseUnit(const std::string& text) {
  if (text == "ms") return TimeUnit::Milliseconds;
  if (text == "s") return TimeUnit::Seconds;
  return TimeUnit::Automatic;
}

}  // namespace

std::unique_ptr<ThemeFilter> ThemeFilter::create(unsigned width, unsigned height) {
  if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide) return nullptr;
  return std::unique_ptr<ThemeFilter>(new ThemeFilter(width, height));
}

ThemeFilter::ThemeFilter(unsigned width, unsigned height)
    : width_(static_cast<int>(width)),
      height_(static_cast<int>(height)),
      pixels_(static_cast<size_t>(width) * height),
      strips_(pixels_),
      clock_(timeUnitOf(FrameHost::Unknown)),
      source_(pixels_ * 3),
      destination_(pixels_ * 3) {
  strings_[kTimeUnit] = "auto";
  strings_[kTextsKey] = kDefaultTextsKey;
  host_.setTextSource(
      [this](int, const std::string& key, std::string* text) { return lookupText(key, text); });
}

// The subtitles own their key: a cue's text while it shows, nothing between cues, whatever the
// caption parameter of that key says.
bool ThemeFilter::lookupText(const std::string& key, std::string* text) const {
  const std::string& cueKey = strings_[kTextsKey].empty() ? kDefaultTextsKey : strings_[kTextsKey];
  if (!cues_.empty() && key == cueKey) {
    const std::string* cue = cues_.textAt(cueTime_);
    if (!cue) return false;
    *text = *cue;
    return true;
  }
  for (int index = kTitle; index <= kFileName; ++index) {
    if (key != captionKey(index)) continue;
    if (strings_[index].empty()) return false;
    *text = strings_[index];
    return true;
  }
  return false;
}

// Under the instance's lock. A file that cannot be used is reported once and leaves no cues.
void ThemeFilter::loadCues() {
  cues_ = {};
  const std::string& path = strings_[kTextsFile];
  if (path.empty()) return;
  std::string error;
  if (!kvxsubs::readSubtitleFile(path, &cues_, &error))
    std::fprintf(stderr, "kvxtheme frei0r filter: %s; no texts are taken from it\n", error.c_str());
}

ThemeFilter::~ThemeFilter() {
  if (clipRunning_) host_.end();
}

void ThemeFilter::setString(int index, const char* value) {
  if (index < 0 || index >= kParameterCount) return;
  std::string text = value ? value : "";
  std::lock_guard<std::mutex> guard(lock_);
  if (strings_[index] == text) return;
  strings_[index] = std::move(text);
  if (index == kThemePath) restartPending_ = true;
  if (index == kTextsFile) loadCues();
  if (index == kTimeUnit) clock_.setUnit(parseUnit(strings_[index]));
  if (index == kFrameRate) {
    clock_.setFrameRate(parseFrameRate(strings_[index]));
    if (clock_.frameRate() == 0 && !strings_[index].empty())
      std::fprintf(stderr,
                   "kvxtheme frei0r filter: frame rate \"%s\" is not a rate such as 25, 29.97 or "
                   "30000/1001; it is measured from the host's times\n",
                   strings_[index].c_str());
  }
}

void ThemeFilter::setParameter(FrameHost host, int index, const void* value) {
  if (!value || index < 0 || index >= kParameterCount) return;
  bool byPointer;
  {
    std::lock_guard<std::mutex> guard(lock_);
    byPointer = passing_.byPointer(host, index);
    if (!byPointer && !bridgeRefusalReported_) {
      bridgeRefusalReported_ = true;
      std::fputs(
          "kvxtheme frei0r filter: GStreamer's frei0r bridge cannot change a string parameter "
          "while playing (it hands the change over in a form that cannot be read safely); such "
          "changes are ignored. The kvxtheme element changes texts while playing.\n",
          stderr);
    }
  }
  if (byPointer) setString(index, *static_cast<const char* const*>(value));
}

const char* ThemeFilter::string(int index) const {
  if (index < 0 || index >= kParameterCount) return "";
  return strings_[index].c_str();
}

void ThemeFilter::setHost(FrameHost host) {
  std::lock_guard<std::mutex> guard(lock_);
  clock_.setHostUnit(timeUnitOf(host));
}

void ThemeFilter::reportOnce(const std::string& message) {
  if (reported_) return;
  reported_ = true;
  std::fprintf(stderr, "kvxtheme frei0r filter: %s\n", message.c_str());
}

bool ThemeFilter::startClip() {
  restartPending_ = false;
  std::string theme = strings_[kThemePath];
  if (!theme.empty()) {
    const kvxhost::ThemeCheck check = kvxhost::checkThemeFile(theme);
    if (!check.ok()) {
      // A clip that plays keeps its theme rather than lose it to a wrong one.
      const bool keep = clipRunning_ && themeUsable_;
      reported_ = false;
      reportOnce(theme + ": " + check.message +
                 (keep ? "; the previous theme stays" : "; frames pass through unchanged"));
      if (keep) return true;
      themeUsable_ = false;
      return false;
    }
    theme = check.path;
  }
  if (clipRunning_) host_.end();
  clipRunning_ = false;
  themeUsable_ = true;
  host_.setThemePath(theme);
  clipRunning_ = host_.begin(width_, height_) != 0;
  if (!host_.loadFailure().empty()) {
    reported_ = false;
    reportOnce(theme + ": " + host_.loadFailure() + "; frames pass through unchanged");
    themeUsable_ = false;
  }
  return clipRunning_;
}

void ThemeFilter::update(double time, const uint32_t* input, uint32_t* output) {
  if (!input || !output) return;
  bool overlapping = strips_.enter();
  {
    std::lock_guard<std::mutex> guard(lock_);
    passing_.endConstruction();
    bool strips = strips_.check(overlapping, time, input);
    if (strips)
      reportOnce(
          "the host hands this filter strips of the frame (MLT's \"threads\" property on the "
          "filter); a theme needs whole frames, so frames pass through unchanged. Remove the "
          "\"threads\" property.");
    bool drawn = false;
    if (!strips && (!restartPending_ || startClip()) && clipRunning_ && themeUsable_) {
      int64_t index = std::min<int64_t>(clock_.frameIndex(time), std::numeric_limits<int>::max());
      cueTime_ = kvxsubs::secondsToMicroseconds(clock_.seconds(time, index));
      kvxRgbaToBgr(reinterpret_cast<const uint8_t*>(input), source_.data(), pixels_);
      const size_t stride = static_cast<size_t>(width_) * 3;
      drawn = host_.renderFrame(static_cast<int>(index), source_.data(), stride,
                                destination_.data(), stride) != 0;
      if (drawn)
        kvxBgrToRgba(destination_.data(), reinterpret_cast<const uint8_t*>(input),
                     reinterpret_cast<uint8_t*>(output), pixels_);
      else
        reportOnce("frame " + std::to_string(index) +
                   " could not be composed in full (not enough memory for this theme at this "
                   "size?); such frames pass through unchanged");
    }
    if (!drawn && input != output) std::memcpy(output, input, pixels_ * sizeof(uint32_t));
  }
  strips_.leave();
}

}  // namespace kvxfrei0r
