#pragma once
// The progress line of a render on a terminal: frames done, speed and time left.
#include <chrono>
#include <cstdint>

namespace kvxcli {

class Progress {
 public:
  // Shown only when `enabled` and standard error is a terminal.
  Progress(bool enabled, int64_t expectedFrames);
  void update(int64_t framesDone);
  // Ends the line (when one was shown).
  void finish(int64_t framesDone);

 private:
  void print(int64_t framesDone);

  bool shown_;
  int64_t expected_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastPrint_;
};

}  // namespace kvxcli
