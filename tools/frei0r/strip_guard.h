#pragma once
// Recognises a host that hands one filter instance horizontal strips of a frame instead of
// whole frames. MLT does so when a frei0r filter has its "threads" property set: it constructs
// the instance at the strip's height and calls it from several threads at once, once per strip,
// with the same time and with pointers one strip apart. A theme cannot be drawn strip by strip,
// so once strips are recognised the filter stops drawing (see docs/frei0r.md).
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace kvxfrei0r {

class StripGuard {
 public:
  explicit StripGuard(size_t pixelsPerCall) : pixelsPerCall_(pixelsPerCall) {}

  // Marks a call as running; true when another call of the instance is running at the same time.
  bool enter() { return active_.fetch_add(1) > 0; }
  void leave() { active_.fetch_sub(1); }
  // Under the instance's lock: looks at one call; true once strips have been recognised, from
  // overlapping calls or from a call for the same time whose input lies one strip away.
  bool check(bool overlapping, double time, const uint32_t* input);
  bool stripsSeen() const { return strips_.load(); }

 private:
  size_t pixelsPerCall_;
  std::atomic<int> active_{0};
  std::atomic<bool> strips_{false};
  // Written under the instance's lock only.
  double lastTime_ = 0;
  const uint32_t* lastInput_ = nullptr;
};

}  // namespace kvxfrei0r
