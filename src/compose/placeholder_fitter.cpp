#include "compose/placeholder_fitter.h"

#include <cmath>
#include <cstring>

#include "compose/clip_state.h"
#include "pixels/bands/band_pool.h"
#include "pixels/merge/merge_kernels.h"
#include "pixels/merge/merge_layer.h"
#include "pixels/resize/resampler.h"

namespace {

// Rows a copy band moves: large enough that handing it out costs nothing beside the copy.
constexpr int kCopyBandRows = 64;

}  // namespace

int PlaceholderFitter::fit(const uint8_t* picture, int width, int height, int direct) {
  if (!target || !picture || width <= 0 || height <= 0) return 0;
  return direct ? fitDirect(picture, width, height) : fitAspect(picture, width, height);
}

int PlaceholderFitter::fitDirect(const uint8_t* picture, int width, int height) {
  if (width == target->width && height == target->height) {
    // A whole frame is copied in bands: one thread cannot fill the memory's bandwidth.
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    auto copy = [&](int first, int end) {
      std::memcpy(target->pixels + first * rowBytes, picture + first * rowBytes,
                  (end - first) * rowBytes);
    };
    kvx::bands::forEachRowBand(height, kCopyBandRows, copy);
    return 1;
  }
  return kvx::resize::resamplePacked(picture, width, height, target->pixels, target->width,
                                     target->height, 3)
             ? 1
             : 0;
}

int PlaceholderFitter::fitRows(const uint8_t* const* rows, int width, int height) {
  if (!target || !rows || width <= 0 || height <= 0) return 0;
  if (width == target->width && height == target->height) {
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    auto copy = [&](int first, int end) {
      for (int y = first; y < end; ++y)
        std::memcpy(target->pixels + y * rowBytes, rows[y], rowBytes);
    };
    kvx::bands::forEachRowBand(height, kCopyBandRows, copy);
    return 1;
  }
  return kvx::resize::resampleFromRows(rows, width, height, target->pixels, target->width,
                                       target->height, 3)
             ? 1
             : 0;
}

int PlaceholderFitter::fitAspect(const uint8_t* picture, int width, int height) {
  if (target->width <= 0 || target->height <= 0) return 0;
  const double rx = static_cast<double>(target->width) / width;
  const double ry = static_cast<double>(target->height) / height;
  double scale = ry;
  if (rx != ry) scale = fitInside ? std::min(rx, ry) : std::max(rx, ry);
  const int newWidth = static_cast<int>(std::trunc(width * scale));
  const int newHeight = static_cast<int>(std::trunc(height * scale));
  if (newWidth <= 0 || newHeight <= 0) return 0;

  const size_t scaledPixels = static_cast<size_t>(newWidth) * static_cast<size_t>(newHeight);
  if (scratch_->width != newWidth || scratch_->height != newHeight) {
    scratch_->colour.assign(scaledPixels * 3, 0);
    scratch_->mask.assign(scaledPixels, 0);
    scratch_->width = newWidth;
    scratch_->height = newHeight;
  }
  if (!kvx::resize::resamplePacked(picture, width, height, scratch_->colour.data(), newWidth,
                                   newHeight, 3))
    return 0;
  std::memset(scratch_->mask.data(), 255, scaledPixels);

  const size_t layerBytes = static_cast<size_t>(target->width) * target->height * 3;
  if (target->pixels == target->basePixels) target->pixels = new uint8_t[layerBytes];
  if (fitInside)
    std::memcpy(target->pixels, target->basePixels, layerBytes);
  else
    std::memset(target->pixels, 0, layerBytes);
  kvx::pixels::mergeLayer(kvx::pixels::packedView(target->pixels, target->width, target->height), 0,
                          0, newWidth, newHeight, scratch_->colour.data(), scratch_->mask.data(),
                          newWidth, kvx::pixels::kMergeNormal, 0);
  return 1;
}
