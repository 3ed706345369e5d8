#include "compose/host_frame.h"

#include <cstring>
#include <mutex>
#include <optional>
#include <string>

#include "compose/corner_placement.h"
#include "compose/packed_rows.h"
#include "compose/placeholder_fitter.h"
#include "compose/rotation_tag.h"

namespace {

const CornerRecordCache& cornerRecordOf(ClipState& clip, RenderObject& object) {
  CornerRecordCache& cache = clip.cornerRecord;
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

bool placeHostFrame(ClipState& clip, unsigned char** srcRows, int height, int width, int frameIndex,
                    int fieldMode, DeferredFit* deferred, const uint8_t** lent) {
  const int rows = fieldMode ? height * 2 : height;
  bool complete = true;
  ThemeLayer* placeholder = clip.special.placeholder;
  if (!placeholder) return true;
  const ThemeObject* reference = placeholder->sourceObject;
  if (reference && !reference->renderObject && clip.special.holderRef)
    reference = clip.special.holderRef->sourceObject;
  // Without a recorded placement or a rotation the frame goes in as it is.
  std::optional<Corners> corners;
  if (reference && reference->renderObject) {
    const CornerRecordCache& placement = cornerRecordOf(clip, *reference->renderObject);
    if (placement.present) corners = cornersFromRecord(placement.record);
  } else {
    const std::optional<double> angle =
        parseRotationTag(reference ? reference->linkText : std::string());
    if (angle) corners = rotatedCorners(width, rows, *angle);
  }
  PlaceholderFitter fitter(placeholder, &clip.fitScratch);
  FrameAssembler& assembler = clip.frameAssembler;
  if (fieldMode && !corners) {
    // A field's doubled lines are listed, not copied: the resize reads each row once.
    const uint8_t* const* lines = assembler.gatherRows(frameIndex, srcRows, rows, width, fieldMode);
    if (deferred)
      *deferred = {placeholder, lines, width, rows};
    else
      fitter.fitRows(lines, width, rows);
  } else {
    // A whole frame already packed needs no gathering; fields are always interleaved.
    const uint8_t* picture = fieldMode ? nullptr : packedRows(srcRows, height, width);
    if (!picture) picture = assembler.gather(frameIndex, srcRows, rows, width, fieldMode);
    if (corners)
      complete =
          placeOnCorners(picture, width, rows, *corners, *placeholder, clip.placementScratch);
    else if (lent && placeholder->width == width && placeholder->height == rows)
      *lent = picture;
    else
      fitter.fit(picture, width, rows, 1);
  }
  return complete;
}
