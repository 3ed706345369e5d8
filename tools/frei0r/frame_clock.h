#pragma once
// Turns a frei0r host's time into the effect's frame index.
//
// Hosts disagree on the unit: ffmpeg's frei0r filter passes the frame's timestamp in
// milliseconds, MLT and GStreamer pass seconds. None passes the frame rate. The unit is the
// calling host's unless set explicitly; the frame period is the frame rate set explicitly, or
// else measured over runs of consecutive frames and taken as the common video rate it matches.
// A time that is not finite or lies before the clip (ffmpeg passes huge negative values for
// frames without a timestamp) continues the count from the previous frame.
#include <cstdint>
#include <string>

namespace kvxfrei0r {

enum class TimeUnit { Automatic, Milliseconds, Seconds };

// "25", "29.97" or "30000/1001" frames per second; 0 when empty or not a usable rate.
double parseFrameRate(const std::string& text);

class FrameClock {
 public:
  explicit FrameClock(TimeUnit hostUnit) : hostUnit_(hostUnit) {}
  // The unit of the host that calls; Automatic follows it.
  void setHostUnit(TimeUnit unit) { hostUnit_ = unit; }
  void setUnit(TimeUnit unit) { unit_ = unit; }
  // Frames per second; 0 or less: learnt from the host's time steps.
  void setFrameRate(double framesPerSecond) { frameRate_ = framesPerSecond; }
  double frameRate() const { return frameRate_; }
  TimeUnit unit() const { return unit_; }

  int64_t frameIndex(double hostTime);
  // The host's time in seconds; for a time that is not finite or lies before the clip, the
  // start of frame `index` (frameIndex's answer for that time) at the clock's period.
  double seconds(double hostTime, int64_t index) const;

 private:
  TimeUnit effectiveUnit() const { return unit_ == TimeUnit::Automatic ? hostUnit_ : unit_; }
  double period() const;
  void learn(double seconds, double resolution);

  TimeUnit hostUnit_;
  TimeUnit unit_ = TimeUnit::Automatic;
  double frameRate_ = 0;
  double learntPeriod_ = 0;
  // The current run of frames without a seek: where it began and how many periods it spans.
  double runStart_ = 0;
  double runFrames_ = 0;
  double lastSeconds_ = 0;
  bool hasLastTime_ = false;
  int64_t lastIndex_ = -1;
};

}  // namespace kvxfrei0r
