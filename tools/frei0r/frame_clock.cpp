#include "frame_clock.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace kvxfrei0r {
namespace {

// Before any step has been seen: the PAL rate, the most common one for slideshows.
constexpr double kDefaultPeriod = 1.0 / 25;
// Steps outside this range are seeks or pauses, not the frame period.
constexpr double kShortestPeriod = 1.0 / 1000;
constexpr double kLongestPeriod = 10;

// The common rate whose period lies closest to `measured`, if one lies within `uncertainty`;
// otherwise the measurement itself. Millisecond times are rounded, so a single step cannot tell
// 29.97 from 30, but a run of frames can.
double matchCommonRate(double measured, double uncertainty) {
  static constexpr double kRates[] = {
      24000.0 / 1001, 24, 25, 30000.0 / 1001, 30, 48, 50, 60000.0 / 1001, 60, 100, 120};
  double best = measured;
  double bestDistance = uncertainty * 1.01;
  for (double rate : kRates) {
    double distance = std::fabs(1 / rate - measured);
    if (distance <= bestDistance) {
      best = 1 / rate;
      bestDistance = distance;
    }
  }
  return best;
}

}  // namespace

double parseFrameRate(const std::string& text) {
  // from_chars, not strtod: the host's locale may use a decimal comma.
  const char* end = text.data() + text.size();
  double rate = 0;
  auto [next, error] = std::from_chars(text.data(), end, rate);
  if (error != std::errc() || next == text.data()) return 0;
  if (next != end && *next == '/') {
    double denominator = 0;
    auto [last, denominatorError] = std::from_chars(next + 1, end, denominator);
    if (denominatorError != std::errc() || last != end || !(denominator > 0)) return 0;
    rate /= denominator;
    next = last;
  }
  if (next != end || !std::isfinite(rate)) return 0;
  return rate > 0 && rate <= 1000 ? rate : 0;
}

double FrameClock::period() const {
  if (frameRate_ > 0) return 1 / frameRate_;
  return learntPeriod_ > 0 ? learntPeriod_ : kDefaultPeriod;
}

void FrameClock::learn(double seconds, double resolution) {
  double step = seconds - lastSeconds_;
  if (step < kShortestPeriod || step > kLongestPeriod) {
    runFrames_ = 0;
    return;
  }
  if (learntPeriod_ == 0 || step < learntPeriod_ * 0.75) {
    // The first step, or one shorter than any before: earlier steps skipped frames.
    runStart_ = lastSeconds_;
    runFrames_ = 1;
    learntPeriod_ = matchCommonRate(step, resolution);
    return;
  }
  double frames = std::round(step / learntPeriod_);
  if (frames < 1 || frames > 4 || std::fabs(step - frames * learntPeriod_) > learntPeriod_ / 4) {
    runFrames_ = 0;  // a seek: the next run starts here
    return;
  }
  if (runFrames_ == 0) runStart_ = lastSeconds_;
  runFrames_ += frames;
  learntPeriod_ = matchCommonRate((seconds - runStart_) / runFrames_, resolution / runFrames_);
}

int64_t FrameClock::frameIndex(double hostTime) {
  const bool milliseconds = effectiveUnit() == TimeUnit::Milliseconds;
  double seconds = milliseconds ? hostTime / 1000 : hostTime;
  bool usable = std::isfinite(seconds);
  if (usable && hasLastTime_ && frameRate_ <= 0) learn(seconds, milliseconds ? 1e-3 : 1e-6);
  double frames = usable ? std::round(seconds / period()) : -1;
  int64_t index;
  if (frames >= 0 && frames < static_cast<double>(std::numeric_limits<int32_t>::max())) {
    index = static_cast<int64_t>(frames);
    lastSeconds_ = seconds;
    hasLastTime_ = true;
  } else {
    index = lastIndex_ + 1;
    hasLastTime_ = false;
    runFrames_ = 0;
  }
  lastIndex_ = index;
  return index;
}

double FrameClock::seconds(double hostTime, int64_t index) const {
  const double seconds = effectiveUnit() == TimeUnit::Milliseconds ? hostTime / 1000 : hostTime;
  if (std::isfinite(seconds) && seconds >= 0) return seconds;
  return static_cast<double>(index) * period();
}

}  // namespace kvxfrei0r
