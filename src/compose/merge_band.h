#pragma once
// The merge of a frame's visible layers, a band of rows at a time.
#include <cstdint>

#include "compose/clip_state.h"

// The first layer drawn when it is exactly the frame, plain, at full strength and opaque: the
// frame starts as its copy instead of black, its mask unread. Null otherwise.
const ThemeLayer* coveringLayer(const ClipState& clip);

// Starts the frame's rows [first, end) from `drawn` (or black) and merges every other visible
// layer into them: each layer meets only the rows it covers.
void mergeBand(const ClipState& clip, const ThemeLayer* drawn, uint8_t* frame, int first, int end);
