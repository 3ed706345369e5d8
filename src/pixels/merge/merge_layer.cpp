#include "pixels/merge/merge_layer.h"

#include <algorithm>
#include <new>
#include <vector>

#include "pixels/merge/merge_kernels.h"

namespace kvx::pixels {

bool mergeLayer(const PixelView& destination, int x, int y, int width, int height,
                const uint8_t* source, const uint8_t* mask, int sourceWidth, int mode, int level) {
  const int bytesPerPixel = destination.bytesPerPixel;
  if (!destination.data || !source || (bytesPerPixel != 1 && bytesPerPixel != 3)) return false;
  if (mode < 0 || mode > kMergeAdd) return false;
  if (mode == 0) mode = kMergeNormal;
  level = std::clamp(level, 0, 100);

  const int64_t left = std::max<int64_t>(x, 0);
  const int64_t top = std::max<int64_t>(y, 0);
  const int64_t right = std::min<int64_t>(static_cast<int64_t>(x) + width, destination.width);
  const int64_t bottom = std::min<int64_t>(static_cast<int64_t>(y) + height, destination.height);
  if (right <= left || bottom <= top) return true;  // wholly outside: nothing to draw

  const int pixels = static_cast<int>(right - left);
  // An opaque mask row for maskless layers, kept per thread: merging frame after frame, band
  // after band, allocates nothing once it is long enough.
  thread_local std::vector<uint8_t> opaque;
  if (!mask && opaque.size() < static_cast<size_t>(pixels)) {
    try {
      opaque.assign(pixels, 255);
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  const int64_t skipX = left - x;
  const size_t sourceStride = static_cast<size_t>(sourceWidth) * bytesPerPixel;
  for (int64_t row = top; row < bottom; ++row) {
    const int64_t sourceY = row - y;
    MergeRow merge;
    merge.destination = destination.row(static_cast<int>(row)) + left * bytesPerPixel;
    merge.source = source + sourceY * sourceStride + skipX * bytesPerPixel;
    merge.mask = mask ? mask + sourceY * sourceWidth + skipX : opaque.data();
    merge.pixels = pixels;
    merge.bytesPerPixel = bytesPerPixel;
    merge.mode = mode;
    merge.level = level;
    mergeRowFast(merge);
  }
  return true;
}

}  // namespace kvx::pixels
