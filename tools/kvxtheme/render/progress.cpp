#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace kvxcli {

Progress::Progress(bool enabled, int64_t expectedFrames)
    : shown_(enabled && isatty(STDERR_FILENO)),
      expected_(expectedFrames),
      start_(std::chrono::steady_clock::now()),
      lastPrint_(start_) {}

void Progress::update(int64_t framesDone) {
  if (!shown_) return;
  auto now = std::chrono::steady_clock::now();
  if (now - lastPrint_ < std::chrono::milliseconds(250)) return;
  lastPrint_ = now;
  print(framesDone);
}

void Progress::finish(int64_t framesDone) {
  if (!shown_) return;
  print(framesDone);
  std::fputc('\n', stderr);
}

void Progress::print(int64_t framesDone) {
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  double fps = seconds > 0 ? framesDone / seconds : 0;
  if (expected_ > 0 && fps > 0) {
    long left = static_cast<long>((expected_ > framesDone ? expected_ - framesDone : 0) / fps);
    std::fprintf(stderr, "\rframe %lld/%lld  %.1f fps  ETA %ld:%02ld   ",
                 static_cast<long long>(framesDone), static_cast<long long>(expected_), fps,
                 left / 60, left % 60);
  } else {
    std::fprintf(stderr, "\rframe %lld  %.1f fps   ", static_cast<long long>(framesDone), fps);
  }
  std::fflush(stderr);
}

}  // namespace kvxcli
