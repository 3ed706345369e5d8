#include "compat/buffer/buffer_table.h"

#include "compat/common/handle_table.h"

namespace kvx::pixels {
namespace {

HandleTable<PixelBuffer>& table() {
  static HandleTable<PixelBuffer> instance;
  return instance;
}

}  // namespace

BufHandle registerBuffer(std::shared_ptr<PixelBuffer> buffer) {
  return table().add(std::move(buffer));
}

std::shared_ptr<PixelBuffer> findBuffer(BufHandle handle) {
  return table().find(handle);
}

bool releaseBuffer(BufHandle handle) {
  return table().remove(handle);
}

bool handOut(std::shared_ptr<PixelBuffer> buffer, BufHandle* out) {
  if (!out || !buffer) return false;
  const BufHandle id = registerBuffer(std::move(buffer));
  if (id == 0) return false;
  *out = id;
  return true;
}

}  // namespace kvx::pixels
