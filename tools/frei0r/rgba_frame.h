#pragma once
// Conversions between frei0r's RGBA8888 frames (bytes R, G, B, A) and the effect's packed
// B, G, R frames.
#include <cstddef>
#include <cstdint>

namespace kvxfrei0r {

void rgbaToBgr(const uint32_t* rgba, size_t pixels, uint8_t* bgr);
// Colour from `bgr`, alpha from `alphaSource` (the filter's input).
void bgrToRgba(const uint8_t* bgr, const uint32_t* alphaSource, size_t pixels, uint32_t* rgba);

}  // namespace kvxfrei0r
