#pragma once
// The store behind BufferLib handles: buffers live in a table keyed by 32-bit ids. Hosts such
// as MLT run effect instances on several threads, so the table is guarded by a mutex and a
// looked-up buffer stays alive (shared ownership) while an operation works on it, even when
// another thread frees its handle meanwhile.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "kvxtheme/bufferlib.h"

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
};

// Row length in bytes for the given depth, or -1 when the depth is not supported or the
// picture's byte count would not fit the info record's 32-bit size field.
int64_t bufferStride(int bitsPerPixel, int width, int height);

// A new zeroed buffer, or null for an unsupported depth, a non-positive or oversized size, or
// exhausted memory.
std::shared_ptr<PixelBuffer> makeBuffer(int bitsPerPixel, int width, int height);

// Enters the buffer into the table; returns its new id, 0 when the table is full.
BufHandle registerBuffer(std::shared_ptr<PixelBuffer> buffer);
// The buffer behind a live handle, or null.
std::shared_ptr<PixelBuffer> findBuffer(BufHandle handle);
// Removes the handle; false when it was not live.
bool releaseBuffer(BufHandle handle);

// Converts between a buffer's rows and packed pixels of 1 byte (1- and 8-bit) or 3 bytes
// (24-bit) each; 1-bit pixels read as 0 or 255 and are set from values of 128 and above.
void readPackedRun(const PixelBuffer& buffer, int x, int y, int count, uint8_t* out);
void writePackedRun(PixelBuffer& buffer, int x, int y, int count, const uint8_t* in);

// Wraps `buffer` in a new handle, storing it in *out; false when out is null or the table is
// full.
bool handOut(std::shared_ptr<PixelBuffer> buffer, BufHandle* out);

}  // namespace kvx::pixels
