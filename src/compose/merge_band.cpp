#include "compose/merge_band.h"

#include <algorithm>
#include <cstring>

#include "pixels/merge/merge_kernels.h"
#include "pixels/merge/merge_layer.h"
#include "pixels/rows/pixel_rows.h"

namespace {

// True when merging `layer` leaves nothing of what lies below: it covers the frame, is drawn
// plainly at full strength and its mask is opaque everywhere.
bool coversFrame(const ThemeLayer& layer, int frameWidth, int frameHeight) {
  if (layer.x > 0 || layer.y > 0 || layer.x + layer.width < frameWidth ||
      layer.y + layer.height < frameHeight || !layer.pixels || layer.transparency > 0 ||
      (layer.mergeMode != 0 && layer.mergeMode != kvx::pixels::kMergeNormal))
    return false;
  return !layer.maskPixels || layer.opaqueMask;
}

}  // namespace

const ThemeLayer* coveringLayer(const ClipState& clip) {
  for (const auto& layer : clip.layers) {
    if (!layer || layer->isHidden()) continue;
    if (!coversFrame(*layer, clip.frameWidth, clip.frameHeight)) break;
    if (layer->x != 0 || layer->y != 0 || layer->width != clip.frameWidth ||
        layer->height != clip.frameHeight)
      return nullptr;
    return layer.get();
  }
  return nullptr;
}

namespace {

bool mergedInBand(const ThemeLayer* layer, const FrameStart& start, int first, int end) {
  return layer && !layer->isHidden() && layer != start.layer && layer->width > 0 &&
         layer->height > 0 && layer->y < end && layer->y + layer->height > first;
}

}  // namespace

void mergeBand(const ClipState& clip, const FrameStart& start, uint8_t* frame, int first, int end,
               MergedRows use) {
  const size_t rowBytes = static_cast<size_t>(clip.frameWidth) * 3;
  uint8_t* const rows = frame + first * rowBytes;
  const size_t bytes = (end - first) * rowBytes;
  const uint8_t* const from = start.pixels ? start.pixels + first * rowBytes : nullptr;
  const auto untouched = [&] {
    return std::none_of(clip.layers.begin(), clip.layers.end(), [&](const auto& layer) {
      return mergedInBand(layer.get(), start, first, end);
    });
  };
  // The host's frame may be the frame itself when the host composes in place. Output rows that
  // no layer covers are done once copied.
  const auto at = [](const uint8_t* p) { return reinterpret_cast<uintptr_t>(p); };
  if (from && use == MergedRows::kFinal &&
      (at(from) + bytes <= at(rows) || at(rows) + bytes <= at(from)) && untouched())
    kvx::rows::copyPastCache(from, rows, bytes);
  else if (from && from != rows)
    std::memmove(rows, from, bytes);
  else if (!from)
    std::memset(rows, 0, bytes);
  const kvx::pixels::PixelView band = kvx::pixels::packedView(rows, clip.frameWidth, end - first);
  for (const auto& layer : clip.layers) {
    if (!mergedInBand(layer.get(), start, first, end)) continue;
    kvx::pixels::mergeLayer(band, layer->x, layer->y - first, layer->width, layer->height,
                            layer->pixels, layer->maskPixels, layer->width, layer->mergeMode,
                            layer->transparency);
  }
}
