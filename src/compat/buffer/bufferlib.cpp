// Buffer allocation, access and rectangle copies of BufferLib. Blending is in merge.cpp,
// scaling in resample.cpp.
#include "kvxtheme/bufferlib.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "compat/buffer/buffer_table.h"

using kvx::pixels::findBuffer;
using kvx::pixels::handOut;
using kvx::pixels::PixelBuffer;

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

void fillBuffer(PixelBuffer& buffer, uint32_t color) {
  const uint8_t red = color & 0xFF;
  if (buffer.bitsPerPixel == 8) {
    std::fill(buffer.data.begin(), buffer.data.end(), red);
    return;
  }
  if (buffer.bitsPerPixel == 1) {
    // Padding bits beyond the width stay clear so that duplicates compare equal.
    const std::vector<uint8_t> run(buffer.width, red);
    for (int y = 0; y < buffer.height; ++y)
      kvx::pixels::writePackedRun(buffer, 0, y, buffer.width, run.data());
    return;
  }
  const uint8_t pixel[3] = {red, static_cast<uint8_t>(color >> 8),
                            static_cast<uint8_t>(color >> 16)};
  uint8_t* first = buffer.row(0);
  for (int x = 0; x < buffer.width; ++x) std::memcpy(first + x * 3, pixel, 3);
  for (int y = 1; y < buffer.height; ++y) std::memcpy(buffer.row(y), first, buffer.stride);
}

}  // namespace

extern "C" {

int buf32Alloc(BufHandle* out, int bitsPerPixel, int width, int height, int fill,
               const uint32_t* color) {
  if (!out) return 0;
  auto buffer = kvx::pixels::makeBuffer(bitsPerPixel, width, height);
  if (!buffer) return 0;
  if (fill && color) fillBuffer(*buffer, *color);
  return handOut(std::move(buffer), out) ? 1 : 0;
}

int buf32Free(BufHandle handle) {
  return kvx::pixels::releaseBuffer(handle) ? 1 : 0;
}

int buf32DupBuf(BufHandle handle, BufHandle* out) {
  auto source = findBuffer(handle);
  if (!source || !out) return 0;
  try {
    auto copy = std::make_shared<PixelBuffer>(*source);
    copy->lockCount = 0;
    return handOut(std::move(copy), out) ? 1 : 0;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int buf32GetInfo(BufHandle handle, Buf32Info* info) {
  auto buffer = findBuffer(handle);
  if (!buffer || !info) return 0;
  info->recordSize = sizeof(Buf32Info);
  info->bitsPerPixel = buffer->bitsPerPixel;
  info->bytesPerPixel = buffer->bytesPerPixel();
  info->stride = buffer->stride;
  info->width = buffer->width;
  info->height = buffer->height;
  info->reserved = 0;
  info->dataSize = static_cast<int32_t>(buffer->data.size());
  return 1;
}

int buf32GetWHU(BufHandle handle, int* width, int* height, int* bytesPerPixel) {
  auto buffer = findBuffer(handle);
  if (!buffer) return 0;
  if (width) *width = buffer->width;
  if (height) *height = buffer->height;
  if (bytesPerPixel) *bytesPerPixel = buffer->bytesPerPixel();
  return 1;
}

int buf32Lock(BufHandle handle, int mode, uint8_t** pixels) {
  auto buffer = findBuffer(handle);
  if (!buffer || !pixels || mode < 1 || mode > 2) return 0;
  ++buffer->lockCount;
  *pixels = buffer->data.data();
  return 1;
}

int buf32Unlock(BufHandle handle) {
  auto buffer = findBuffer(handle);
  if (!buffer || buffer->lockCount == 0) return 0;
  --buffer->lockCount;
  return 1;
}

int buf32GetBuf(BufHandle handle, int x, int y, int width, int height, BufHandle* out) {
  auto source = findBuffer(handle);
  if (!source || !out || width <= 0 || height <= 0) return 0;
  const Clip clip = clipRect(x, y, width, height, source->width, source->height);
  if (clip.empty()) return 0;
  auto piece = kvx::pixels::makeBuffer(source->bitsPerPixel, clip.width, clip.height);
  if (!piece) return 0;
  try {
    std::vector<uint8_t> run(static_cast<size_t>(clip.width) * source->bytesPerPixel());
    for (int row = 0; row < clip.height; ++row) {
      kvx::pixels::readPackedRun(*source, clip.x, clip.y + row, clip.width, run.data());
      kvx::pixels::writePackedRun(*piece, 0, row, clip.width, run.data());
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return handOut(std::move(piece), out) ? 1 : 0;
}

int buf32GetMem(BufHandle handle, int x, int y, int width, int height, void* destination) {
  auto buffer = findBuffer(handle);
  if (!buffer || !destination || width <= 0 || height <= 0 || x < 0 || y < 0) return 0;
  // The caller sized the destination for the whole rectangle: a rectangle reaching outside
  // is refused rather than half filled.
  if (width > buffer->width - x || height > buffer->height - y) return 0;
  const size_t rowBytes = static_cast<size_t>(width) * buffer->bytesPerPixel();
  auto* out = static_cast<uint8_t*>(destination);
  for (int row = 0; row < height; ++row)
    kvx::pixels::readPackedRun(*buffer, x, y + row, width, out + row * rowBytes);
  return 1;
}

int buf32MergeMem(BufHandle handle, int x, int y, const void* source, int width, int height) {
  auto buffer = findBuffer(handle);
  if (!buffer || !source || width <= 0 || height <= 0) return 0;
  const Clip clip = clipRect(x, y, width, height, buffer->width, buffer->height);
  if (clip.empty()) return 1;  // nothing of the rectangle lies inside: nothing to write
  const int bpp = buffer->bytesPerPixel();
  const size_t rowBytes = static_cast<size_t>(width) * bpp;
  const auto* in = static_cast<const uint8_t*>(source) + static_cast<size_t>(clip.skipX) * bpp;
  for (int row = 0; row < clip.height; ++row) {
    kvx::pixels::writePackedRun(*buffer, clip.x, clip.y + row, clip.width,
                                in + (static_cast<size_t>(clip.skipY) + row) * rowBytes);
  }
  return 1;
}

int buf32FillOneColor(BufHandle handle, uint32_t color) {
  auto buffer = findBuffer(handle);
  if (!buffer) return 0;
  fillBuffer(*buffer, color);
  return 1;
}

}  // extern "C"
