#include "compat/objectfile/theme_files.h"

#include <mutex>
#include <new>
#include <vector>

#include "compat/win32/win32.h"

namespace kvx {
namespace {

std::mutex gDirectoryMutex;
std::string gDirectory;

}  // namespace

void setKvxDirectory(const std::string& directory) {
  std::lock_guard lock(gDirectoryMutex);
  gDirectory = directory;
}

std::shared_ptr<const KvxContainer> openThemeContainer(const std::string& path,
                                                       std::string* opened) {
  if (path.empty()) return nullptr;
  std::vector<uint8_t> bytes;
  std::string error;
  *opened = path;
  try {
    bool read = readThemeFileBytes(path, &bytes, &error);
    if (!read && path[0] != '/') {
      std::string directory;
      {
        std::lock_guard lock(gDirectoryMutex);
        directory = gDirectory;
      }
      if (!directory.empty()) {
        *opened = directory + (directory.back() == '/' ? "" : "/") + path;
        read = readThemeFileBytes(*opened, &bytes, &error);
      }
    }
    std::shared_ptr<const KvxContainer> container;
    if (read) container = KvxContainer::parse(std::move(bytes), &error);
    if (!container) OutputDebugStringA(("KVX: " + path + ": " + error + "\n").c_str());
    return container;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace kvx
