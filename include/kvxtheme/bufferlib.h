#pragma once
// The pixel buffer operations a host needs for pictures handed out by the library
// (q32themeGetKVXTexture). A buffer handle is a 32-bit id; 0 is none.
#include <cstdint>

#include "kvxtheme/export.h"

typedef uint32_t BufHandle;

// q32themeGetKVXTexture stores a handle in a pointer-sized slot; this reads it back.
inline BufHandle kvxTextureHandle(void* texture) {
  return static_cast<BufHandle>(reinterpret_cast<uintptr_t>(texture));
}

extern "C" {
// Releases the buffer. Returns nonzero on success, 0 for an unknown handle.
KVX_API int buf32Free(BufHandle handle);
// Width, height and bytes per pixel (3 for 24-bit, 1 for 8-bit and 1-bit); each may be null.
KVX_API int buf32GetWHU(BufHandle handle, int* width, int* height, int* bytesPerPixel);
// Copies the rectangle as packed rows, top row first, into `destination`: 3 bytes a pixel in
// R, G, B order for colour buffers, 1 byte for 8-bit and 1-bit (0 or 255) buffers. The
// rectangle must lie inside the buffer.
KVX_API int buf32GetMem(BufHandle handle, int x, int y, int width, int height, void* destination);
}
