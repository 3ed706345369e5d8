#pragma once
// TransformLib: maps a picture onto four corner points.
#include <cstdint>

#include "kvxtheme/bufferlib.h"

// Action 3 with pointCount 4: `points` holds x, y of the corners top-left, top-right,
// bottom-right, bottom-left. On success *result receives a new 24-bit buffer covering the
// corners' bounding box, black outside the quad. Degenerate corners are refused with 0.
int q32TxAction(int action, int pointCount, const int32_t* points, int mode, BufHandle source,
                int reserved1, BufHandle* result, int reserved2, int reserved3, int reserved4,
                int reserved5, int reserved6);
