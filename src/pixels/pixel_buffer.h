#pragma once
// An owned picture of 1, 8 or 24 bits a pixel, and the operations the engine runs on whole
// buffers. Buffers are shared (std::shared_ptr) because the C API hands the same buffer out
// behind a handle while the engine may still hold it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "pixels/pixel_view.h"

namespace kvx::pixels {

struct PixelBuffer {
  int bitsPerPixel = 0;  // 1, 8 or 24
  int width = 0;
  int height = 0;
  int stride = 0;  // bytes per row
  int lockCount = 0;
  std::vector<uint8_t> data;

  int bytesPerPixel() const { return bitsPerPixel == 24 ? 3 : 1; }
  uint8_t* row(int y) { return data.data() + static_cast<size_t>(y) * stride; }
  const uint8_t* row(int y) const { return data.data() + static_cast<size_t>(y) * stride; }
  // Only 8- and 24-bit buffers have a byte a channel to view.
  PixelView view() { return {data.data(), width, height, stride, bytesPerPixel()}; }
  ConstPixelView view() const { return {data.data(), width, height, stride, bytesPerPixel()}; }
};

using SharedBuffer = std::shared_ptr<PixelBuffer>;

// Row length in bytes for the given depth, or -1 when the depth is not supported or the
// picture's byte count would not fit a 32-bit size.
int64_t bufferStride(int bitsPerPixel, int width, int height);

// A new zeroed buffer, or null for an unsupported depth, a non-positive or oversized size, or
// exhausted memory.
SharedBuffer makeBuffer(int bitsPerPixel, int width, int height);
// The same, every pixel set to `color` (0x00BBGGRR; grey and 1-bit buffers take the red byte).
SharedBuffer makeFilledBuffer(int bitsPerPixel, int width, int height, uint32_t color);
// An independent copy, or null when memory runs out.
SharedBuffer copyBuffer(const PixelBuffer& buffer);

void fillBuffer(PixelBuffer& buffer, uint32_t color);

// Converts between a buffer's rows and packed pixels of 1 byte (1- and 8-bit) or 3 bytes
// (24-bit) each; 1-bit pixels read as 0 or 255 and are set from values of 128 and above.
void readPackedRun(const PixelBuffer& buffer, int x, int y, int count, uint8_t* out);
void writePackedRun(PixelBuffer& buffer, int x, int y, int count, const uint8_t* in);

// The part of the rectangle inside the buffer as a new buffer of the same depth; null when
// nothing of it lies inside or memory runs out.
SharedBuffer cropBuffer(const PixelBuffer& buffer, int x, int y, int width, int height);
// Copies the whole rectangle out as packed pixels; false when it reaches outside the buffer.
bool readRect(const PixelBuffer& buffer, int x, int y, int width, int height, uint8_t* out);
// Writes packed pixels of a width × height rectangle at (x, y); what lies outside is dropped.
void writeRect(PixelBuffer& buffer, int x, int y, int width, int height, const uint8_t* in);

}  // namespace kvx::pixels
