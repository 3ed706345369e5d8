#pragma once
// The process-wide table of render objects behind their 32-bit handles. Hosts run effects on
// several threads, so the table is guarded by a mutex and hands out shared ownership: an object
// deleted while another thread renders it lives until that rendering ends.
#include <memory>

#include "raster/render_object.h"

// Registers the object; 0 when no handle is free or memory runs out.
RenderHandle registerObject(std::shared_ptr<RenderObject> object);
// The object behind the handle, or null for 0, unknown and deleted handles.
std::shared_ptr<RenderObject> findObject(RenderHandle handle);
bool unregisterObject(RenderHandle handle);

// Runs `operation` on the object with its lock held; 0 for a handle that names no object.
template <typename Operation>
int withObject(RenderHandle handle, Operation operation) {
  const std::shared_ptr<RenderObject> object = findObject(handle);
  if (!object) return 0;
  std::lock_guard lock(object->mutex);
  return operation(*object);
}
