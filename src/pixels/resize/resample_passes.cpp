#include "pixels/resize/resample_passes.h"

#include <algorithm>

namespace kvx::resize {
namespace {

constexpr int kHorizontalShift = kWeightBits - kIntermediateBits;

}  // namespace

void horizontalPassScalar(const uint8_t* source, int channels, const AxisFilter& filter,
                          int destinationWidth, int16_t* out) {
  horizontalPixelsScalar(source, channels, filter, 0, destinationWidth, out);
}

void horizontalPixelsScalar(const uint8_t* source, int channels, const AxisFilter& filter, int from,
                            int to, int16_t* out) {
  for (int x = from; x < to; ++x) {
    const int start = filter.start[x];
    const int taps = std::min(filter.taps, filter.sourceSize - start);
    const int16_t* weights = &filter.weights[static_cast<size_t>(x) * filter.taps];
    const uint8_t* pixel = source + static_cast<size_t>(start) * channels;
    for (int c = 0; c < channels; ++c) {
      int32_t sum = 0;
      for (int k = 0; k < taps; ++k) sum += weights[k] * pixel[k * channels + c];
      out[x * channels + c] =
          static_cast<int16_t>((sum + (1 << (kHorizontalShift - 1))) >> kHorizontalShift);
    }
  }
}

namespace {

template <typename Sample>
void verticalValues(const Sample* const* rows, const int16_t* weights, int taps, int from, int to,
                    uint8_t* out) {
  constexpr int kShift = verticalShift<Sample>();
  for (int i = from; i < to; ++i) {
    int32_t sum = 0;
    for (int k = 0; k < taps; ++k) sum += weights[k] * rows[k][i];
    const int value = (sum + (1 << (kShift - 1))) >> kShift;
    out[i] = static_cast<uint8_t>(std::clamp(value, 0, 255));
  }
}

}  // namespace

void verticalPassScalar(const int16_t* const* rows, const int16_t* weights, int taps, int count,
                        uint8_t* out) {
  verticalValues(rows, weights, taps, 0, count, out);
}

void verticalPassScalar(const uint8_t* const* rows, const int16_t* weights, int taps, int count,
                        uint8_t* out) {
  verticalValues(rows, weights, taps, 0, count, out);
}

void verticalValuesScalar(const int16_t* const* rows, const int16_t* weights, int taps, int from,
                          int to, uint8_t* out) {
  verticalValues(rows, weights, taps, from, to, out);
}

void verticalValuesScalar(const uint8_t* const* rows, const int16_t* weights, int taps, int from,
                          int to, uint8_t* out) {
  verticalValues(rows, weights, taps, from, to, out);
}

}  // namespace kvx::resize
