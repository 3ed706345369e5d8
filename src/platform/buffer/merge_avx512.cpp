// AVX-512 (BW and VBMI) kernel of the normal merge mode: 64 pixels a step, the mask spread
// over the three colour bytes of each pixel with one byte permutation per 64 bytes.
#include <immintrin.h>

#include <cstring>

#include "platform/buffer/merge_kernels.h"

namespace kvx::pixels {
namespace {

#define KVX_AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// The same arithmetic as the AVX2 kernel (see blendNormal32 in merge_kernels.cpp).
KVX_AVX512 inline __m512i roundedDivide255(__m512i words) {
  words = _mm512_add_epi16(words, _mm512_set1_epi16(32767));
  return _mm512_srli_epi16(_mm512_mulhi_epu16(words, _mm512_set1_epi16(-32639)), 7);
}

KVX_AVX512 inline void blendNormal64(uint8_t* destination, const uint8_t* source, __m512i alpha) {
  const __m512i bias = _mm512_set1_epi8(-128);
  const __m512i s = _mm512_xor_si512(_mm512_loadu_si512(source), bias);
  const __m512i d = _mm512_xor_si512(_mm512_loadu_si512(destination), bias);
  const __m512i inverse = _mm512_xor_si512(alpha, _mm512_set1_epi8(-1));
  const __m512i low =
      _mm512_maddubs_epi16(_mm512_unpacklo_epi8(alpha, inverse), _mm512_unpacklo_epi8(s, d));
  const __m512i high =
      _mm512_maddubs_epi16(_mm512_unpackhi_epi8(alpha, inverse), _mm512_unpackhi_epi8(s, d));
  _mm512_storeu_si512(destination,
                      _mm512_packus_epi16(roundedDivide255(low), roundedDivide255(high)));
}

KVX_AVX512 inline __m512i weakenWords(__m512i mask, __m512i keep) {
  const __m512i n = _mm512_add_epi16(_mm512_mullo_epi16(mask, keep), _mm512_set1_epi16(50));
  return _mm512_srli_epi16(_mm512_mulhi_epu16(_mm512_srli_epi16(n, 2), _mm512_set1_epi16(5243)), 1);
}

KVX_AVX512 inline __m512i weakenAlpha(__m512i mask, int level) {
  const __m512i zero = _mm512_setzero_si512();
  const __m512i keep = _mm512_set1_epi16(static_cast<int16_t>(100 - level));
  return _mm512_packus_epi16(weakenWords(_mm512_unpacklo_epi8(mask, zero), keep),
                             weakenWords(_mm512_unpackhi_epi8(mask, zero), keep));
}

}  // namespace

KVX_AVX512 void mergeRowNormalAvx512(const MergeRow& row) {
  // Byte i of the k-th 64-byte block of colour belongs to pixel (64k + i) / 3.
  alignas(64) uint8_t spread[3][64];
  for (int k = 0; k < 3; ++k)
    for (int i = 0; i < 64; ++i) spread[k][i] = static_cast<uint8_t>((64 * k + i) / 3);
  const __m512i spreads[3] = {_mm512_load_si512(spread[0]), _mm512_load_si512(spread[1]),
                              _mm512_load_si512(spread[2])};
  const int bpp = row.bytesPerPixel;
  int x = 0;
  for (; x + 64 <= row.pixels; x += 64) {
    __m512i alpha = _mm512_loadu_si512(row.mask + x);
    uint8_t* d = row.destination + x * bpp;
    const uint8_t* s = row.source + x * bpp;
    if (row.level == 0) {
      // Opaque and clear runs dominate real masks: copy or skip them outright.
      if (_mm512_cmpeq_epi8_mask(alpha, _mm512_set1_epi8(-1)) == ~__mmask64{0}) {
        std::memcpy(d, s, 64 * bpp);
        continue;
      }
      if (_mm512_test_epi8_mask(alpha, alpha) == 0) continue;
    } else {
      alpha = weakenAlpha(alpha, row.level);
    }
    if (bpp == 1) {
      blendNormal64(d, s, alpha);
      continue;
    }
    for (int k = 0; k < 3; ++k)
      blendNormal64(d + 64 * k, s + 64 * k, _mm512_permutexvar_epi8(spreads[k], alpha));
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

}  // namespace kvx::pixels
