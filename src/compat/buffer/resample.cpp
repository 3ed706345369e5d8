// Scaling operations of BufferLib, built on the resampler of ResizeLib.
#include <new>
#include <vector>

#include "compat/buffer/buffer_table.h"
#include "kvxtheme/bufferlib.h"
#include "pixels/resize/resampler.h"

using kvx::pixels::PixelBuffer;

extern "C" {

// 1-bit buffers are scaled as 0/255 masks and thresholded back to one bit.
int q32BufferResample(const int32_t* size, BufHandle source, BufHandle* out, int /*reserved*/) {
  auto from = kvx::pixels::findBuffer(source);
  if (!from || !size || !out) return 0;
  auto to = kvx::pixels::makeBuffer(from->bitsPerPixel, size[0], size[1]);
  if (!to) return 0;
  if (from->bitsPerPixel != 1) {
    if (!kvx::resize::resamplePacked(from->data.data(), from->width, from->height, to->data.data(),
                                     to->width, to->height, from->bytesPerPixel()))
      return 0;
    return kvx::pixels::handOut(std::move(to), out) ? 1 : 0;
  }
  try {
    std::vector<uint8_t> wide(static_cast<size_t>(from->width) * from->height);
    std::vector<uint8_t> scaled(static_cast<size_t>(to->width) * to->height);
    for (int y = 0; y < from->height; ++y)
      kvx::pixels::readPackedRun(*from, 0, y, from->width,
                                 &wide[static_cast<size_t>(y) * from->width]);
    if (!kvx::resize::resamplePacked(wide.data(), from->width, from->height, scaled.data(),
                                     to->width, to->height, 1))
      return 0;
    for (int y = 0; y < to->height; ++y)
      kvx::pixels::writePackedRun(*to, 0, y, to->width,
                                  &scaled[static_cast<size_t>(y) * to->width]);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return kvx::pixels::handOut(std::move(to), out) ? 1 : 0;
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
