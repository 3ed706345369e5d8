#pragma once
// The clip an effect runs: the theme, loaded once and then only read, and the clip's state.
// Copies of an effect share one clip; their calls take turns under its lock.
#include <memory>
#include <mutex>
#include <utility>

#include "compose/clip_state.h"
#include "document/theme_document.h"

struct ThemeClip {
  explicit ThemeClip(std::shared_ptr<const ThemeDocument> loaded)
      : theme(std::move(loaded)), state(*theme) {}

  const std::shared_ptr<const ThemeDocument> theme;
  ClipState state;
  std::mutex lock;
};
