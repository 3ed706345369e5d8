#pragma once
// ResizeLib: high-quality scaling of packed pictures.
#include <cstdint>

// Scales the packed source (srcWidth × srcHeight, `bytesPerPixel` 3) into the packed
// destination. Mode 4 is the high-quality filter. Returns nonzero on success.
int txMemResize(const uint8_t* source, int bytesPerPixel, int srcWidth, int srcHeight,
                uint8_t* destination, int dstWidth, int dstHeight, int mode);
