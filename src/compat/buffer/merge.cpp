// i32MergeEx: blending a packed layer into a packed picture through an 8-bit mask.
//
// Modes (the arithmetic is spelled out in merge_kernels.h):
//   1 normal    the source over the destination (0 is taken as 1)
//   2 multiply  source × destination, darkens
//   3 screen    the inverse of multiplying the inverses, lightens
//   4 add       source + destination, saturating at white
// Each mode's colour is laid over the destination with alpha = mask × (100 − level) / 100,
// rounded; level is clamped to 0..100. A null mask is taken as fully opaque.
#include <algorithm>
#include <cstdint>

#include "kvxtheme/bufferlib.h"
#include "pixels/merge/merge_kernels.h"
#include "pixels/merge/merge_layer.h"

extern "C" int i32MergeEx(uint8_t* destination, int destinationWidth, int destinationHeight,
                          const uint8_t* mask, const Rect32* rect, const uint8_t* source,
                          const Rect32* sourceRect, int bytesPerPixel, int mode, int level) {
  using namespace kvx::pixels;
  if (!destination || !source || !rect || !sourceRect) return 0;
  if (destinationWidth <= 0 || destinationHeight <= 0) return 0;
  if (bytesPerPixel != 1 && bytesPerPixel != 3) return 0;
  if (mode < 0 || mode > kMergeAdd) return 0;

  const int64_t sourceWidth = static_cast<int64_t>(sourceRect->right) - sourceRect->left;
  const int64_t sourceHeight = static_cast<int64_t>(sourceRect->bottom) - sourceRect->top;
  const int64_t rectWidth = static_cast<int64_t>(rect->right) - rect->left;
  const int64_t rectHeight = static_cast<int64_t>(rect->bottom) - rect->top;
  if (sourceWidth <= 0 || sourceHeight <= 0 || rectWidth <= 0 || rectHeight <= 0) return 0;
  if (sourceWidth > INT32_MAX / bytesPerPixel) return 0;
  const PixelView picture =
      packedView(destination, destinationWidth, destinationHeight, bytesPerPixel);
  return mergeLayer(picture, rect->left, rect->top,
                    static_cast<int>(std::min(rectWidth, sourceWidth)),
                    static_cast<int>(std::min(rectHeight, sourceHeight)), source, mask,
                    static_cast<int>(sourceWidth), mode, level)
             ? 1
             : 0;
}
