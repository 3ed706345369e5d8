#include "pending_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "cli_error.h"
#include "stop_signals.h"

namespace kvxcli {

PendingFile::PendingFile(std::string target) : target_(std::move(target)) {
  std::filesystem::path path(target_);
  std::filesystem::path folder = path.parent_path();
  if (path.filename().empty()) fail(target_, "is not a file name");
  std::string pattern = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int descriptor = -1;
  int cause = 0;
  changeTemporaryFiles([&](std::set<std::string>& files) {
    descriptor = mkstemp(name.data());
    if (descriptor >= 0)
      files.insert(name.data());
    else
      cause = errno;
  });
  if (descriptor < 0) fail(target_, std::string("cannot be written: ") + std::strerror(cause));
  temporary_ = name.data();
  // mkstemp creates the file for its owner only; give it the usual permissions.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(descriptor, 0666 & ~mask);
  close(descriptor);
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : target_(std::move(other.target_)),
      temporary_(std::move(other.temporary_)),
      committed_(other.committed_) {
  other.committed_ = true;
}

PendingFile::~PendingFile() {
  if (committed_ || temporary_.empty()) return;
  changeTemporaryFiles([&](std::set<std::string>& files) {
    std::remove(temporary_.c_str());
    files.erase(temporary_);
  });
}

void PendingFile::commit() {
  int cause = 0;
  changeTemporaryFiles([&](std::set<std::string>& files) {
    if (std::rename(temporary_.c_str(), target_.c_str()) == 0)
      files.erase(temporary_);
    else
      cause = errno;
  });
  if (cause != 0) fail(target_, std::string("cannot be written: ") + std::strerror(cause));
  committed_ = true;
}

}  // namespace kvxcli
