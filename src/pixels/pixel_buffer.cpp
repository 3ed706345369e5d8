#include "pixels/pixel_buffer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace kvx::pixels {
namespace {

// The part of the rectangle (x, y, width, height) inside a width × height buffer.
struct Clip {
  int x = 0, y = 0, width = 0, height = 0;
  int skipX = 0, skipY = 0;  // how far the clipped rectangle starts inside the requested one
  bool empty() const { return width <= 0 || height <= 0; }
};

Clip clipRect(int x, int y, int width, int height, int bufferWidth, int bufferHeight) {
  const int64_t left = std::max<int64_t>(x, 0);
  const int64_t top = std::max<int64_t>(y, 0);
  const int64_t right = std::min<int64_t>(static_cast<int64_t>(x) + width, bufferWidth);
  const int64_t bottom = std::min<int64_t>(static_cast<int64_t>(y) + height, bufferHeight);
  Clip clip;
  if (right <= left || bottom <= top) return clip;
  clip.x = static_cast<int>(left);
  clip.y = static_cast<int>(top);
  clip.width = static_cast<int>(right - left);
  clip.height = static_cast<int>(bottom - top);
  clip.skipX = static_cast<int>(left - x);
  clip.skipY = static_cast<int>(top - y);
  return clip;
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

SharedBuffer makeBuffer(int bitsPerPixel, int width, int height) {
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

SharedBuffer makeFilledBuffer(int bitsPerPixel, int width, int height, uint32_t color) {
  SharedBuffer buffer = makeBuffer(bitsPerPixel, width, height);
  if (buffer) fillBuffer(*buffer, color);
  return buffer;
}

SharedBuffer copyBuffer(const PixelBuffer& buffer) {
  try {
    auto copy = std::make_shared<PixelBuffer>(buffer);
    copy->lockCount = 0;
    return copy;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void fillBuffer(PixelBuffer& buffer, uint32_t color) {
  if (buffer.data.empty()) return;
  const uint8_t red = color & 0xFF;
  if (buffer.bitsPerPixel == 8) {
    std::fill(buffer.data.begin(), buffer.data.end(), red);
    return;
  }
  if (buffer.bitsPerPixel == 1) {
    // Padding bits beyond the width stay clear so that copies compare equal.
    const uint8_t full = red >= 128 ? 0xFF : 0x00;
    for (int y = 0; y < buffer.height; ++y) {
      uint8_t* row = buffer.row(y);
      std::fill(row, row + buffer.stride, full);
      if (buffer.width % 8)
        row[buffer.stride - 1] &= static_cast<uint8_t>(0xFF00 >> (buffer.width % 8));
    }
    return;
  }
  const uint8_t pixel[3] = {red, static_cast<uint8_t>(color >> 8),
                            static_cast<uint8_t>(color >> 16)};
  uint8_t* first = buffer.row(0);
  for (int x = 0; x < buffer.width; ++x) std::memcpy(first + x * 3, pixel, 3);
  for (int y = 1; y < buffer.height; ++y) std::memcpy(buffer.row(y), first, buffer.stride);
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

SharedBuffer cropBuffer(const PixelBuffer& buffer, int x, int y, int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  const Clip clip = clipRect(x, y, width, height, buffer.width, buffer.height);
  if (clip.empty()) return nullptr;
  SharedBuffer piece = makeBuffer(buffer.bitsPerPixel, clip.width, clip.height);
  if (!piece) return nullptr;
  try {
    std::vector<uint8_t> run(static_cast<size_t>(clip.width) * buffer.bytesPerPixel());
    for (int row = 0; row < clip.height; ++row) {
      readPackedRun(buffer, clip.x, clip.y + row, clip.width, run.data());
      writePackedRun(*piece, 0, row, clip.width, run.data());
    }
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return piece;
}

bool readRect(const PixelBuffer& buffer, int x, int y, int width, int height, uint8_t* out) {
  if (!out || width <= 0 || height <= 0 || x < 0 || y < 0) return false;
  if (width > buffer.width - x || height > buffer.height - y) return false;
  const size_t rowBytes = static_cast<size_t>(width) * buffer.bytesPerPixel();
  for (int row = 0; row < height; ++row)
    readPackedRun(buffer, x, y + row, width, out + row * rowBytes);
  return true;
}

void writeRect(PixelBuffer& buffer, int x, int y, int width, int height, const uint8_t* in) {
  if (!in || width <= 0 || height <= 0) return;
  const Clip clip = clipRect(x, y, width, height, buffer.width, buffer.height);
  if (clip.empty()) return;
  const int bpp = buffer.bytesPerPixel();
  const size_t rowBytes = static_cast<size_t>(width) * bpp;
  const uint8_t* first = in + static_cast<size_t>(clip.skipX) * bpp;
  for (int row = 0; row < clip.height; ++row)
    writePackedRun(buffer, clip.x, clip.y + row, clip.width,
                   first + (static_cast<size_t>(clip.skipY) + row) * rowBytes);
}

}  // namespace kvx::pixels
