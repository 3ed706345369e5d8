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
#include <new>
#include <vector>

#include "kvxtheme/bufferlib.h"
#include "pixels/merge/merge_kernels.h"

extern "C" int i32MergeEx(uint8_t* destination, int destinationWidth, int destinationHeight,
                          const uint8_t* mask, const Rect32* rect, const uint8_t* source,
                          const Rect32* sourceRect, int bytesPerPixel, int mode, int level) {
  using namespace kvx::pixels;
  if (!destination || !source || !rect || !sourceRect) return 0;
  if (destinationWidth <= 0 || destinationHeight <= 0) return 0;
  if (bytesPerPixel != 1 && bytesPerPixel != 3) return 0;
  if (mode < 0 || mode > kMergeAdd) return 0;
  if (mode == 0) mode = kMergeNormal;
  level = std::clamp(level, 0, 100);

  const int64_t sourceWidth = static_cast<int64_t>(sourceRect->right) - sourceRect->left;
  const int64_t sourceHeight = static_cast<int64_t>(sourceRect->bottom) - sourceRect->top;
  const int64_t rectWidth = static_cast<int64_t>(rect->right) - rect->left;
  const int64_t rectHeight = static_cast<int64_t>(rect->bottom) - rect->top;
  if (sourceWidth <= 0 || sourceHeight <= 0 || rectWidth <= 0 || rectHeight <= 0) return 0;
  if (sourceWidth > INT32_MAX / bytesPerPixel) return 0;

  // The part of the layer that falls inside the destination.
  const int64_t width = std::min(rectWidth, sourceWidth);
  const int64_t height = std::min(rectHeight, sourceHeight);
  const int64_t left = std::max<int64_t>(rect->left, 0);
  const int64_t top = std::max<int64_t>(rect->top, 0);
  const int64_t right = std::min<int64_t>(rect->left + width, destinationWidth);
  const int64_t bottom = std::min<int64_t>(rect->top + height, destinationHeight);
  if (right <= left || bottom <= top) return 1;  // wholly outside: nothing to draw

  const int pixels = static_cast<int>(right - left);
  std::vector<uint8_t> opaque;
  if (!mask) {
    try {
      opaque.assign(pixels, 255);
    } catch (const std::bad_alloc&) {
      return 0;
    }
  }
  const int64_t skipX = left - rect->left;
  const size_t destinationStride = static_cast<size_t>(destinationWidth) * bytesPerPixel;
  const size_t sourceStride = static_cast<size_t>(sourceWidth) * bytesPerPixel;
  for (int64_t y = top; y < bottom; ++y) {
    const int64_t sourceY = y - rect->top;
    MergeRow row;
    row.destination = destination + y * destinationStride + left * bytesPerPixel;
    row.source = source + sourceY * sourceStride + skipX * bytesPerPixel;
    row.mask = mask ? mask + sourceY * sourceWidth + skipX : opaque.data();
    row.pixels = pixels;
    row.bytesPerPixel = bytesPerPixel;
    row.mode = mode;
    row.level = level;
    mergeRowFast(row);
  }
  return 1;
}
