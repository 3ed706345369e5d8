#include "rgba_frame.h"

namespace kvxfrei0r {

void rgbaToBgr(const uint32_t* rgba, size_t pixels, uint8_t* bgr) {
  const uint8_t* in = reinterpret_cast<const uint8_t*>(rgba);
  for (size_t i = 0; i < pixels; ++i, in += 4, bgr += 3) {
    bgr[0] = in[2];
    bgr[1] = in[1];
    bgr[2] = in[0];
  }
}

void bgrToRgba(const uint8_t* bgr, const uint32_t* alphaSource, size_t pixels, uint32_t* rgba) {
  const uint8_t* alpha = reinterpret_cast<const uint8_t*>(alphaSource);
  uint8_t* out = reinterpret_cast<uint8_t*>(rgba);
  for (size_t i = 0; i < pixels; ++i, bgr += 3, out += 4, alpha += 4) {
    out[0] = bgr[2];
    out[1] = bgr[1];
    out[2] = bgr[0];
    out[3] = alpha[3];
  }
}

}  // namespace kvxfrei0r
