#pragma once
// Turns a frei0r host's time into the effect's frame index.
//
// Hosts disagree on the unit: ffmpeg's frei0r filter passes the frame's timestamp in
// milliseconds, MLT passes seconds (position / frame rate). Neither passes the frame rate. The
// unit is taken from the host process (MLT's library loaded: seconds; otherwise milliseconds)
// unless set explicitly; the frame period is the frame rate set explicitly, or else measured
// over runs of consecutive frames and taken as the common video rate it matches. A time
// that is not finite or lies before the clip (ffmpeg passes huge negative values for frames
// without a timestamp) continues the count from the previous frame.
#include <cstdint>

namespace kvxfrei0r {

enum class TimeUnit { Automatic, Milliseconds, Seconds };

// The unit of the process's frei0r host: Seconds inside MLT, else Milliseconds.
TimeUnit hostTimeUnit();

class FrameClock {
 public:
  explicit FrameClock(TimeUnit hostUnit) : hostUnit_(hostUnit) {}
  // Automatic: the unit of the host process.
  void setUnit(TimeUnit unit) { unit_ = unit; }
  // Frames per second; 0 or less: learnt from the host's time steps.
  void setFrameRate(double framesPerSecond) { frameRate_ = framesPerSecond; }
  double frameRate() const { return frameRate_; }
  TimeUnit unit() const { return unit_; }

  int64_t frameIndex(double hostTime);

 private:
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
