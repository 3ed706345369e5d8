#pragma once
// The "video" layer shows the matching frame of the layer's video file, looping. The file lies
// beside the program; the reader belongs to the clip, so clips never disturb each other.
#include "compose/clip_state.h"

void showVideoFrame(ClipState& clip, ThemeLayer& layer, int frameIndex);
