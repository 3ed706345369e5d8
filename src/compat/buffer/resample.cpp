// Scaling operations of BufferLib, built on the resampler of ResizeLib.
#include "compat/buffer/buffer_table.h"
#include "kvxtheme/bufferlib.h"
#include "pixels/resize/resample_buffer.h"
#include "pixels/resize/resampler.h"

extern "C" {

int q32BufferResample(const int32_t* size, BufHandle source, BufHandle* out, int /*reserved*/) {
  auto from = kvx::pixels::findBuffer(source);
  if (!from || !size || !out) return 0;
  return kvx::pixels::handOut(kvx::resize::resampleBuffer(*from, size[0], size[1]), out) ? 1 : 0;
}

// Only the rectangles' sizes matter: both pictures are packed at their rectangle's width.
int mem32Resample(uint8_t* destination, Rect32 destinationRect, const uint8_t* source,
                  Rect32 sourceRect, int /*scale10000*/, int bytesPerPixel, int /*quality*/) {
  if (bytesPerPixel != 1 && bytesPerPixel != 3) return 0;
  const int64_t sourceWidth = static_cast<int64_t>(sourceRect.right) - sourceRect.left;
  const int64_t sourceHeight = static_cast<int64_t>(sourceRect.bottom) - sourceRect.top;
  const int64_t destinationWidth =
      static_cast<int64_t>(destinationRect.right) - destinationRect.left;
  const int64_t destinationHeight =
      static_cast<int64_t>(destinationRect.bottom) - destinationRect.top;
  for (int64_t extent : {sourceWidth, sourceHeight, destinationWidth, destinationHeight})
    if (extent <= 0 || extent > INT32_MAX) return 0;
  return kvx::resize::resamplePacked(
             source, static_cast<int>(sourceWidth), static_cast<int>(sourceHeight), destination,
             static_cast<int>(destinationWidth), static_cast<int>(destinationHeight), bytesPerPixel)
             ? 1
             : 0;
}

}  // extern "C"
