#pragma once
// The host's frame into the placeholder: fitted with its aspect kept, mapped onto the corners
// the theme recorded, or rotated as the placeholder's tag asks.
#include "compose/clip_state.h"

// A field's lines for the placeholder, scaled by the composition band by band as it merges
// the rows they land on.
struct DeferredFit {
  ThemeLayer* target = nullptr;  // null: nothing deferred
  const uint8_t* const* rows = nullptr;
  int width = 0;
  int height = 0;
};

// `rows` host rows of `width` pixels: a frame (fieldMode 0) or a field (1 even lines, 2 odd
// lines) of a frame of twice the rows. A field placed as it is goes to `deferred` when one is
// given; a whole frame placed as it is into a placeholder of its size is not copied when `lent`
// is given, which receives the packed frame instead. False when the placement could not be
// made in full.
bool placeHostFrame(ClipState& clip, unsigned char** srcRows, int height, int width, int frameIndex,
                    int fieldMode, DeferredFit* deferred = nullptr, const uint8_t** lent = nullptr);
