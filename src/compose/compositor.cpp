// The per-frame composition: placeholder, video, merge of the visible layers, output size and
// the copy into the host's rows.
#include "compose/compositor.h"

#include <cstring>
#include <mutex>
#include <optional>

#include "compose/corner_placement.h"
#include "compose/placeholder_fitter.h"
#include "compose/rotation_tag.h"
#include "pixels/merge/merge_kernels.h"
#include "pixels/resize/resampler.h"

namespace {

// The host's rows as one packed picture without a copy, when they already are one.
unsigned char* packedRows(unsigned char** rows, int height, int width) {
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  for (int i = 1; i < height; ++i)
    if (rows[i] != rows[0] + i * rowBytes) return nullptr;
  return rows[0];
}

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
const ThemeLayer* startFrame(const ThemeDocument& document, uint8_t* frame) {
  const size_t bytes = static_cast<size_t>(document.frameWidth) * document.frameHeight * 3;
  for (const auto& layer : document.layers) {
    if (!layer || layer->isHidden()) continue;
    if (!coversFrame(*layer, document.frameWidth, document.frameHeight)) break;
    if (layer->x != 0 || layer->y != 0 || layer->width != document.frameWidth ||
        layer->height != document.frameHeight)
      return nullptr;
    std::memcpy(frame, layer->pixels, bytes);
    return layer.get();
  }
  std::memset(frame, 0, bytes);
  return nullptr;
}

const CornerRecordCache& cornerRecordOf(ThemeDocument& document, RenderObject& object) {
  CornerRecordCache& cache = document.cornerRecord;
  if (cache.object == &object) return cache;
  cache.object = &object;
  std::lock_guard lock(object.mutex);
  cache.present = object.state.transformKind != 0;
  // The corners follow the transform record's leading int32.
  if (cache.present)
    std::memcpy(cache.record, object.state.transform.data() + 4, sizeof(cache.record));
  return cache;
}

}  // namespace

int Compositor::composeFrame(unsigned char** srcRows, unsigned char** dstRows, int height,
                             int width, int frameIndex, int fieldMode) {
  if (!srcRows || !dstRows || width <= 0 || height <= 0) return 0;
  if (!document_.buildLayers(width, height)) return 0;
  const int rows = fieldMode ? height * 2 : height;
  bool complete = true;

  if (ThemeLayer* placeholder = document_.findLayer("placeholder")) {
    ThemeObject* reference = placeholder->sourceObject;
    if (reference && !reference->renderObject) {
      if (ThemeLayer* holderRef = document_.findLayer("holder_ref"))
        reference = holderRef->sourceObject;
    }
    // Without a recorded placement or a rotation the frame goes in as it is.
    std::optional<Corners> corners;
    if (reference && reference->renderObject) {
      const CornerRecordCache& placement = cornerRecordOf(document_, *reference->renderObject);
      if (placement.present) corners = cornersFromRecord(placement.record);
    } else {
      const std::optional<double> angle =
          parseRotationTag(reference ? reference->linkText : std::string());
      if (angle) corners = rotatedCorners(width, rows, *angle);
    }
    PlaceholderFitter fitter(placeholder, &document_.fitScratch);
    FrameAssembler& assembler = document_.frameAssembler;
    if (fieldMode && !corners) {
      // A field's doubled lines are listed, not copied: the resize reads each row once.
      fitter.fitRows(assembler.gatherRows(frameIndex, srcRows, rows, width, fieldMode), width,
                     rows);
    } else {
      // A whole frame already packed needs no gathering; fields are always interleaved.
      const uint8_t* picture = fieldMode ? nullptr : packedRows(srcRows, height, width);
      if (!picture) picture = assembler.gather(frameIndex, srcRows, rows, width, fieldMode);
      if (corners)
        complete = placeOnCorners(picture, width, rows, *corners, *placeholder,
                                  document_.placementScratch);
      else
        fitter.fit(picture, width, rows, 1);
    }
  }

  if (ThemeLayer* videoLayer = document_.findLayer("video")) copyVideoFrame(videoLayer, frameIndex);

  // A whole frame of the host's size is merged straight into the host's rows when they form
  // one picture. The source has been read by now, so rows it shares with them are safe.
  const bool sameSize = document_.frameWidth == width && document_.frameHeight == rows;
  uint8_t* const direct = sameSize && !fieldMode ? packedRows(dstRows, height, width) : nullptr;
  uint8_t* const frame = direct ? direct : document_.frameBuffer;
  const ThemeLayer* const drawn = startFrame(document_, frame);
  for (const auto& layer : document_.layers) {
    if (!layer || layer->isHidden() || layer.get() == drawn) continue;
    const Rect32 rect{layer->x, layer->y, layer->x + layer->width, layer->y + layer->height};
    i32MergeEx(frame, document_.frameWidth, document_.frameHeight, layer->maskPixels, &rect,
               layer->pixels, &rect, 3, layer->mergeMode, layer->transparency);
  }

  const size_t rowBytes = static_cast<size_t>(width) * 3;
  const int firstLine = fieldMode == 2 ? 1 : 0, lineStep = fieldMode ? 2 : 1;
  if (!sameSize) {
    // Only the host's lines of the scaled frame are computed, straight into its rows.
    if (!kvx::resize::resampleRows(document_.frameBuffer, document_.frameWidth,
                                   document_.frameHeight, width, rows, 3, firstLine, lineStep,
                                   dstRows))
      return 0;
  } else if (!direct) {
    for (int i = 0; i < height; ++i)
      std::memcpy(dstRows[i], document_.frameBuffer + (firstLine + i * lineStep) * rowBytes,
                  rowBytes);
  }
  if (!complete) ++document_.incompleteFrames;
  return 1;
}
