// The row conversions as the library exports them to hosts.
#include "kvxtheme/pixel_rows.h"
#include "pixels/rows/pixel_rows.h"

extern "C" void kvxSwapRedBlue(const uint8_t* from, uint8_t* to, size_t pixels) {
  kvx::rows::swapRedBlue(from, to, pixels);
}

extern "C" void kvxSwapRedBlueAlpha(const uint8_t* from, uint8_t* to, size_t pixels) {
  kvx::rows::swapRedBlueAlpha(from, to, pixels);
}

extern "C" void kvxRgbaToBgr(const uint8_t* rgba, uint8_t* bgr, size_t pixels) {
  kvx::rows::rgbaToBgr(rgba, bgr, pixels);
}

extern "C" void kvxBgrToRgba(const uint8_t* bgr, const uint8_t* alphaFrom, uint8_t* rgba,
                             size_t pixels) {
  kvx::rows::bgrToRgba(bgr, alphaFrom, rgba, pixels);
}
