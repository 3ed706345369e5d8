#pragma once
// The store behind BufferLib handles: buffers live in a table keyed by 32-bit ids. Hosts such
// as MLT run effect instances on several threads, so the table is guarded by a mutex and a
// looked-up buffer stays alive (shared ownership) while an operation works on it, even when
// another thread frees its handle meanwhile.
#include <memory>

#include "kvxtheme/bufferlib.h"
#include "pixels/pixel_buffer.h"

namespace kvx::pixels {

// Enters the buffer into the table; returns its new id, 0 when the table is full.
BufHandle registerBuffer(std::shared_ptr<PixelBuffer> buffer);
// The buffer behind a live handle, or null.
std::shared_ptr<PixelBuffer> findBuffer(BufHandle handle);
// Removes the handle; false when it was not live.
bool releaseBuffer(BufHandle handle);

// Wraps `buffer` in a new handle, storing it in *out; false when out is null or the table is
// full.
bool handOut(std::shared_ptr<PixelBuffer> buffer, BufHandle* out);

}  // namespace kvx::pixels
