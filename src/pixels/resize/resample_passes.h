#pragma once
// The two passes of the separable resampler. The horizontal pass turns one packed source
// row into a row of 16-bit intermediate values carrying kIntermediateBits extra bits of
// precision; the vertical pass weighs `filter.taps` such rows into one packed 8-bit row. Rows
// whose width does not change skip the horizontal pass: the vertical pass weighs their bytes.
// The vector passes produce exactly the values of the scalar ones.
#include <cstdint>

#include "pixels/resize/filter_weights.h"

namespace kvx::resize {

constexpr int kIntermediateBits = 6;
// Intermediate rows are allocated this many values longer than their content: the vector
// horizontal pass stores 4 values for each 3-channel pixel.
constexpr int kIntermediatePadding = 4;

// The vertical pass's shift: the weights' bits, and the intermediate values' extra bits.
template <typename Sample>
constexpr int verticalShift() {
  return sizeof(Sample) == 1 ? kWeightBits : kWeightBits + kIntermediateBits;
}

void horizontalPassScalar(const uint8_t* source, int channels, const AxisFilter& filter,
                          int destinationWidth, int16_t* out);
void verticalPassScalar(const int16_t* const* rows, const int16_t* weights, int taps, int count,
                        uint8_t* out);
void verticalPassScalar(const uint8_t* const* rows, const int16_t* weights, int taps, int count,
                        uint8_t* out);

// The same for output pixels [from, to) or values [from, to) only: the vector passes finish
// with them where a vector would reach past the data.
void horizontalPixelsScalar(const uint8_t* source, int channels, const AxisFilter& filter, int from,
                            int to, int16_t* out);
void verticalValuesScalar(const int16_t* const* rows, const int16_t* weights, int taps, int from,
                          int to, uint8_t* out);
void verticalValuesScalar(const uint8_t* const* rows, const int16_t* weights, int taps, int from,
                          int to, uint8_t* out);

// Vector versions for the best instruction set the processor has: the horizontal pass
// vectorises 3-channel rows and leaves other rows, and each row's last pixels, to the scalar
// pass.
void horizontalPassFast(const uint8_t* source, int channels, const AxisFilter& filter,
                        int destinationWidth, int16_t* out);
void verticalPassFast(const int16_t* const* rows, const int16_t* weights, int taps, int count,
                      uint8_t* out);
void verticalPassFast(const uint8_t* const* rows, const int16_t* weights, int taps, int count,
                      uint8_t* out);

// The vertical pass of `outputs` rows (2 to 4) at once over the union of their windows, each
// source row loaded once for all: `rows` lists `taps` rows (even), weights[n × taps + k] is
// row k's weight for output n (zero outside its window), whose nonzero weights lie in the
// pairs of rows [pairBegin[n], pairEnd[n]). Gives each output the one-row pass's values.
void verticalGroupFast(const int16_t* const* rows, const int16_t* weights, int taps,
                       const int* pairBegin, const int* pairEnd, int outputs, int count,
                       uint8_t* const* out);
void verticalGroupFast(const uint8_t* const* rows, const int16_t* weights, int taps,
                       const int* pairBegin, const int* pairEnd, int outputs, int count,
                       uint8_t* const* out);

}  // namespace kvx::resize
