#include "stop_signals.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

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

// SIGXFSZ goes to the thread whose write went past the limit, not to the process. Its handler
// hands it on to the waiting thread, carried by a real-time signal, and holds the writing
// thread until the process ends, so that no error path races the clean-up.
void forwardFileSizeLimit(int) {
  sigval value{};
  value.sival_int = SIGXFSZ;
  sigqueue(getpid(), SIGRTMIN, value);
  for (;;) pause();
}

}  // namespace

void handleStopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGRTMIN}) sigaddset(&signals, signal);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  struct sigaction limit {};
  limit.sa_handler = forwardFileSizeLimit;
  sigemptyset(&limit.sa_mask);
  sigaction(SIGXFSZ, &limit, nullptr);
  std::thread([signals] {
    siginfo_t info{};
    if (sigwaitinfo(&signals, &info) < 0) return;
    const int signal = info.si_signo == SIGRTMIN ? info.si_value.sival_int : info.si_signo;
    // Held until the process ends: nothing may create a file after this point.
    temporaryFilesLock().lock();
    for (const std::string& file : temporaryFiles()) unlink(file.c_str());
    _exit(128 + signal);
  }).detach();
}

void changeTemporaryFiles(const std::function<void(std::set<std::string>&)>& change) {
  const std::lock_guard<std::mutex> guard(temporaryFilesLock());
  change(temporaryFiles());
}

}  // namespace kvxcli
