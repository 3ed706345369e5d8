#include "platform/buffer/merge_kernels.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>

namespace kvx::pixels {
namespace {

inline int divide255(int value) {
  return (value + (value >> 8)) >> 8;
}

inline int blendColor(int mode, int s, int d) {
  switch (mode) {
    case kMergeMultiply:
      return divide255(s * d + 128);
    case kMergeScreen:
      return s + d - divide255(s * d + 128);
    case kMergeAdd:
      return std::min(s + d, 255);
    default:
      return s;
  }
}

inline int maskAlpha(int mask, int level) {
  return (mask * (100 - level) + 50) / 100;
}

// ---- SSSE3 -------------------------------------------------------------------------------

#define KVX_SSSE3 __attribute__((target("ssse3")))

KVX_SSSE3 inline __m128i divide255x8(__m128i value) {
  return _mm_srli_epi16(_mm_add_epi16(value, _mm_srli_epi16(value, 8)), 8);
}

// (m × (100 − level) + 50) / 100 for 8 words, exact: n / 100 = ((n >> 2) × 5243) >> 17 for
// every n up to 25550.
KVX_SSSE3 inline __m128i alphaWords(__m128i mask, __m128i keep, __m128i fifty) {
  const __m128i n = _mm_add_epi16(_mm_mullo_epi16(mask, keep), fifty);
  return _mm_srli_epi16(_mm_mulhi_epu16(_mm_srli_epi16(n, 2), _mm_set1_epi16(5243)), 1);
}

template <int Mode>
KVX_SSSE3 inline __m128i blendWords(__m128i s, __m128i d, __m128i a) {
  const __m128i round = _mm_set1_epi16(128);
  __m128i c = s;
  if constexpr (Mode == kMergeMultiply) {
    c = divide255x8(_mm_add_epi16(_mm_mullo_epi16(s, d), round));
  } else if constexpr (Mode == kMergeScreen) {
    c = _mm_sub_epi16(_mm_add_epi16(s, d),
                      divide255x8(_mm_add_epi16(_mm_mullo_epi16(s, d), round)));
  } else if constexpr (Mode == kMergeAdd) {
    c = _mm_min_epi16(_mm_add_epi16(s, d), _mm_set1_epi16(255));
  }
  const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(255), a);
  const __m128i sum =
      _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(c, a), _mm_mullo_epi16(d, inverse)), round);
  return divide255x8(sum);
}

template <int Mode>
KVX_SSSE3 inline void blend16(uint8_t* destination, const uint8_t* source, __m128i alpha) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source));
  const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(destination));
  const __m128i low = blendWords<Mode>(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero),
                                       _mm_unpacklo_epi8(alpha, zero));
  const __m128i high = blendWords<Mode>(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero),
                                        _mm_unpackhi_epi8(alpha, zero));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(destination), _mm_packus_epi16(low, high));
}

template <int Mode>
KVX_SSSE3 void mergeRowSsse3(const MergeRow& row) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i keep = _mm_set1_epi16(static_cast<int16_t>(100 - row.level));
  const __m128i fifty = _mm_set1_epi16(50);
  const __m128i spread0 = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
  const __m128i spread1 = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
  const __m128i spread2 =
      _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
  const int bpp = row.bytesPerPixel;
  const bool plain = Mode == kMergeNormal && row.level == 0;
  int x = 0;
  for (; x + 16 <= row.pixels; x += 16) {
    __m128i alpha = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row.mask + x));
    uint8_t* d = row.destination + x * bpp;
    const uint8_t* s = row.source + x * bpp;
    if (plain) {
      // Opaque and clear runs dominate real masks: copy or skip them outright.
      const int opaque = _mm_movemask_epi8(_mm_cmpeq_epi8(alpha, _mm_set1_epi8(-1)));
      if (opaque == 0xFFFF) {
        std::memcpy(d, s, 16 * bpp);
        continue;
      }
      if (_mm_movemask_epi8(_mm_cmpeq_epi8(alpha, zero)) == 0xFFFF) continue;
    }
    if (row.level != 0) {
      alpha = _mm_packus_epi16(alphaWords(_mm_unpacklo_epi8(alpha, zero), keep, fifty),
                               alphaWords(_mm_unpackhi_epi8(alpha, zero), keep, fifty));
    }
    if (bpp == 1) {
      blend16<Mode>(d, s, alpha);
    } else {
      blend16<Mode>(d, s, _mm_shuffle_epi8(alpha, spread0));
      blend16<Mode>(d + 16, s + 16, _mm_shuffle_epi8(alpha, spread1));
      blend16<Mode>(d + 32, s + 32, _mm_shuffle_epi8(alpha, spread2));
    }
  }
  if (x < row.pixels) {
    MergeRow rest = row;
    rest.destination += x * bpp;
    rest.source += x * bpp;
    rest.mask += x;
    rest.pixels -= x;
    mergeRowScalar(rest);
  }
}

// ---- AVX2, normal mode ---------------------------------------------------------------------

#define KVX_AVX2 __attribute__((target("avx2")))

// (c × a + d × (255 − a) + 128) / 255 for 32 bytes with one multiply-add per 16 words: with
// both colours offset by −128 to fit signed bytes, the sum is a × s + (255 − a) × d − 32640.
// Adding 32767 (modulo 2^16) gives n + 127 for the unsigned numerator n, and
// (n + 127) × 0x8081 >> 23 equals the rounded n / 255 of the scalar kernel for every n up to
// 255 × 255.
KVX_AVX2 inline __m256i roundedDivide255(__m256i words) {
  words = _mm256_add_epi16(words, _mm256_set1_epi16(32767));
  return _mm256_srli_epi16(_mm256_mulhi_epu16(words, _mm256_set1_epi16(-32639)), 7);
}

KVX_AVX2 inline void blendNormal32(uint8_t* destination, const uint8_t* source, __m256i alpha) {
  const __m256i bias = _mm256_set1_epi8(-128);
  const __m256i s =
      _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(source)), bias);
  const __m256i d =
      _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(destination)), bias);
  const __m256i inverse = _mm256_xor_si256(alpha, _mm256_set1_epi8(-1));
  const __m256i low =
      _mm256_maddubs_epi16(_mm256_unpacklo_epi8(alpha, inverse), _mm256_unpacklo_epi8(s, d));
  const __m256i high =
      _mm256_maddubs_epi16(_mm256_unpackhi_epi8(alpha, inverse), _mm256_unpackhi_epi8(s, d));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination),
                      _mm256_packus_epi16(roundedDivide255(low), roundedDivide255(high)));
}

KVX_AVX2 inline __m256i weakenWords16(__m256i mask, __m256i keep) {
  const __m256i n = _mm256_add_epi16(_mm256_mullo_epi16(mask, keep), _mm256_set1_epi16(50));
  return _mm256_srli_epi16(_mm256_mulhi_epu16(_mm256_srli_epi16(n, 2), _mm256_set1_epi16(5243)), 1);
}

KVX_AVX2 inline __m256i weakenAlpha32(__m256i mask, int level) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i keep = _mm256_set1_epi16(static_cast<int16_t>(100 - level));
  return _mm256_packus_epi16(weakenWords16(_mm256_unpacklo_epi8(mask, zero), keep),
                             weakenWords16(_mm256_unpackhi_epi8(mask, zero), keep));
}

KVX_AVX2 void mergeRowNormalAvx2(const MergeRow& row) {
  const __m128i spread0 = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
  const __m128i spread1 = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
  const __m128i spread2 =
      _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
  const int bpp = row.bytesPerPixel;
  int x = 0;
  for (; x + 32 <= row.pixels; x += 32) {
    __m256i alpha = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row.mask + x));
    uint8_t* d = row.destination + x * bpp;
    const uint8_t* s = row.source + x * bpp;
    if (row.level == 0) {
      // Opaque and clear runs dominate real masks: copy or skip them outright.
      if (_mm256_testc_si256(alpha, _mm256_set1_epi8(-1))) {
        std::memcpy(d, s, 32 * bpp);
        continue;
      }
      if (_mm256_testz_si256(alpha, alpha)) continue;
    } else {
      alpha = weakenAlpha32(alpha, row.level);
    }
    if (bpp == 1) {
      blendNormal32(d, s, alpha);
      continue;
    }
    const __m128i first = _mm256_castsi256_si128(alpha);
    const __m128i second = _mm256_extracti128_si256(alpha, 1);
    blendNormal32(
        d, s,
        _mm256_setr_m128i(_mm_shuffle_epi8(first, spread0), _mm_shuffle_epi8(first, spread1)));
    blendNormal32(
        d + 32, s + 32,
        _mm256_setr_m128i(_mm_shuffle_epi8(first, spread2), _mm_shuffle_epi8(second, spread0)));
    blendNormal32(
        d + 64, s + 64,
        _mm256_setr_m128i(_mm_shuffle_epi8(second, spread1), _mm_shuffle_epi8(second, spread2)));
  }
  if (x < row.pixels) {
    MergeRow rest = row;
    rest.destination += x * bpp;
    rest.source += x * bpp;
    rest.mask += x;
    rest.pixels -= x;
    mergeRowScalar(rest);
  }
}

}  // namespace

void mergeRowScalar(const MergeRow& row) {
  const int bpp = row.bytesPerPixel;
  for (int x = 0; x < row.pixels; ++x) {
    const int a = maskAlpha(row.mask[x], row.level);
    for (int c = 0; c < bpp; ++c) {
      const int s = row.source[x * bpp + c];
      const int d = row.destination[x * bpp + c];
      const int color = blendColor(row.mode, s, d);
      row.destination[x * bpp + c] =
          static_cast<uint8_t>(divide255(color * a + d * (255 - a) + 128));
    }
  }
}

bool mergeKernelSupported(MergeKernel kernel) {
  static const bool ssse3 = __builtin_cpu_supports("ssse3");
  static const bool avx2 = __builtin_cpu_supports("avx2");
  static const bool avx512 =
      __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
  switch (kernel) {
    case MergeKernel::kScalar:
      return true;
    case MergeKernel::kSsse3:
      return ssse3;
    case MergeKernel::kAvx2:
      return avx2;
    case MergeKernel::kAvx512:
      return avx512;
  }
  return false;
}

void mergeRowWith(MergeKernel kernel, const MergeRow& row) {
  if (kernel == MergeKernel::kScalar) {
    mergeRowScalar(row);
    return;
  }
  switch (row.mode) {
    case kMergeNormal:
      if (kernel == MergeKernel::kAvx512)
        mergeRowNormalAvx512(row);
      else if (kernel == MergeKernel::kAvx2)
        mergeRowNormalAvx2(row);
      else
        mergeRowSsse3<kMergeNormal>(row);
      break;
    case kMergeMultiply:
      mergeRowSsse3<kMergeMultiply>(row);
      break;
    case kMergeScreen:
      mergeRowSsse3<kMergeScreen>(row);
      break;
    case kMergeAdd:
      mergeRowSsse3<kMergeAdd>(row);
      break;
    default:
      mergeRowScalar(row);
      break;
  }
}

void mergeRowFast(const MergeRow& row) {
  static const MergeKernel best = [] {
    for (MergeKernel kernel : {MergeKernel::kAvx512, MergeKernel::kAvx2, MergeKernel::kSsse3})
      if (mergeKernelSupported(kernel)) return kernel;
    return MergeKernel::kScalar;
  }();
  mergeRowWith(best, row);
}

}  // namespace kvx::pixels
