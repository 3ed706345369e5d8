#include "compose/compose_frame.h"

#include <cstring>

#include "compose/host_frame.h"
#include "compose/packed_rows.h"
#include "compose/video_layer.h"
#include "pixels/bands/band_pool.h"
#include "pixels/merge/merge_kernels.h"
#include "pixels/merge/merge_layer.h"
#include "pixels/resize/resampler.h"

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

// The frame starts black, unless the first layer drawn hides it all. A layer that is exactly
// the frame is copied in whole, its mask unread: it is returned as drawn already.
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

// Rows a merge band holds: with every layer's rows beside them they stay in the cache.
constexpr int kMergeBandRows = 32;

// Starts and merges the frame's rows [first, end): each layer meets only the rows it covers.
void mergeBand(const ClipState& clip, const ThemeLayer* drawn, uint8_t* frame, int first, int end) {
  const size_t rowBytes = static_cast<size_t>(clip.frameWidth) * 3;
  uint8_t* const rows = frame + first * rowBytes;
  const size_t bytes = (end - first) * rowBytes;
  if (drawn)
    std::memcpy(rows, drawn->pixels + first * rowBytes, bytes);
  else
    std::memset(rows, 0, bytes);
  const kvx::pixels::PixelView band = kvx::pixels::packedView(rows, clip.frameWidth, end - first);
  for (const auto& layer : clip.layers) {
    if (!layer || layer->isHidden() || layer.get() == drawn || layer->width <= 0 ||
        layer->height <= 0 || layer->y >= end || layer->y + layer->height <= first)
      continue;
    kvx::pixels::mergeLayer(band, layer->x, layer->y - first, layer->width, layer->height,
                            layer->pixels, layer->maskPixels, layer->width, layer->mergeMode,
                            layer->transparency);
  }
}

}  // namespace

int composeFrame(ClipState& clip, unsigned char** srcRows, unsigned char** dstRows, int height,
                 int width, int frameIndex, int fieldMode) {
  if (!srcRows || !dstRows || width <= 0 || height <= 0) return 0;
  if (!clip.buildLayers(width, height)) return 0;
  const int rows = fieldMode ? height * 2 : height;
  bool complete = placeHostFrame(clip, srcRows, height, width, frameIndex, fieldMode);

  if (clip.special.video) showVideoFrame(clip, *clip.special.video, frameIndex);

  // A whole frame of the host's size is merged straight into the host's rows when they form
  // one picture. The source has been read by now, so rows it shares with them are safe.
  const bool sameSize = clip.frameWidth == width && clip.frameHeight == rows;
  uint8_t* const direct = sameSize && !fieldMode ? packedRows(dstRows, height, width) : nullptr;
  uint8_t* const frame = direct ? direct : clip.frameBuffer.data();
  const ThemeLayer* const drawn = coveringLayer(clip);
  auto merge = [&](int first, int end) { mergeBand(clip, drawn, frame, first, end); };
  kvx::bands::forEachRowBand(clip.frameHeight, kMergeBandRows, merge);

  const size_t rowBytes = static_cast<size_t>(width) * 3;
  const int firstLine = fieldMode == 2 ? 1 : 0, lineStep = fieldMode ? 2 : 1;
  if (!sameSize) {
    // Only the host's lines of the scaled frame are computed, straight into its rows.
    if (!kvx::resize::resampleRows(clip.frameBuffer.data(), clip.frameWidth, clip.frameHeight,
                                   width, rows, 3, firstLine, lineStep, dstRows))
      return 0;
  } else if (!direct) {
    auto copy = [&](int first, int end) {
      for (int i = first; i < end; ++i)
        std::memcpy(dstRows[i], clip.frameBuffer.data() + (firstLine + i * lineStep) * rowBytes,
                    rowBytes);
    };
    kvx::bands::forEachRowBand(height, kMergeBandRows, copy);
  }
  if (!complete) ++clip.incompleteFrames;
  return 1;
}
