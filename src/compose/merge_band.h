#pragma once
// The merge of a frame's visible layers, a band of rows at a time.
#include <cstdint>

#include "compose/clip_state.h"

// The first layer drawn when it is exactly the frame, plain, at full strength and opaque: the
// frame starts as its copy instead of black, its mask unread. Null otherwise.
const ThemeLayer* coveringLayer(const ClipState& clip);

// What the frame starts from: black, or the covering layer's picture, which may be the host's
// own frame when that layer is a placeholder of the frame's size (it is never copied there).
struct FrameStart {
  const ThemeLayer* layer = nullptr;
  const uint8_t* pixels = nullptr;
};

// Whether the merged rows are the output itself or are read again (scaled, copied out).
enum class MergedRows { kReadAgain, kFinal };

// Starts the frame's rows [first, end) from `start` and merges every other visible layer into
// them: each layer meets only the rows it covers.
void mergeBand(const ClipState& clip, const FrameStart& start, uint8_t* frame, int first, int end,
               MergedRows use);
