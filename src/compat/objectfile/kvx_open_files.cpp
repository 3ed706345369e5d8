#include "compat/objectfile/kvx_open_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

#include "compat/win32/win32.h"
#include "kvxtheme/kvx_format.h"
#include "kvxtheme/objectfilelib.h"

namespace kvx {

namespace {

struct OpenFile {
  std::shared_ptr<const KvxContainer> container;
  int locks = 0;
};

struct OpenFiles {
  std::mutex mutex;
  std::unordered_map<HGLOBAL, OpenFile> files;
};

OpenFiles& openFiles() {
  static OpenFiles* instance = new OpenFiles;  // outlives static destructors that close files
  return *instance;
}

constexpr size_t kHeaderPathBytes = kKvxHeaderSize - kHeaderPath;

}  // namespace

HGLOBAL openKvxBytes(std::vector<uint8_t> bytes, const std::string& path) {
  std::string error;
  std::shared_ptr<const KvxContainer> container;
  try {
    container = KvxContainer::parse(std::move(bytes), &error);
  } catch (const std::bad_alloc&) {
    error = "out of memory";
  }
  if (!container) {
    OutputDebugStringA(("KVX: " + path + ": " + error + "\n").c_str());
    return nullptr;
  }
  return openKvxContainer(std::move(container), path);
}

HGLOBAL openKvxContainer(std::shared_ptr<const KvxContainer> container, const std::string& path) {
  if (!container) return nullptr;
  HGLOBAL handle = GlobalAlloc(GHND, kKvxHeaderSize);
  if (!handle) return nullptr;
  auto* header = static_cast<uint8_t*>(GlobalLock(handle));
  if (!header) {
    GlobalFree(handle);
    return nullptr;
  }
  std::memcpy(header, container->headerRecord().data(), kHeaderPath);
  // A path that does not fit is left out rather than cut to a wrong name.
  if (path.size() < kHeaderPathBytes) std::memcpy(header + kHeaderPath, path.data(), path.size());
  GlobalUnlock(handle);
  OpenFiles& registry = openFiles();
  try {
    std::lock_guard lock(registry.mutex);
    registry.files[handle] = OpenFile{std::move(container), 0};
  } catch (const std::bad_alloc&) {
    GlobalFree(handle);
    return nullptr;
  }
  return handle;
}

std::shared_ptr<const KvxContainer> findOpenFile(HGLOBAL handle) {
  OpenFiles& registry = openFiles();
  std::lock_guard lock(registry.mutex);
  auto it = registry.files.find(handle);
  return it == registry.files.end() ? nullptr : it->second.container;
}

bool changeFileLock(HGLOBAL handle, bool lock) {
  OpenFiles& registry = openFiles();
  std::lock_guard guard(registry.mutex);
  auto it = registry.files.find(handle);
  if (it == registry.files.end()) return false;
  if (lock) {
    ++it->second.locks;
    return true;
  }
  if (it->second.locks == 0) return false;
  --it->second.locks;
  return true;
}

bool closeOpenFile(HGLOBAL handle) {
  {
    OpenFiles& registry = openFiles();
    std::lock_guard lock(registry.mutex);
    if (registry.files.erase(handle) == 0) return false;
  }
  GlobalFree(handle);
  return true;
}

namespace {

bool readFully(int fd, uint8_t* data, size_t size, std::string* error) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = read(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = n == 0 ? "file shrank while reading" : std::strerror(errno);
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool readOpenThemeFile(int fd, std::vector<uint8_t>* bytes, std::string* error) {
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    *error = std::strerror(errno);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    *error = S_ISDIR(info.st_mode) ? "is a folder" : "not a regular file";
    return false;
  }
  const uint64_t size = static_cast<uint64_t>(info.st_size);
  uint8_t magic[sizeof kMagic];
  // A file that does not begin like a theme is refused before anything more of it is read.
  if (size < kFileHeaderSize || !readFully(fd, magic, sizeof magic, error) ||
      std::memcmp(magic, kMagic, sizeof kMagic) != 0) {
    if (error->empty()) *error = "not a KVX file (bad magic)";
    return false;
  }
  if (size > kMaxFileBytes) {
    *error = "file too large";
    return false;
  }
  bytes->resize(static_cast<size_t>(size));
  std::memcpy(bytes->data(), magic, sizeof magic);
  return readFully(fd, bytes->data() + sizeof magic, bytes->size() - sizeof magic, error);
}

}  // namespace

bool readThemeFileBytes(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
  error->clear();
  // Without O_NONBLOCK, opening a FIFO would wait for a writer before it could be refused.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    *error = std::string("cannot be opened: ") + std::strerror(errno);
    return false;
  }
  const bool ok = readOpenThemeFile(fd, bytes, error);
  close(fd);
  return ok;
}

}  // namespace kvx
