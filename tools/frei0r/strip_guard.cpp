#include "strip_guard.h"

namespace kvxfrei0r {

bool StripGuard::check(bool overlapping, double time, const uint32_t* input) {
  if (!strips_.load()) {
    bool neighbour = lastInput_ && input && time == lastTime_ &&
                     (input == lastInput_ + pixelsPerCall_ || input + pixelsPerCall_ == lastInput_);
    if (overlapping || neighbour) strips_.store(true);
  }
  lastTime_ = time;
  lastInput_ = input;
  return strips_.load();
}

}  // namespace kvxfrei0r
