#pragma once
// Waits for a set of files to change. Their folders are watched, not the files: an editor saves
// by writing a new file and renaming it over the old one, which a watch on the old file misses.
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kvxcli {

class FileWatch {
 public:
  FileWatch();  // fails when the system gives no inotify instance
  ~FileWatch();
  FileWatch(const FileWatch&) = delete;
  FileWatch& operator=(const FileWatch&) = delete;

  // Watches these files from now on, and no others. A file whose folder is missing is not
  // watched.
  void watch(const std::vector<std::filesystem::path>& files);
  // Blocks until a watched file is written, replaced or removed, then until no further change
  // has come for `settle` (or `longest` has passed), so that a burst of saves is one change.
  void waitForChange(std::chrono::milliseconds settle, std::chrono::milliseconds longest);

 private:
  // Reads the events that come within `timeoutMs` (-1: waits for some); true if one was about a
  // watched file.
  bool readEvents(int timeoutMs);

  int descriptor_ = -1;
  std::map<std::filesystem::path, int> folders_;  // folder -> watch descriptor
  std::map<int, std::set<std::string>> names_;    // watch descriptor -> file names in it
};

}  // namespace kvxcli
