#include "compat/render/object_table.h"

#include "compat/common/handle_table.h"

namespace {

HandleTable<RenderObject>& table() {
  static HandleTable<RenderObject> instance;
  return instance;
}

}  // namespace

RenderHandle registerObject(std::shared_ptr<RenderObject> object) {
  return table().add(std::move(object));
}

std::shared_ptr<RenderObject> findObject(RenderHandle handle) {
  return table().find(handle);
}

// The object is destroyed outside the table's lock when this was its last owner (its Pango
// state may be large).
bool unregisterObject(RenderHandle handle) {
  return table().remove(handle);
}
