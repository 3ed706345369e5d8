#pragma once
// Global memory handles, as exchanged with hosts and the project library: streams, file
// handles and the bitmaps that MergeHolder hands out are blocks of this allocator.
#include <cstddef>
#include <cstdint>

#include "kvxtheme/export.h"

typedef void* HGLOBAL;

enum : unsigned {
  GMEM_FIXED = 0x0000,
  GMEM_MOVEABLE = 0x0002,
  GMEM_ZEROINIT = 0x0040,
  GPTR = GMEM_FIXED | GMEM_ZEROINIT,
  GHND = GMEM_MOVEABLE | GMEM_ZEROINIT,
};

// A fixed block's handle is its address; a moveable block's handle must be locked to reach the
// bytes. Unknown handles are refused (null, 0 or the handle itself as the failure answer).
extern "C" {
KVX_API HGLOBAL GlobalAlloc(unsigned flags, size_t bytes);
KVX_API void* GlobalLock(HGLOBAL handle);
KVX_API int GlobalUnlock(HGLOBAL handle);
KVX_API size_t GlobalSize(HGLOBAL handle);
// Returns null on success and the handle when it was not a live block.
KVX_API HGLOBAL GlobalFree(HGLOBAL handle);
}
