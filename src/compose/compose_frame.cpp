#include "compose/compose_frame.h"

#include <cstring>

#include "compose/field_bands.h"
#include "compose/host_frame.h"
#include "compose/merge_band.h"
#include "compose/packed_rows.h"
#include "compose/video_layer.h"
#include "pixels/bands/band_pool.h"
#include "pixels/resize/resampler.h"

namespace {

// Rows a merge band holds: with every layer's rows beside them they stay in the cache.
constexpr int kMergeBandRows = 32;

}  // namespace

int composeFrame(ClipState& clip, unsigned char** srcRows, unsigned char** dstRows, int height,
                 int width, int frameIndex, int fieldMode) {
  if (!srcRows || !dstRows || width <= 0 || height <= 0) return 0;
  if (!clip.buildLayers(width, height)) return 0;
  const int rows = fieldMode ? height * 2 : height;
  const bool sameSize = clip.frameWidth == width && clip.frameHeight == rows;
  // A field at field height is placed, merged and stretched band by band.
  const bool bandedField = fieldMode && !sameSize;
  FrameStart start{coveringLayer(clip), nullptr};
  // A placeholder that starts the frame takes the host's frame from where it lies.
  const bool lend = start.layer && start.layer == clip.special.placeholder && !fieldMode;
  DeferredFit deferred;
  const uint8_t* lent = nullptr;
  bool complete = placeHostFrame(clip, srcRows, height, width, frameIndex, fieldMode,
                                 bandedField ? &deferred : nullptr, lend ? &lent : nullptr);
  start.pixels = lent ? lent : start.layer ? start.layer->pixels : nullptr;

  if (clip.special.video) showVideoFrame(clip, *clip.special.video, frameIndex);

  const int firstLine = fieldMode == 2 ? 1 : 0;
  if (bandedField) {
    if (!composeFieldInBands(clip, start, deferred, width, rows, firstLine, dstRows)) return 0;
    if (!complete) ++clip.incompleteFrames;
    return 1;
  }

  // A whole frame of the host's size is merged straight into the host's rows when they form
  // one picture. The source has been read by now, so rows it shares with them are safe.
  uint8_t* const direct = sameSize && !fieldMode ? packedRows(dstRows, height, width) : nullptr;
  uint8_t* const frame = direct ? direct : clip.frameBuffer.data();
  const MergedRows use = direct ? MergedRows::kFinal : MergedRows::kReadAgain;
  auto merge = [&](int first, int end) { mergeBand(clip, start, frame, first, end, use); };
  kvx::bands::forEachRowBand(clip.frameHeight, kMergeBandRows, merge);

  const size_t rowBytes = static_cast<size_t>(width) * 3;
  const int lineStep = fieldMode ? 2 : 1;
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
