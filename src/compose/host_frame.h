#pragma once
// The host's frame into the placeholder: fitted with its aspect kept, mapped onto the corners
// the theme recorded, or rotated as the placeholder's tag asks.
#include "compose/clip_state.h"

// `rows` host rows of `width` pixels: a frame (fieldMode 0) or a field (1 even lines, 2 odd
// lines) of a frame of twice the rows. False when the placement could not be made in full.
bool placeHostFrame(ClipState& clip, unsigned char** srcRows, int height, int width, int frameIndex,
                    int fieldMode);
