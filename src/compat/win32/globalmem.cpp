#include "kvxtheme/globalmem.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace {

struct Block {
  void* data;
  size_t size;
  unsigned flags;
  int lockCount;
};

// Handles are validated against this table, so a stale or foreign handle is refused rather
// than dereferenced. Fixed blocks are keyed by their address; moveable blocks by a token.
struct Registry {
  std::mutex mutex;
  std::unordered_map<void*, Block> blocks;
  uintptr_t nextToken = 0x10;
};

Registry& registry() {
  static Registry* instance = new Registry;  // outlives every static destructor that frees
  return *instance;
}

}  // namespace

extern "C" {

HGLOBAL GlobalAlloc(unsigned flags, size_t bytes) {
  void* data =
      (flags & GMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
  if (!data) return nullptr;
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  void* handle = data;
  if (flags & GMEM_MOVEABLE) {
    // Tokens are odd small integers; they can never equal a malloc'ed address.
    r.nextToken += 2;
    handle = reinterpret_cast<void*>(r.nextToken | 1);
  }
  r.blocks[handle] = Block{data, bytes, flags, 0};
  return handle;
}

void* GlobalLock(HGLOBAL handle) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.blocks.find(handle);
  if (it == r.blocks.end()) return nullptr;
  ++it->second.lockCount;
  return it->second.data;
}

int GlobalUnlock(HGLOBAL handle) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.blocks.find(handle);
  if (it == r.blocks.end() || it->second.lockCount == 0) return 0;
  return --it->second.lockCount > 0 ? 1 : 0;
}

size_t GlobalSize(HGLOBAL handle) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.blocks.find(handle);
  return it == r.blocks.end() ? 0 : it->second.size;
}

HGLOBAL GlobalFree(HGLOBAL handle) {
  void* data = nullptr;
  {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.blocks.find(handle);
    if (it == r.blocks.end()) return handle;
    data = it->second.data;
    r.blocks.erase(it);
  }
  std::free(data);
  return nullptr;
}

}  // extern "C"
