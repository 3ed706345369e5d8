#pragma once
// Bottom-up 24-bit device-independent bitmaps and packed pictures.
#include <cstddef>
#include <cstdint>

#include "kvxtheme/kvxtheme.h"

// Bytes of one bitmap row of `width` pixels, padded to 4 bytes; 0 when it would overflow.
size_t bitmapRowBytes(int width);

// Whether the bitmap is one this library reads: 40-byte header, 24 bits, uncompressed,
// positive width and height whose byte sizes fit.
bool isReadableBitmap(const BITMAPINFOHEADER* bitmap);

// Copies the rows of a readable bitmap into a packed picture, top row first.
void bitmapToPacked(const BITMAPINFOHEADER* bitmap, uint8_t* packed);
