#include "platform/resize/resampler.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "platform/resize/filter_weights.h"
#include "platform/resize/resample_passes.h"

namespace kvx::resize {
namespace {

bool rowBytesFit(int width, int height, int channels) {
  if (width <= 0 || height <= 0) return false;
  const int64_t rowBytes = static_cast<int64_t>(width) * channels;
  return rowBytes <= std::numeric_limits<int32_t>::max() &&
         rowBytes <= std::numeric_limits<int64_t>::max() / height;
}

// Horizontally filtered source rows, computed once each as the vertical window slides down.
// Window starts never decrease, so `taps` slots indexed by row modulo `taps` suffice.
class RowCache {
 public:
  RowCache(int taps, int values) : taps_(taps), stride_(values + kIntermediatePadding) {
    storage_.assign(static_cast<size_t>(taps_) * stride_, 0);
    held_.assign(taps_, -1);
  }
  int16_t* slot(int row) { return storage_.data() + static_cast<size_t>(row % taps_) * stride_; }
  bool holds(int row) const { return held_[row % taps_] == row; }
  void mark(int row) { held_[row % taps_] = row; }

 private:
  int taps_;
  size_t stride_;
  std::vector<int16_t> storage_;
  std::vector<int> held_;
};

}  // namespace

bool resamplePacked(const uint8_t* source, int sourceWidth, int sourceHeight, uint8_t* destination,
                    int destinationWidth, int destinationHeight, int channels, Kernels kernels) {
  if (!source || !destination || channels < 1 || channels > 4) return false;
  if (!rowBytesFit(sourceWidth, sourceHeight, channels) ||
      !rowBytesFit(destinationWidth, destinationHeight, channels))
    return false;
  const size_t sourceStride = static_cast<size_t>(sourceWidth) * channels;
  const int destinationValues = destinationWidth * channels;
  if (sourceWidth == destinationWidth && sourceHeight == destinationHeight) {
    std::memcpy(destination, source, sourceStride * sourceHeight);
    return true;
  }
  const bool fast = kernels == Kernels::kFast;
  try {
    AxisFilter horizontal;
    AxisFilter vertical;
    if (!buildAxisFilter(sourceWidth, destinationWidth, &horizontal) ||
        !buildAxisFilter(sourceHeight, destinationHeight, &vertical))
      return false;
    RowCache cache(vertical.taps, destinationValues);
    std::vector<const int16_t*> rows(vertical.taps);
    for (int y = 0; y < destinationHeight; ++y) {
      const int start = vertical.start[y];
      for (int k = 0; k < vertical.taps; ++k) {
        // The zero-weight pad tap may fall past the last row: it reads that row instead.
        const int row = std::min(start + k, sourceHeight - 1);
        int16_t* slot = cache.slot(row);
        if (!cache.holds(row)) {
          const uint8_t* line = source + sourceStride * row;
          if (fast)
            horizontalPassFast(line, channels, horizontal, destinationWidth, slot);
          else
            horizontalPassScalar(line, channels, horizontal, destinationWidth, slot);
          cache.mark(row);
        }
        rows[k] = slot;
      }
      const int16_t* weights = &vertical.weights[static_cast<size_t>(y) * vertical.taps];
      uint8_t* out = destination + static_cast<size_t>(y) * destinationValues;
      if (fast)
        verticalPassFast(rows.data(), weights, vertical.taps, destinationValues, out);
      else
        verticalPassScalar(rows.data(), weights, vertical.taps, destinationValues, out);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace kvx::resize
