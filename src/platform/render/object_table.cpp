#include "platform/render/object_table.h"

#include <mutex>
#include <new>
#include <unordered_map>

namespace {

struct ObjectTable {
  std::mutex mutex;
  std::unordered_map<RenderHandle, std::shared_ptr<RenderObject>> objects;
  // Handles are not reused until the counter wraps, so a stale handle finds nothing.
  RenderHandle next = 1;
};

ObjectTable& table() {
  static ObjectTable instance;
  return instance;
}

}  // namespace

RenderHandle registerObject(std::shared_ptr<RenderObject> object) {
  if (!object) return 0;
  ObjectTable& t = table();
  std::lock_guard lock(t.mutex);
  if (t.objects.size() >= 0xFFFFFFF0u) return 0;
  while (t.next == 0 || t.objects.count(t.next) != 0) ++t.next;
  const RenderHandle handle = t.next++;
  try {
    t.objects.emplace(handle, std::move(object));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return handle;
}

std::shared_ptr<RenderObject> findObject(RenderHandle handle) {
  if (handle == 0) return nullptr;
  ObjectTable& t = table();
  std::lock_guard lock(t.mutex);
  const auto found = t.objects.find(handle);
  return found == t.objects.end() ? nullptr : found->second;
}

bool unregisterObject(RenderHandle handle) {
  if (handle == 0) return false;
  std::shared_ptr<RenderObject> doomed;
  ObjectTable& t = table();
  std::lock_guard lock(t.mutex);
  const auto found = t.objects.find(handle);
  if (found == t.objects.end()) return false;
  // Destroyed outside the lock when this was the last owner (its Pango state may be large).
  doomed = std::move(found->second);
  t.objects.erase(found);
  return true;
}
