#pragma once
// The kvxtheme element's work without GStreamer: settings that any thread may change while the
// streaming thread renders, each applied from the next frame. A new theme or another field order
// restarts the clip; new texts are read by the effect at the next frame.
#include <array>
#include <cstdint>
#include <mutex>
#include <string>

#include "host/reference_host.h"

namespace kvxgst {

// The texts the element sets, in the order of its properties.
enum Caption { kTitle, kDescription, kDate, kFileName, kCaptionCount };
// The effect's text key of each caption.
const char* captionKey(Caption caption);

class ThemeStream {
 public:
  ThemeStream();
  ~ThemeStream();
  ThemeStream(const ThemeStream&) = delete;
  ThemeStream& operator=(const ThemeStream&) = delete;

  void setTheme(const std::string& path);
  std::string theme() const;
  void setCaption(Caption caption, const std::string& text);
  std::string caption(Caption caption) const;

  // Checks the current theme path: empty when it names a readable file (or no theme), else why not.
  std::string themeProblem() const;

  // Frames of this size follow; the clip restarts at the next frame.
  void configure(int width, int height);
  // Renders frame `index` in `order` (fields woven as the effect's field mode does). False with
  // `error` set when the theme cannot be used; false with `error` empty when this one frame
  // could not be composed in full (it is copied unchanged). A theme set while a clip plays that
  // cannot be used leaves the clip's theme in use: `notice` says why, once for that setting.
  bool render(int64_t index, kvxhost::FieldOrder order, const uint8_t* source, size_t sourceStride,
              uint8_t* destination, size_t destinationStride, std::string* error,
              std::string* notice);
  // Ends the clip (the element stops).
  void stop();

 private:
  bool startClip(kvxhost::FieldOrder order, std::string* error);

  mutable std::mutex settingsLock_;
  std::string theme_;
  std::array<std::string, kCaptionCount> captions_;
  uint64_t themeGeneration_ = 0;

  // The streaming thread's own state.
  kvxhost::ReferenceHost host_;
  std::array<std::string, kCaptionCount> frameCaptions_;
  uint64_t clipGeneration_ = UINT64_MAX;
  kvxhost::FieldOrder clipOrder_ = kvxhost::FieldOrder::Progressive;
  int width_ = 0;
  int height_ = 0;
  bool clipRunning_ = false;
};

}  // namespace kvxgst
