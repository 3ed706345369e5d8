#include "compat/buffer/buffer_table.h"

#include <cstring>
#include <limits>
#include <new>

#include "compat/common/handle_table.h"

namespace kvx::pixels {
namespace {

HandleTable<PixelBuffer>& table() {
  static HandleTable<PixelBuffer> instance;
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
