#include "pixels/resize/resample_buffer.h"

#include <new>
#include <vector>

#include "pixels/resize/resampler.h"

namespace kvx::resize {

kvx::pixels::SharedBuffer resampleBuffer(const kvx::pixels::PixelBuffer& from, int width,
                                         int height) {
  auto to = kvx::pixels::makeBuffer(from.bitsPerPixel, width, height);
  if (!to) return nullptr;
  if (from.bitsPerPixel != 1) {
    if (!resamplePacked(from.data.data(), from.width, from.height, to->data.data(), to->width,
                        to->height, from.bytesPerPixel()))
      return nullptr;
    return to;
  }
  try {
    std::vector<uint8_t> wide(static_cast<size_t>(from.width) * from.height);
    std::vector<uint8_t> scaled(static_cast<size_t>(to->width) * to->height);
    for (int y = 0; y < from.height; ++y)
      kvx::pixels::readPackedRun(from, 0, y, from.width,
                                 &wide[static_cast<size_t>(y) * from.width]);
    if (!resamplePacked(wide.data(), from.width, from.height, scaled.data(), to->width, to->height,
                        1))
      return nullptr;
    for (int y = 0; y < to->height; ++y)
      kvx::pixels::writePackedRun(*to, 0, y, to->width,
                                  &scaled[static_cast<size_t>(y) * to->width]);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return to;
}

}  // namespace kvx::resize
