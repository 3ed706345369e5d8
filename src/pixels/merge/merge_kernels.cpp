// The merge kernels, compiled once per instruction set by Highway from this one source; the
// best the processor has is chosen at the first call.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "pixels/merge/merge_kernels.cpp"
#include "pixels/merge/merge_kernels.h"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>
#include <cstring>

HWY_BEFORE_NAMESPACE();
namespace kvx::pixels::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET == HWY_SCALAR
// Highway's one-lane fallback cannot split vectors; the reference kernel is the better scalar.
void mergeRowVector(const MergeRow& row) {
  mergeRowScalar(row);
}
#else
// Rounded division by 255 of words up to 255 × 255 + 128, as the scalar kernel divides.
template <class V>
HWY_INLINE V divide255(V value) {
  return hn::ShiftRight<8>(hn::Add(value, hn::ShiftRight<8>(value)));
}

// (m × (100 − level) + 50) / 100, exact: n / 100 = ((n >> 2) × 5243) >> 17 for n ≤ 25550.
template <class D16, class V16>
HWY_INLINE V16 weakenedAlpha(D16 d16, V16 mask, V16 keep) {
  const V16 n = hn::Add(hn::Mul(mask, keep), hn::Set(d16, 50));
  return hn::ShiftRight<1>(hn::MulHigh(hn::ShiftRight<2>(n), hn::Set(d16, 5243)));
}

template <int Mode, class D16, class V16>
HWY_INLINE V16 blendWords(D16 d16, V16 s, V16 d, V16 a) {
  const V16 round = hn::Set(d16, 128);
  V16 c = s;
  if constexpr (Mode == kMergeMultiply) {
    c = divide255(hn::Add(hn::Mul(s, d), round));
  } else if constexpr (Mode == kMergeScreen) {
    c = hn::Sub(hn::Add(s, d), divide255(hn::Add(hn::Mul(s, d), round)));
  } else if constexpr (Mode == kMergeAdd) {
    c = hn::Min(hn::Add(s, d), hn::Set(d16, 255));
  }
  const V16 inverse = hn::Sub(hn::Set(d16, 255), a);
  return divide255(hn::Add(hn::Add(hn::Mul(c, a), hn::Mul(d, inverse)), round));
}

// One vector of bytes, blended as words: the even bytes and the odd bytes of each word apart,
// which keeps every lane where it is on every target.
template <int Mode, class D8, class V8>
HWY_INLINE V8 blendBytes(D8 d8, V8 s, V8 d, V8 a) {
  const hn::RepartitionToWide<D8> d16;
  const auto low = hn::Set(d16, 0x00FF);
  const auto sw = hn::BitCast(d16, s), dw = hn::BitCast(d16, d), aw = hn::BitCast(d16, a);
  const auto even = blendWords<Mode>(d16, hn::And(sw, low), hn::And(dw, low), hn::And(aw, low));
  const auto odd =
      blendWords<Mode>(d16, hn::ShiftRight<8>(sw), hn::ShiftRight<8>(dw), hn::ShiftRight<8>(aw));
  return hn::BitCast(d8, hn::Or(even, hn::ShiftLeft<8>(odd)));
}

#if HWY_TARGET == HWY_AVX2 || HWY_TARGET == HWY_AVX3
// x86's multiply-add of byte pairs and its pack of words, at this target's width.
#if HWY_TARGET == HWY_AVX3
HWY_INLINE __m512i multiplyAddBytePairs(__m512i a, __m512i b) {
  return _mm512_maddubs_epi16(a, b);
}
HWY_INLINE __m512i packWords(__m512i low, __m512i high) {
  return _mm512_packus_epi16(low, high);
}
#else
HWY_INLINE __m256i multiplyAddBytePairs(__m256i a, __m256i b) {
  return _mm256_maddubs_epi16(a, b);
}
HWY_INLINE __m256i packWords(__m256i low, __m256i high) {
  return _mm256_packus_epi16(low, high);
}
#endif

// The normal mode in one multiply-add of byte pairs a step, which x86 has and Highway 1.0 does
// not expose: with both colours offset by −128 to fit signed bytes, the sum is
// a × s + (255 − a) × d − 32640. Adding 32767 (modulo 2^16) gives n + 127 for the unsigned
// numerator n, and (n + 127) × 0x8081 >> 23 equals the rounded n / 255 for every n ≤ 255².
// Interleave, multiply-add and pack all work within 16-byte blocks, so bytes keep their place.
template <class D8, class V8>
HWY_INLINE V8 blendNormalBytes(D8 d8, V8 s, V8 d, V8 a) {
  const hn::RepartitionToWide<D8> d16;
  const auto bias = hn::Set(d8, 0x80);
  s = hn::Xor(s, bias);
  d = hn::Xor(d, bias);
  const auto inverse = hn::Not(a);
  const auto divide = [&](auto sum) {
    const auto words = hn::Add(hn::Vec<decltype(d16)>{sum}, hn::Set(d16, 32767));
    return hn::ShiftRight<7>(hn::MulHigh(words, hn::Set(d16, 0x8081))).raw;
  };
  const auto low =
      multiplyAddBytePairs(hn::InterleaveLower(a, inverse).raw, hn::InterleaveLower(s, d).raw);
  const auto high = multiplyAddBytePairs(hn::InterleaveUpper(d8, a, inverse).raw,
                                         hn::InterleaveUpper(d8, s, d).raw);
  return V8{packWords(divide(low), divide(high))};
}
#else
template <class D8, class V8>
HWY_INLINE V8 blendNormalBytes(D8 d8, V8 s, V8 d, V8 a) {
  return blendBytes<kMergeNormal>(d8, s, d, a);
}
#endif

template <int Mode, class D8, class V8>
HWY_INLINE V8 blendAny(D8 d8, V8 s, V8 d, V8 a) {
  if constexpr (Mode == kMergeNormal) return blendNormalBytes(d8, s, d, a);
  return blendBytes<Mode>(d8, s, d, a);
}

template <class D8, class V8>
HWY_INLINE V8 weakenBytes(D8 d8, V8 mask, int level) {
  const hn::RepartitionToWide<D8> d16;
  const auto keep = hn::Set(d16, static_cast<uint16_t>(100 - level));
  const auto mw = hn::BitCast(d16, mask);
  const auto even = weakenedAlpha(d16, hn::And(mw, hn::Set(d16, 0x00FF)), keep);
  const auto odd = weakenedAlpha(d16, hn::ShiftRight<8>(mw), keep);
  return hn::BitCast(d8, hn::Or(even, hn::ShiftLeft<8>(odd)));
}

// Spreads the alpha of a vector's pixels over their three colour bytes: for the k-th vector of
// colour, each 16-byte block first gathers the 32-bit words of the mask it draws on, then picks
// its bytes from them (both lookups stay within what every target can do).
template <class D8>
class AlphaSpread {
 public:
  explicit AlphaSpread(D8 d8) {
    const size_t lanes = hn::Lanes(d8), words = lanes / 4;
    for (size_t k = 0; k < 3; ++k) {
      for (size_t block = 0; block < lanes; block += 16) {
        const size_t firstPixel = (k * lanes + block) / 3, firstWord = firstPixel / 4;
        for (size_t w = 0; w < 4; ++w)
          wordIndex_[k][block / 4 + w] = static_cast<int32_t>(std::min(firstWord + w, words - 1));
        for (size_t i = 0; i < 16; ++i)
          byteIndex_[k][block + i] =
              static_cast<uint8_t>((k * lanes + block + i) / 3 - 4 * firstWord);
      }
    }
  }

  template <class V8>
  HWY_INLINE V8 spread(D8 d8, V8 alpha, size_t k) const {
    const hn::Repartition<uint32_t, D8> d32;
    const auto words =
        hn::TableLookupLanes(hn::BitCast(d32, alpha), hn::SetTableIndices(d32, wordIndex_[k]));
    return hn::TableLookupBytes(hn::BitCast(d8, words), hn::Load(d8, byteIndex_[k]));
  }

 private:
  HWY_ALIGN int32_t wordIndex_[3][hn::MaxLanes(hn::Repartition<uint32_t, D8>())];
  HWY_ALIGN uint8_t byteIndex_[3][hn::MaxLanes(D8())];
};

// One table per target, shared by every mode: the vector length never changes.
template <class D8>
const AlphaSpread<D8>& alphaSpread(D8 d8) {
  static const AlphaSpread<D8> spread(d8);
  return spread;
}

// One vector of pixels at `x`.
template <int Mode, class D8, class Spread>
HWY_INLINE void mergeVector(D8 d8, const Spread& spread, const MergeRow& row, size_t x) {
  const size_t lanes = hn::Lanes(d8);
  const int bpp = row.bytesPerPixel;
  auto alpha = hn::LoadU(d8, row.mask + x);
  uint8_t* d = row.destination + x * bpp;
  const uint8_t* s = row.source + x * bpp;
  // Opaque and clear runs dominate real masks: copy or skip them outright.
  if (hn::AllTrue(d8, hn::Eq(alpha, hn::Zero(d8)))) return;
  if (Mode == kMergeNormal && row.level == 0 && hn::AllTrue(d8, hn::Eq(alpha, hn::Set(d8, 255)))) {
    std::memcpy(d, s, lanes * bpp);
    return;
  }
  if (row.level != 0) alpha = weakenBytes(d8, alpha, row.level);
  if (bpp == 1) {
    hn::StoreU(blendAny<Mode>(d8, hn::LoadU(d8, s), hn::LoadU(d8, d), alpha), d8, d);
    return;
  }
  for (size_t k = 0; k < 3; ++k) {
    const size_t i = k * lanes;
    hn::StoreU(
        blendAny<Mode>(d8, hn::LoadU(d8, s + i), hn::LoadU(d8, d + i), spread.spread(d8, alpha, k)),
        d8, d + i);
  }
}

template <int Mode>
void mergeRowMode(const MergeRow& row) {
  const hn::ScalableTag<uint8_t> d8;
  const size_t lanes = hn::Lanes(d8);
  const size_t pixels = static_cast<size_t>(row.pixels);
  const auto& spread = alphaSpread(d8);
  size_t x = 0;
  for (; x + lanes <= pixels; x += lanes) mergeVector<Mode>(d8, spread, row, x);
  if (x == pixels) return;
  // The last pixels through one more vector on copies, padded with clear mask.
  const size_t rest = pixels - x, bytes = rest * row.bytesPerPixel;
  HWY_ALIGN uint8_t mask[hn::MaxLanes(d8)] = {};
  HWY_ALIGN uint8_t source[3 * hn::MaxLanes(d8)];
  HWY_ALIGN uint8_t destination[3 * hn::MaxLanes(d8)];
  std::memcpy(mask, row.mask + x, rest);
  std::memcpy(source, row.source + x * row.bytesPerPixel, bytes);
  std::memcpy(destination, row.destination + x * row.bytesPerPixel, bytes);
  MergeRow tail = row;
  tail.destination = destination;
  tail.source = source;
  tail.mask = mask;
  tail.pixels = static_cast<int>(lanes);
  mergeVector<Mode>(d8, spread, tail, 0);
  std::memcpy(row.destination + x * row.bytesPerPixel, destination, bytes);
}

void mergeRowVector(const MergeRow& row) {
  switch (row.mode) {
    case kMergeMultiply:
      return mergeRowMode<kMergeMultiply>(row);
    case kMergeScreen:
      return mergeRowMode<kMergeScreen>(row);
    case kMergeAdd:
      return mergeRowMode<kMergeAdd>(row);
    default:
      return mergeRowMode<kMergeNormal>(row);
  }
}
#endif  // HWY_TARGET == HWY_SCALAR

}  // namespace kvx::pixels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
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

}  // namespace

HWY_EXPORT(mergeRowVector);

void mergeRowFast(const MergeRow& row) {
  HWY_DYNAMIC_DISPATCH(mergeRowVector)(row);
}

void mergeRowScalar(const MergeRow& row) {
  const int bpp = row.bytesPerPixel;
  for (int x = 0; x < row.pixels; ++x) {
    const int a = (row.mask[x] * (100 - row.level) + 50) / 100;
    for (int c = 0; c < bpp; ++c) {
      const int s = row.source[x * bpp + c];
      const int d = row.destination[x * bpp + c];
      const int color = blendColor(row.mode, s, d);
      row.destination[x * bpp + c] =
          static_cast<uint8_t>(divide255(color * a + d * (255 - a) + 128));
    }
  }
}

}  // namespace kvx::pixels
#endif  // HWY_ONCE
