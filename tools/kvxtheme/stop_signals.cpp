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

}  // namespace

void handleStopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) sigaddset(&signals, signal);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::thread([signals] {
    int signal = 0;
    if (sigwait(&signals, &signal) != 0) return;
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
