#pragma once
// Objects behind 32-bit handles, for the libraries that hand out handles. Hosts run effects on
// several threads, so the table is locked and hands out shared ownership: an object released
// while another thread uses it lives until that use ends. Handles count upwards and are not
// reused until the counter wraps, so a stale handle finds nothing; 0 is never a handle.
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>

template <typename T>
class HandleTable {
 public:
  // A new handle for the object; 0 when no handle is free or memory runs out.
  uint32_t add(std::shared_ptr<T> object) {
    if (!object) return 0;
    std::lock_guard lock(mutex_);
    if (objects_.size() >= 0xFFFFFFF0u) return 0;
    while (next_ == 0 || objects_.count(next_) != 0) ++next_;
    const uint32_t handle = next_++;
    try {
      objects_.emplace(handle, std::move(object));
    } catch (const std::bad_alloc&) {
      return 0;
    }
    return handle;
  }

  // The object behind the handle, or null for 0, unknown and released handles.
  std::shared_ptr<T> find(uint32_t handle) const {
    if (handle == 0) return nullptr;
    std::lock_guard lock(mutex_);
    const auto found = objects_.find(handle);
    return found == objects_.end() ? nullptr : found->second;
  }

  bool remove(uint32_t handle) {
    if (handle == 0) return false;
    std::shared_ptr<T> released;  // destroyed after the lock is let go
    std::lock_guard lock(mutex_);
    const auto found = objects_.find(handle);
    if (found == objects_.end()) return false;
    released = std::move(found->second);
    objects_.erase(found);
    return true;
  }

 private:
  mutable std::mutex mutex_;
  std::unordered_map<uint32_t, std::shared_ptr<T>> objects_;
  uint32_t next_ = 1;
};
