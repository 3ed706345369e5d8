#pragma once
// The theme over transparency, for hosts that lay it over their own picture.
#include "compose/clip_state.h"

// Frame `frameIndex` composed over a black and over a white host frame of width × height, then
// each pixel's B, G, R, A (straight alpha) into `bgraRows`. The last overlay is kept and
// handed out again while nothing on the page changes.
int composeOverlay(ClipState& clip, unsigned char** bgraRows, int height, int width,
                   int frameIndex);
