#pragma once
// Per-axis filter tables of the separable resampler: for every output position a window of
// `taps` consecutive source positions starting at `start`, with integer weights summing to
// kWeightOne. Windows always lie inside the source, edges being repeated.
#include <cstdint>
#include <vector>

namespace kvx::resize {

constexpr int kWeightBits = 14;
constexpr int kWeightOne = 1 << kWeightBits;

struct AxisFilter {
  int taps = 0;                  // window length, even (the last weight may be a zero pad)
  int sourceSize = 0;            // windows stay within [0, sourceSize) except for the zero pad
  std::vector<int32_t> start;    // per output position
  std::vector<int16_t> weights;  // per output position, `taps` each
};

// Lanczos-3, stretched over the source when shrinking so that it low-passes. Returns false
// when the sizes are not positive or the table would not fit in memory.
bool buildAxisFilter(int sourceSize, int destinationSize, AxisFilter* filter);

}  // namespace kvx::resize
