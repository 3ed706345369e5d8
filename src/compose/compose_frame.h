#pragma once
// One frame of the clip: the host's frame into the placeholder, the video layer's frame, the
// merge of every visible layer, scaled to the host's size and copied into its rows.
#include "compose/clip_state.h"

// Composes one frame (fieldMode 0) or field (1 even lines, 2 odd lines) of `height` host rows,
// building the layers at the first call. 1 on success, 0 when the rows, the size or the
// layers are unusable.
int composeFrame(ClipState& clip, unsigned char** srcRows, unsigned char** dstRows, int height,
                 int width, int frameIndex, int fieldMode);
