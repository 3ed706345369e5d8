// The per-frame composition: placeholder, video, merge of the visible layers, output size and
// the copy into the host's rows.
#include "compose/compositor.h"

#include <cstring>
#include <optional>

#include "compose/placeholder_fitter.h"
#include "compose/rotation_tag.h"
#include "compose/transform_picture.h"
#include "platform/resize/resampler.h"

namespace {

// Maps the picture onto the corners and fits the result into the placeholder. A transform that
// fails (a placement far outside the frame can ask for more memory than there is) leaves the
// placeholder as it was and answers false.
bool transformAndFit(PlaceholderFitter& fitter, TransformScratch& scratch, const uint8_t* picture,
                     int width, int height, const Corners& corners) {
  TransformPicture transform(picture, width, height, &scratch);
  int resultWidth = 0, resultHeight = 0;
  if (!transform.transform(corners.topLeft, corners.bottomLeft, corners.topRight,
                           corners.bottomRight) ||
      !transform.resultSize(&resultWidth, &resultHeight))
    return false;
  return fitter.fit(transform.result(), resultWidth, resultHeight, 1) != 0;
}

const CornerRecordCache& cornerRecordOf(ThemeDocument& document, RenderHandle object) {
  CornerRecordCache& cache = document.cornerRecord;
  if (cache.object == object) return cache;
  cache.object = object;
  int32_t kind = 0;
  void* record = nullptr;
  cache.present = qrGetTransformData(object, &kind, &record) && record;
  if (cache.present) {
    std::memcpy(cache.record, record, sizeof(cache.record));
    qrDelTransformData(record);
  }
  return cache;
}

}  // namespace

int Compositor::composeFrame(unsigned char** srcRows, unsigned char** dstRows, int height,
                             int width, int frameIndex, int fieldMode) {
  if (!srcRows || !dstRows || width <= 0 || height <= 0) return 0;
  if (!document_.buildLayers(width, height)) return 0;
  std::memset(document_.frameBuffer, 0,
              static_cast<size_t>(document_.frameWidth) * document_.frameHeight * 3);
  const int rows = fieldMode ? height * 2 : height;
  bool complete = true;

  if (ThemeLayer* placeholder = document_.findLayer("placeholder")) {
    PlaceholderFitter fitter(placeholder, &document_.fitScratch);
    ThemeObject* reference = placeholder->sourceObject;
    if (reference && !reference->renderObject) {
      if (ThemeLayer* holderRef = document_.findLayer("holder_ref"))
        reference = holderRef->sourceObject;
    }
    const uint8_t* picture =
        document_.frameAssembler.gather(frameIndex, srcRows, rows, width, fieldMode);
    if (reference && reference->renderObject) {
      const CornerRecordCache& placement = cornerRecordOf(document_, reference->renderObject);
      if (placement.present) {
        complete = transformAndFit(fitter, document_.transformScratch, picture, width, rows,
                                   cornersFromRecord(placement.record));
      } else {
        // No placement recorded: the frame goes in as it is.
        fitter.fit(picture, width, rows, 1);
      }
    } else {
      const std::optional<double> angle =
          parseRotationTag(reference ? reference->linkText : std::string());
      if (!angle)
        fitter.fit(picture, width, rows, 1);
      else
        complete = transformAndFit(fitter, document_.transformScratch, picture, width, rows,
                                   rotatedCorners(width, rows, *angle));
    }
  }

  if (ThemeLayer* videoLayer = document_.findLayer("video")) copyVideoFrame(videoLayer, frameIndex);

  for (const auto& layer : document_.layers) {
    if (!layer || layer->isHidden()) continue;
    const Rect32 rect{layer->x, layer->y, layer->x + layer->width, layer->y + layer->height};
    i32MergeEx(document_.frameBuffer, document_.frameWidth, document_.frameHeight,
               layer->maskPixels, &rect, layer->pixels, &rect, 3, layer->mergeMode,
               layer->transparency);
  }

  const size_t rowBytes = static_cast<size_t>(width) * 3;
  const int firstLine = fieldMode == 2 ? 1 : 0, lineStep = fieldMode ? 2 : 1;
  if (document_.frameWidth == width && document_.frameHeight == rows) {
    for (int i = 0; i < height; ++i)
      std::memcpy(dstRows[i], document_.frameBuffer + (firstLine + i * lineStep) * rowBytes,
                  rowBytes);
  } else {
    // Only the host's lines of the scaled frame are computed, straight into its rows.
    if (!kvx::resize::resampleRows(document_.frameBuffer, document_.frameWidth,
                                   document_.frameHeight, width, rows, 3, firstLine, lineStep,
                                   dstRows))
      return 0;
  }
  if (!complete) ++document_.incompleteFrames;
  return 1;
}
