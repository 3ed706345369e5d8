#include "theme_stream.h"

#include <cstring>
#include <limits>

#include "host/theme_file.h"
#include "kvxtheme/caption_keys.h"

namespace kvxgst {

const char* captionKey(Caption caption) {
  static_assert(kCaptionCount == kvxtheme::kCaptionKeyCount);
  return kvxtheme::kCaptionKeys[caption].key;
}

ThemeStream::ThemeStream() {
  // Asked while the streaming thread renders: the frame's own copy, which only it changes.
  host_.setTextSource([this](int, const std::string& key, std::string* text) {
    for (int caption = 0; caption < kCaptionCount; ++caption) {
      if (key != captionKey(static_cast<Caption>(caption))) continue;
      if (frameCaptions_[caption].empty()) return false;
      *text = frameCaptions_[caption];
      return true;
    }
    return false;
  });
}

ThemeStream::~ThemeStream() {
  stop();
}

void ThemeStream::setTheme(const std::string& path) {
  std::lock_guard<std::mutex> guard(settingsLock_);
  if (theme_ == path) return;
  theme_ = path;
  ++themeGeneration_;
}

std::string ThemeStream::theme() const {
  std::lock_guard<std::mutex> guard(settingsLock_);
  return theme_;
}

void ThemeStream::setCaption(Caption caption, const std::string& text) {
  std::lock_guard<std::mutex> guard(settingsLock_);
  captions_[caption] = text;
}

std::string ThemeStream::caption(Caption caption) const {
  std::lock_guard<std::mutex> guard(settingsLock_);
  return captions_[caption];
}

std::string ThemeStream::themeProblem() const {
  const std::string path = theme();
  if (path.empty()) return {};
  return kvxhost::checkThemeFile(path).message;
}

void ThemeStream::configure(int width, int height) {
  stop();
  width_ = width;
  height_ = height;
}

bool ThemeStream::startClip(kvxhost::FieldOrder order, std::string* error) {
  stop();
  std::string path;
  {
    std::lock_guard<std::mutex> guard(settingsLock_);
    path = theme_;
    clipGeneration_ = themeGeneration_;
  }
  clipOrder_ = order;
  // The theme this clip was started with, not one set since.
  if (!path.empty()) {
    const kvxhost::ThemeCheck check = kvxhost::checkThemeFile(path);
    if (!check.ok()) {
      *error = path + ": " + check.message;
      return false;
    }
    path = check.path;
  }
  host_.setThemePath(path);
  clipRunning_ = host_.begin(width_, height_, order) != 0;
  if (!host_.loadFailure().empty()) {
    *error = path + ": " + host_.loadFailure();
    return false;
  }
  if (!clipRunning_) {
    *error = (path.empty() ? std::string("the default page") : path) +
             ": the effect refused to start a clip of " + std::to_string(width_) + " x " +
             std::to_string(height_) +
             (order == kvxhost::FieldOrder::Progressive ? "" : " (fields need an even height)");
    return false;
  }
  return true;
}

bool ThemeStream::render(int64_t index, kvxhost::FieldOrder order, const uint8_t* source,
                         size_t sourceStride, uint8_t* destination, size_t destinationStride,
                         std::string* error, std::string* notice) {
  error->clear();
  notice->clear();
  bool restart;
  std::string path;
  uint64_t generation;
  {
    std::lock_guard<std::mutex> guard(settingsLock_);
    frameCaptions_ = captions_;
    restart = clipGeneration_ != themeGeneration_;
    path = theme_;
    generation = themeGeneration_;
  }
  // A playing clip keeps its theme rather than stop on a wrong one.
  if (restart && clipRunning_ && !path.empty()) {
    const kvxhost::ThemeCheck check = kvxhost::checkThemeFile(path);
    if (!check.ok()) {
      clipGeneration_ = generation;
      *notice = path + ": " + check.message;
      restart = false;
    }
  }
  if ((restart || !clipRunning_ || order != clipOrder_) && !startClip(order, error)) return false;
  index = std::clamp<int64_t>(index, 0, std::numeric_limits<int>::max() / 2);
  if (host_.renderFrame(static_cast<int>(index), source, sourceStride, destination,
                        destinationStride))
    return true;
  for (int y = 0; y < height_; ++y)
    std::memcpy(destination + y * destinationStride, source + y * sourceStride,
                static_cast<size_t>(width_) * 3);
  return false;
}

void ThemeStream::stop() {
  if (clipRunning_) host_.end();
  clipRunning_ = false;
}

}  // namespace kvxgst
