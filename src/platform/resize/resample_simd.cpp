// SIMD passes of the resampler: SSSE3 for the horizontal pass of 3-channel rows, SSE2 or AVX2
// for the vertical pass. They use the scalar passes' arithmetic, so results are identical.
#include <immintrin.h>

#include <cstring>

#include "platform/resize/resample_passes.h"

namespace kvx::resize {
namespace {

constexpr int kHorizontalShift = kWeightBits - kIntermediateBits;
constexpr int kVerticalShift = kWeightBits + kIntermediateBits;

bool haveSsse3() {
  static const bool supported = __builtin_cpu_supports("ssse3");
  return supported;
}

bool haveAvx2() {
  static const bool supported = __builtin_cpu_supports("avx2");
  return supported;
}

// Two neighbouring weights as one 32-bit word, the layout _mm_madd_epi16 pairs them in.
inline int32_t weightPair(const int16_t* weights) {
  int32_t pair;
  std::memcpy(&pair, weights, sizeof pair);
  return pair;
}

// Output pixels whose vector loads stay inside the source row form a prefix, since window
// starts never decrease. A load reads at most `spare` bytes past the window's last pixel.
int vectorSafeEnd(const AxisFilter& filter, int destinationWidth, int spare) {
  const int64_t rowBytes = static_cast<int64_t>(filter.sourceSize) * 3;
  int end = destinationWidth;
  while (end > 0 &&
         (static_cast<int64_t>(filter.start[end - 1]) + filter.taps) * 3 + spare > rowBytes)
    --end;
  return end;
}

// Two output pixels at a time, one in each 128-bit lane; four taps per 16-byte load.
__attribute__((target("avx2"))) int horizontalRgbAvx2(const uint8_t* source,
                                                      const AxisFilter& filter, int end,
                                                      int16_t* out) {
  const __m256i pairLow = _mm256_broadcastsi128_si256(
      _mm_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1));
  const __m256i pairHigh = _mm256_broadcastsi128_si256(
      _mm_setr_epi8(6, -1, 9, -1, 7, -1, 10, -1, 8, -1, 11, -1, -1, -1, -1, -1));
  const __m256i round = _mm256_set1_epi32(1 << (kHorizontalShift - 1));
  const int taps = filter.taps;
  int x = 0;
  for (; x + 2 <= end; x += 2) {
    const uint8_t* first = source + static_cast<size_t>(filter.start[x]) * 3;
    const uint8_t* second = source + static_cast<size_t>(filter.start[x + 1]) * 3;
    const int16_t* firstWeights = &filter.weights[static_cast<size_t>(x) * taps];
    const int16_t* secondWeights = firstWeights + taps;
    __m256i sum = _mm256_setzero_si256();
    for (int k = 0; k < taps; k += 4) {
      const __m256i pixels = _mm256_inserti128_si256(
          _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(first + k * 3))),
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(second + k * 3)), 1);
      const __m256i weightsLow = _mm256_setr_m128i(_mm_set1_epi32(weightPair(firstWeights + k)),
                                                   _mm_set1_epi32(weightPair(secondWeights + k)));
      sum = _mm256_add_epi32(sum,
                             _mm256_madd_epi16(_mm256_shuffle_epi8(pixels, pairLow), weightsLow));
      if (k + 2 < taps) {
        const __m256i weightsHigh =
            _mm256_setr_m128i(_mm_set1_epi32(weightPair(firstWeights + k + 2)),
                              _mm_set1_epi32(weightPair(secondWeights + k + 2)));
        sum = _mm256_add_epi32(
            sum, _mm256_madd_epi16(_mm256_shuffle_epi8(pixels, pairHigh), weightsHigh));
      }
    }
    const __m256i value = _mm256_srai_epi32(_mm256_add_epi32(sum, round), kHorizontalShift);
    const __m256i packed = _mm256_packs_epi32(value, value);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x * 3), _mm256_castsi256_si128(packed));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + (x + 1) * 3),
                     _mm256_extracti128_si256(packed, 1));
  }
  return x;
}

__attribute__((target("ssse3"))) void horizontalRgbSsse3(const uint8_t* source,
                                                         const AxisFilter& filter, int end,
                                                         int16_t* out) {
  // Pixels k and k + 1 of a pair into 16-bit lanes r0 r1 g0 g1 b0 b1 0 0.
  const __m128i pairUp = _mm_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1);
  const __m128i round = _mm_set1_epi32(1 << (kHorizontalShift - 1));
  const int taps = filter.taps;
  for (int x = 0; x < end; ++x) {
    const uint8_t* pixel = source + static_cast<size_t>(filter.start[x]) * 3;
    const int16_t* weights = &filter.weights[static_cast<size_t>(x) * taps];
    __m128i sum = _mm_setzero_si128();
    for (int k = 0; k < taps; k += 2) {
      const __m128i two = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixel + k * 3));
      sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_shuffle_epi8(two, pairUp),
                                              _mm_set1_epi32(weightPair(weights + k))));
    }
    const __m128i value = _mm_srai_epi32(_mm_add_epi32(sum, round), kHorizontalShift);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x * 3), _mm_packs_epi32(value, value));
  }
}

inline __m128i verticalEightSse2(const int16_t* const* rows, const int16_t* weights, int taps,
                                 int i) {
  __m128i low = _mm_setzero_si128();
  __m128i high = _mm_setzero_si128();
  for (int k = 0; k < taps; k += 2) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + i));
    const __m128i pair = _mm_set1_epi32(weightPair(weights + k));
    low = _mm_add_epi32(low, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), pair));
    high = _mm_add_epi32(high, _mm_madd_epi16(_mm_unpackhi_epi16(a, b), pair));
  }
  const __m128i round = _mm_set1_epi32(1 << (kVerticalShift - 1));
  low = _mm_srai_epi32(_mm_add_epi32(low, round), kVerticalShift);
  high = _mm_srai_epi32(_mm_add_epi32(high, round), kVerticalShift);
  return _mm_packs_epi32(low, high);
}

int verticalSse2(const int16_t* const* rows, const int16_t* weights, int taps, int count,
                 uint8_t* out) {
  int i = 0;
  for (; i + 16 <= count; i += 16) {
    const __m128i first = verticalEightSse2(rows, weights, taps, i);
    const __m128i second = verticalEightSse2(rows, weights, taps, i + 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(first, second));
  }
  return i;
}

__attribute__((target("avx2"))) inline __m256i verticalSixteenAvx2(const int16_t* const* rows,
                                                                   const int16_t* weights, int taps,
                                                                   int i) {
  __m256i low = _mm256_setzero_si256();
  __m256i high = _mm256_setzero_si256();
  for (int k = 0; k < taps; k += 2) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[k] + i));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[k + 1] + i));
    const __m256i pair = _mm256_set1_epi32(weightPair(weights + k));
    low = _mm256_add_epi32(low, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), pair));
    high = _mm256_add_epi32(high, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), pair));
  }
  const __m256i round = _mm256_set1_epi32(1 << (kVerticalShift - 1));
  low = _mm256_srai_epi32(_mm256_add_epi32(low, round), kVerticalShift);
  high = _mm256_srai_epi32(_mm256_add_epi32(high, round), kVerticalShift);
  // unpack and pack both work within 128-bit lanes, so this restores the value order.
  return _mm256_packs_epi32(low, high);
}

__attribute__((target("avx2"))) int verticalAvx2(const int16_t* const* rows, const int16_t* weights,
                                                 int taps, int count, uint8_t* out) {
  int i = 0;
  for (; i + 32 <= count; i += 32) {
    const __m256i first = verticalSixteenAvx2(rows, weights, taps, i);
    const __m256i second = verticalSixteenAvx2(rows, weights, taps, i + 16);
    const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(first, second), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), bytes);
  }
  return i;
}

}  // namespace

void horizontalPassFast(const uint8_t* source, int channels, const AxisFilter& filter,
                        int destinationWidth, int16_t* out) {
  int done = 0;
  if (channels == 3 && haveAvx2()) {
    // A 16-byte load at the last group of four taps reaches 4 bytes past the window, 10 when
    // only two taps remain.
    done = horizontalRgbAvx2(source, filter, vectorSafeEnd(filter, destinationWidth, 10), out);
  } else if (channels == 3 && haveSsse3()) {
    done = vectorSafeEnd(filter, destinationWidth, 2);
    horizontalRgbSsse3(source, filter, done, out);
  }
  horizontalPixelsScalar(source, channels, filter, done, destinationWidth, out);
}

void verticalPassFast(const int16_t* const* rows, const int16_t* weights, int taps, int count,
                      uint8_t* out) {
  const int done = haveAvx2() ? verticalAvx2(rows, weights, taps, count, out)
                              : verticalSse2(rows, weights, taps, count, out);
  verticalValuesScalar(rows, weights, taps, done, count, out);
}

}  // namespace kvx::resize
