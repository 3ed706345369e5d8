#include "stop_signals.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <mutex>
#include <thread>

namespace kvxcli {
namespace {

std::mutex& temporaryFilesLock() {
  static std::mutex lock;
  return lock;
}

std::set<std::string>& temporaryFiles() {
  static std::set<std::string> files;
  return files;
}

int stopPipe[2] = {-1, -1};
std::atomic<bool> endNormally{false};

// Whatever thread a stop signal reaches (threads may exist before main, a sanitizer's for one),
// it only hands the signal to the clean-up thread.
void forwardStop(int signal) {
  const int saved = errno;
  const unsigned char number = static_cast<unsigned char>(signal);
  (void)!write(stopPipe[1], &number, 1);
  errno = saved;
  // SIGXFSZ reaches the thread whose write went past the limit: hold it until the process
  // ends, so that no error path races the clean-up.
  if (signal == SIGXFSZ)
    for (;;) pause();
}

}  // namespace

void handleStopSignals() {
  if (pipe2(stopPipe, O_CLOEXEC) != 0) return;
  sigset_t stops;
  sigemptyset(&stops);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) sigaddset(&stops, signal);
  // The clean-up thread never takes a stop signal itself: it starts with them blocked.
  sigset_t previous;
  pthread_sigmask(SIG_BLOCK, &stops, &previous);
  std::thread([] {
    unsigned char signal = 0;
    while (read(stopPipe[0], &signal, 1) < 0 && errno == EINTR) {
    }
    // Held until the process ends: nothing may create a file after this point.
    temporaryFilesLock().lock();
    for (const std::string& file : temporaryFiles()) {
      std::error_code ignored;
      std::filesystem::remove_all(file, ignored);
    }
    const bool asked = signal == SIGINT || signal == SIGTERM;
    _exit(asked && endNormally ? 0 : 128 + signal);
  }).detach();
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  struct sigaction action {};
  action.sa_handler = forwardStop;
  action.sa_mask = stops;
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) sigaction(signal, &action, nullptr);
}

void stopSignalsEndNormally() {
  endNormally = true;
}

void changeTemporaryFiles(const std::function<void(std::set<std::string>&)>& change) {
  const std::lock_guard<std::mutex> guard(temporaryFilesLock());
  change(temporaryFiles());
}

}  // namespace kvxcli
