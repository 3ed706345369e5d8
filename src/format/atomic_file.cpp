#include "kvxtheme/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace kvx {

namespace {

bool writeAll(int fd, const void* data, size_t size, std::string* error) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    ssize_t n = write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = std::string("write failed: ") + std::strerror(n < 0 ? errno : ENOSPC);
      return false;
    }
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Makes the rename itself durable.
void syncDirectory(const std::string& directory) {
  int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

bool writeFileAtomically(const std::string& path,
                         const std::function<bool(const PieceWriter&)>& produce,
                         std::string* error) {
  std::string local;
  if (!error) error = &local;
  error->clear();
  std::filesystem::path target(path);
  if (target.filename().empty()) {
    *error = "no file name in " + path;
    return false;
  }
  std::string directory = target.has_parent_path() ? target.parent_path().string() : ".";
  std::string pattern = directory + "/." + target.filename().string() + ".tmp-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    *error = "cannot create a file in " + directory + ": " + std::strerror(errno);
    return false;
  }
  bool ok = produce([&](const void* data, size_t size) { return writeAll(fd, data, size, error); });
  if (!ok && error->empty()) *error = "writing was abandoned";
  if (ok && fchmod(fd, 0644) != 0) {
    *error = std::string("cannot set permissions: ") + std::strerror(errno);
    ok = false;
  }
  if (ok && fsync(fd) != 0) {
    *error = std::string("cannot flush: ") + std::strerror(errno);
    ok = false;
  }
  if (close(fd) != 0 && ok) {
    *error = std::string("cannot close: ") + std::strerror(errno);
    ok = false;
  }
  if (ok && rename(name.data(), path.c_str()) != 0) {
    *error = "cannot replace " + path + ": " + std::strerror(errno);
    ok = false;
  }
  if (!ok) {
    unlink(name.data());
    return false;
  }
  syncDirectory(directory);
  return true;
}

}  // namespace kvx
