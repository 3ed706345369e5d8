#include "platform/buffer/buffer_table.h"

#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <unordered_map>

namespace kvx::pixels {
namespace {

struct HandleTable {
  std::mutex mutex;
  std::unordered_map<BufHandle, std::shared_ptr<PixelBuffer>> buffers;
  // Ids count upwards and wrap only after 2^32 - 1 allocations, so a freed id is not handed
  // out again soon and a stale handle is refused instead of reaching another buffer.
  BufHandle nextId = 1;
};

HandleTable& table() {
  static HandleTable instance;
  return instance;
}

}  // namespace

int64_t bufferStride(int bitsPerPixel, int width, int height) {
  if (width <= 0 || height <= 0) return -1;
  int64_t stride;
  switch (bitsPerPixel) {
    case 1:
      stride = (static_cast<int64_t>(width) + 7) / 8;
      break;
    case 8:
      stride = width;
      break;
    case 24:
      stride = static_cast<int64_t>(width) * 3;
      break;
    default:
      return -1;
  }
  if (stride > std::numeric_limits<int32_t>::max() / height) return -1;
  return stride;
}

std::shared_ptr<PixelBuffer> makeBuffer(int bitsPerPixel, int width, int height) {
  const int64_t stride = bufferStride(bitsPerPixel, width, height);
  if (stride < 0) return nullptr;
  try {
    auto buffer = std::make_shared<PixelBuffer>();
    buffer->bitsPerPixel = bitsPerPixel;
    buffer->width = width;
    buffer->height = height;
    buffer->stride = static_cast<int>(stride);
    buffer->data.assign(static_cast<size_t>(stride) * height, 0);
    return buffer;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

BufHandle registerBuffer(std::shared_ptr<PixelBuffer> buffer) {
  if (!buffer) return 0;
  HandleTable& t = table();
  std::lock_guard<std::mutex> lock(t.mutex);
  if (t.buffers.size() >= std::numeric_limits<BufHandle>::max() - 1) return 0;
  while (t.nextId == 0 || t.buffers.count(t.nextId)) ++t.nextId;
  const BufHandle id = t.nextId++;
  try {
    t.buffers.emplace(id, std::move(buffer));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return id;
}

std::shared_ptr<PixelBuffer> findBuffer(BufHandle handle) {
  if (handle == 0) return nullptr;
  HandleTable& t = table();
  std::lock_guard<std::mutex> lock(t.mutex);
  auto it = t.buffers.find(handle);
  return it == t.buffers.end() ? nullptr : it->second;
}

bool releaseBuffer(BufHandle handle) {
  if (handle == 0) return false;
  std::shared_ptr<PixelBuffer> released;  // destroyed outside the lock
  HandleTable& t = table();
  std::lock_guard<std::mutex> lock(t.mutex);
  auto it = t.buffers.find(handle);
  if (it == t.buffers.end()) return false;
  released = std::move(it->second);
  t.buffers.erase(it);
  return true;
}

bool handOut(std::shared_ptr<PixelBuffer> buffer, BufHandle* out) {
  if (!out || !buffer) return false;
  const BufHandle id = registerBuffer(std::move(buffer));
  if (id == 0) return false;
  *out = id;
  return true;
}

void readPackedRun(const PixelBuffer& buffer, int x, int y, int count, uint8_t* out) {
  const uint8_t* row = buffer.row(y);
  if (buffer.bitsPerPixel == 1) {
    for (int i = 0; i < count; ++i) {
      const int bit = x + i;
      out[i] = (row[bit >> 3] & (0x80 >> (bit & 7))) ? 255 : 0;
    }
    return;
  }
  const int bpp = buffer.bytesPerPixel();
  std::memcpy(out, row + static_cast<size_t>(x) * bpp, static_cast<size_t>(count) * bpp);
}

void writePackedRun(PixelBuffer& buffer, int x, int y, int count, const uint8_t* in) {
  uint8_t* row = buffer.row(y);
  if (buffer.bitsPerPixel == 1) {
    for (int i = 0; i < count; ++i) {
      const int bit = x + i;
      const uint8_t mask = static_cast<uint8_t>(0x80 >> (bit & 7));
      if (in[i] >= 128)
        row[bit >> 3] |= mask;
      else
        row[bit >> 3] &= static_cast<uint8_t>(~mask);
    }
    return;
  }
  const int bpp = buffer.bytesPerPixel();
  std::memcpy(row + static_cast<size_t>(x) * bpp, in, static_cast<size_t>(count) * bpp);
}

}  // namespace kvx::pixels
