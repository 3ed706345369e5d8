#pragma once
// A field composed at field height and stretched to the host's lines in bands: each thread
// takes a run of the frame's rows and, band after band, scales the placeholder's rows the band
// covers, merges the band and stretches the host lines whose filter windows it completes,
// while the band's rows are still in the cache. Lines whose windows straddle two threads' runs
// are stretched once the runs are done.
#include <cstdint>

#include "compose/clip_state.h"
#include "compose/host_frame.h"
#include "compose/merge_band.h"

// Composes the clip's frame (field height) into the host lines firstLine, firstLine + 2, ...
// of a frame of `lines` lines and `width` pixels: dstRows[i] is line firstLine + 2i. False
// when memory runs out.
bool composeFieldInBands(ClipState& clip, const FrameStart& start, const DeferredFit& fit,
                         int width, int lines, int firstLine, unsigned char** dstRows);
