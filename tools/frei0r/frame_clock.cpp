#include "frame_clock.h"

#include <dlfcn.h>

#include <cmath>
#include <limits>

namespace kvxfrei0r {
namespace {

// Before any step has been seen: the PAL rate, the most common one for slideshows.
constexpr double kDefaultPeriod = 1.0 / 25;
// Steps outside this range are seeks or pauses, not the frame period.
constexpr double kShortestPeriod = 1.0 / 1000;
constexpr double kLongestPeriod = 10;

// A measured period close to a common rate is that rate: millisecond timestamps of 29.97 or
// 23.976 material are rounded and would otherwise drift over a long clip.
double snapToCommonRate(double period) {
  static constexpr double kRates[] = {
      24000.0 / 1001, 24, 25, 30000.0 / 1001, 30, 48, 50, 60000.0 / 1001, 60, 100, 120};
  for (double rate : kRates)
    if (std::fabs(period * rate - 1) < 0.002) return 1 / rate;
  return period;
}

}  // namespace

TimeUnit hostTimeUnit() {
  return dlsym(RTLD_DEFAULT, "mlt_factory_init") ? TimeUnit::Seconds : TimeUnit::Milliseconds;
}

double FrameClock::period() const {
  if (frameRate_ > 0) return 1 / frameRate_;
  return learntPeriod_ > 0 ? learntPeriod_ : kDefaultPeriod;
}

int64_t FrameClock::frameIndex(double hostTime) {
  TimeUnit unit = unit_ == TimeUnit::Automatic ? hostUnit_ : unit_;
  double seconds = unit == TimeUnit::Milliseconds ? hostTime / 1000 : hostTime;
  bool usable = std::isfinite(seconds);
  if (usable && hasLastTime_) {
    double step = seconds - lastSeconds_;
    if (step >= kShortestPeriod && step <= kLongestPeriod &&
        (learntPeriod_ == 0 || step < learntPeriod_ * 0.999))
      learntPeriod_ = snapToCommonRate(step);
  }
  double frames = usable ? std::round(seconds / period()) : -1;
  int64_t index;
  if (frames >= 0 && frames < static_cast<double>(std::numeric_limits<int32_t>::max())) {
    index = static_cast<int64_t>(frames);
    lastSeconds_ = seconds;
    hasLastTime_ = true;
  } else {
    index = lastIndex_ + 1;
    hasLastTime_ = false;
  }
  lastIndex_ = index;
  return index;
}

}  // namespace kvxfrei0r
