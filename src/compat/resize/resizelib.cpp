#include "compat/resize/resizelib.h"

#include "pixels/resize/resampler.h"

// Every mode uses the high-quality filter: there is no cheaper one worth a worse picture.
int txMemResize(const uint8_t* source, int bytesPerPixel, int srcWidth, int srcHeight,
                uint8_t* destination, int dstWidth, int dstHeight, int /*mode*/) {
  if (bytesPerPixel != 3) return 0;
  return kvx::resize::resamplePacked(source, srcWidth, srcHeight, destination, dstWidth, dstHeight,
                                     3)
             ? 1
             : 0;
}
