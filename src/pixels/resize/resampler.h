#pragma once
// Separable resampling of packed pictures with 1 to 4 bytes a pixel with a Lanczos-3 filter
// (see filter_weights.h), edges repeated. Equal sizes copy the picture.
#include <cstdint>

#include "pixels/resize/banded_scale.h"

namespace kvx::resize {

// Scales `source` (sourceWidth × sourceHeight) into `destination`. Returns false, writing
// nothing, for null pictures, non-positive sizes, channel counts outside 1..4, byte counts
// that overflow, or exhausted memory. kScalar runs the plain reference passes.
bool resamplePacked(const uint8_t* source, int sourceWidth, int sourceHeight, uint8_t* destination,
                    int destinationWidth, int destinationHeight, int channels,
                    Kernels kernels = Kernels::kFast);

// The same scale of a picture given by its rows, which may repeat: the lines of a field stand
// in for the other field's until it arrives, and a row the filter meets twice is read once.
bool resampleFromRows(const uint8_t* const* sourceRows, int sourceWidth, int sourceHeight,
                      uint8_t* destination, int destinationWidth, int destinationHeight,
                      int channels);

// The same scale, computing only destination rows firstRow, firstRow + rowStep, ...: row
// firstRow + i × rowStep goes to rows[i]. A field of a frame stretched from field height
// needs only its own lines.
bool resampleRows(const uint8_t* source, int sourceWidth, int sourceHeight, int destinationWidth,
                  int destinationHeight, int channels, int firstRow, int rowStep,
                  uint8_t* const* rows);

}  // namespace kvx::resize
