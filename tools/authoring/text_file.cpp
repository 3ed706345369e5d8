#include "text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kvxauthor {
namespace {

bool refuse(std::string* error, const std::filesystem::path& path, const std::string& why) {
  *error = path.string() + ": " + why;
  return false;
}

// Closes the descriptor however the read ends.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

bool readTextFile(const std::filesystem::path& path, size_t maxBytes, std::string* contents,
                  std::string* error) {
  const Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0)
    return refuse(error, path, std::string("cannot be read: ") + std::strerror(errno));
  struct stat info {};
  if (fstat(file.get(), &info) != 0)
    return refuse(error, path, std::string("cannot be read: ") + std::strerror(errno));
  if (S_ISDIR(info.st_mode)) return refuse(error, path, "is a folder, not a file");
  if (!S_ISREG(info.st_mode)) return refuse(error, path, "is not a regular file");
  if (static_cast<uint64_t>(info.st_size) > maxBytes)
    return refuse(error, path,
                  "is larger than " + std::to_string(maxBytes >> 20) +
                      " MiB; not a text file of "
                      "this kind");
  contents->assign(static_cast<size_t>(info.st_size), '\0');
  size_t done = 0;
  while (done < contents->size()) {
    const ssize_t n = read(file.get(), contents->data() + done, contents->size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return refuse(error, path, std::string("cannot be read: ") + std::strerror(errno));
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  contents->resize(done);
  return true;
}

}  // namespace kvxauthor
