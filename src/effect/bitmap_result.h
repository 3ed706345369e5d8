#pragma once
// Pictures handed back to the host as bottom-up 24-bit bitmaps in memory the host frees with
// GlobalFree.
#include <cstdint>

#include "kvxtheme/kvxtheme.h"

// A new bitmap (header copied from `header`, size replaced) holding the packed picture; null
// when memory runs out or the size does not fit.
BITMAPINFOHEADER* packedToBitmap(const uint8_t* packed, int width, int height,
                                 const BITMAPINFOHEADER* header);
