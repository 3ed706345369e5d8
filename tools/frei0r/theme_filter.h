#pragma once
// One instance of the frei0r filter: the effect driven by its own reference host over frames
// of a fixed size. Instances share no mutable state; calls into one instance are serialised.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "frame_clock.h"
#include "frame_host.h"
#include "host/reference_host.h"
#include "strip_guard.h"
#include "subtitles/subtitle_cues.h"

namespace kvxfrei0r {

// The filter's parameters, in frei0r's order.
enum Parameter {
  kThemePath,
  kTitle,
  kDescription,
  kDate,
  kFileName,
  kFrameRate,
  kTimeUnit,
  kTextsFile,
  kTextsKey,
  kParameterCount
};

class ThemeFilter {
 public:
  // Null when the size cannot be rendered.
  static std::unique_ptr<ThemeFilter> create(unsigned width, unsigned height);
  ~ThemeFilter();

  // Every parameter is a string, copied. Setting the value a parameter already has changes
  // nothing; a new theme path restarts the clip at the next frame; a new texts file is read at
  // once.
  void setString(int index, const char* value);
  // A parameter as `host` hands it to frei0r's set_param_value.
  void setParameter(FrameHost host, int index, const void* value);
  // The parameter's current value, valid until it changes.
  const char* string(int index) const;
  // The host that calls update: it sets the unit of `auto` time.
  void setHost(FrameHost host);

  void update(double time, const uint32_t* input, uint32_t* output);

 private:
  ThemeFilter(unsigned width, unsigned height);
  bool startClip();
  void reportOnce(const std::string& message);
  void loadCues();
  bool lookupText(const std::string& key, std::string* text) const;

  const int width_;
  const int height_;
  const size_t pixels_;
  std::mutex lock_;
  StripGuard strips_;
  FrameClock clock_;
  std::string strings_[kParameterCount];
  StringPassing passing_;
  bool bridgeRefusalReported_ = false;
  kvxhost::ReferenceHost host_;
  bool clipRunning_ = false;
  bool restartPending_ = true;
  bool themeUsable_ = true;
  bool reported_ = false;
  // The cues of the texts file, looked up at the time of the frame being drawn.
  kvxsubs::SubtitleCues cues_;
  int64_t cueTime_ = 0;
  std::vector<uint8_t> source_;
  std::vector<uint8_t> destination_;
};

}  // namespace kvxfrei0r
