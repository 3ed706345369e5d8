#pragma once
// The quality yardstick for resizers: a separable Lanczos-3 resize (windowed sinc, widened
// when shrinking so it also low-passes) computed in double precision throughout and rounded
// once at the end. It shares no code with the resizer under test.
#include <cstdint>
#include <vector>

namespace kvxbench {

std::vector<uint8_t> referenceResize(const std::vector<uint8_t>& source, int sourceWidth,
                                     int sourceHeight, int destinationWidth, int destinationHeight);

}  // namespace kvxbench
