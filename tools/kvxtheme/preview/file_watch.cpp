#include "file_watch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cli_error.h"

namespace kvxcli {
namespace {

// Written and closed, renamed in, or gone. A file just created is still being written: its
// close follows.
constexpr uint32_t kChangeEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;

}  // namespace

FileWatch::FileWatch() : descriptor_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
  if (descriptor_ < 0) fail("--watch", std::string("cannot watch files: ") + std::strerror(errno));
}

FileWatch::~FileWatch() {
  close(descriptor_);
}

void FileWatch::watch(const std::vector<std::filesystem::path>& files) {
  std::map<std::filesystem::path, std::set<std::string>> wanted;
  for (const std::filesystem::path& file : files) {
    std::error_code error;
    const std::filesystem::path absolute =
        std::filesystem::absolute(file, error).lexically_normal();
    if (error) continue;
    wanted[absolute.parent_path()].insert(absolute.filename().string());
  }
  for (auto it = folders_.begin(); it != folders_.end();) {
    if (wanted.count(it->first)) {
      ++it;
      continue;
    }
    inotify_rm_watch(descriptor_, it->second);
    names_.erase(it->second);
    it = folders_.erase(it);
  }
  for (auto& [folder, names] : wanted) {
    // Adding a folder watched already returns its descriptor again.
    const int watch = inotify_add_watch(descriptor_, folder.c_str(), kChangeEvents | IN_ONLYDIR);
    if (watch < 0) continue;
    folders_[folder] = watch;
    names_[watch] = std::move(names);
  }
}

bool FileWatch::readEvents(int timeoutMs) {
  pollfd ready{descriptor_, POLLIN, 0};
  int polled;
  do polled = poll(&ready, 1, timeoutMs);
  while (polled < 0 && errno == EINTR);
  if (polled <= 0) return false;
  bool relevant = false;
  alignas(inotify_event) char buffer[16384];
  for (;;) {
    const ssize_t length = read(descriptor_, buffer, sizeof buffer);
    if (length <= 0) break;
    for (ssize_t at = 0; at < length;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      const auto names = names_.find(event->wd);
      // Events lost to a full queue may have been about any of the files.
      if (event->mask & IN_Q_OVERFLOW) relevant = true;
      if (event->len > 0 && names != names_.end() && names->second.count(event->name))
        relevant = true;
    }
  }
  return relevant;
}

void FileWatch::waitForChange(std::chrono::milliseconds settle, std::chrono::milliseconds longest) {
  using Clock = std::chrono::steady_clock;
  while (!readEvents(-1)) {
  }
  const Clock::time_point end = Clock::now() + longest;
  Clock::time_point quietUntil = Clock::now() + settle;
  for (Clock::time_point now = Clock::now(); now < quietUntil && now < end; now = Clock::now()) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::min(quietUntil, end) - now);
    if (readEvents(static_cast<int>(left.count()) + 1)) quietUntil = Clock::now() + settle;
  }
}

}  // namespace kvxcli
