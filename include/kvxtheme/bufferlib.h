#pragma once
// BufferLib: pixel buffers behind 32-bit handles. Colour buffers hold 3 bytes a pixel in
// R, G, B order; 8-bit buffers one byte; 1-bit buffers one bit, rows padded to whole bytes.
// Every operation returns nonzero on success and refuses an unknown, freed or 0 handle with 0.
// A buffer handle is a 32-bit id; 0 is none.
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

// Colour values are 0x00BBGGRR: red in the low byte. An 8-bit buffer takes the low byte.
struct Buf32Info {
  int32_t recordSize;     // 32
  int32_t bitsPerPixel;   // 1, 8 or 24
  int32_t bytesPerPixel;  // 3 or 1
  int32_t stride;         // bytes per row of the pixel data
  int32_t width;
  int32_t height;
  int32_t reserved;
  int32_t dataSize;  // stride × height
};
static_assert(sizeof(Buf32Info) == 32);

struct Rect32 {
  int32_t left, top, right, bottom;
};

extern "C" {
KVX_API int buf32Alloc(BufHandle* out, int bitsPerPixel, int width, int height, int fill,
                       const uint32_t* color);
KVX_API int buf32DupBuf(BufHandle handle, BufHandle* out);
KVX_API int buf32GetInfo(BufHandle handle, Buf32Info* info);
// Direct access to the pixel rows (Buf32Info::stride apart). Mode 2 is read-write.
KVX_API int buf32Lock(BufHandle handle, int mode, uint8_t** pixels);
KVX_API int buf32Unlock(BufHandle handle);
// A new buffer holding the rectangle, clipped to the source.
KVX_API int buf32GetBuf(BufHandle handle, int x, int y, int width, int height, BufHandle* out);
// Writes packed rows into the rectangle; the parts outside the buffer are clipped.
KVX_API int buf32MergeMem(BufHandle handle, int x, int y, const void* source, int width,
                          int height);
KVX_API int buf32FillOneColor(BufHandle handle, uint32_t color);
// A new buffer scaled to size[0] × size[1].
KVX_API int q32BufferResample(const int32_t* size, BufHandle source, BufHandle* out, int reserved);
// Scales the packed source rectangle into the packed destination rectangle. Both pictures are
// packed at their rectangle's width; `bytesPerPixel` is 3 or 1. `scale10000` is the scale
// times 10000 (informative); `quality` 4 asks for the high-quality filter.
KVX_API int mem32Resample(uint8_t* destination, Rect32 destinationRect, const uint8_t* source,
                          Rect32 sourceRect, int scale10000, int bytesPerPixel, int quality);
// Blends the packed source (as large as `sourceRect`) into the packed destination at `rect`
// through the 8-bit mask (same size as the source), clipped to the destination.
// Mode 1: normal blend, alpha = mask × (100 − level) / 100. Further modes: see bufferlib.cpp.
KVX_API int i32MergeEx(uint8_t* destination, int destinationWidth, int destinationHeight,
                       const uint8_t* mask, const Rect32* rect, const uint8_t* source,
                       const Rect32* sourceRect, int bytesPerPixel, int mode, int level);
}
