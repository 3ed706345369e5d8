#pragma once
// Separable resampling of packed pictures with 1 to 4 bytes a pixel with a Lanczos-3 filter
// (see filter_weights.h), edges repeated. Equal sizes copy the picture.
#include <cstdint>

namespace kvx::resize {

enum class Kernels { kFast, kScalar };

// Scales `source` (sourceWidth × sourceHeight) into `destination`. Returns false, writing
// nothing, for null pictures, non-positive sizes, channel counts outside 1..4, byte counts
// that overflow, or exhausted memory. kScalar runs the plain reference passes.
bool resamplePacked(const uint8_t* source, int sourceWidth, int sourceHeight, uint8_t* destination,
                    int destinationWidth, int destinationHeight, int channels,
                    Kernels kernels = Kernels::kFast);

}  // namespace kvx::resize
