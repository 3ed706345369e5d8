// Vector passes of the resampler, compiled once per instruction set by Highway from this one
// source. They use the scalar passes' arithmetic, so results are identical.
// Also compiled for AVX-512 with VNNI, which Highway leaves out unless asked: its 16-bit dot
// product fuses each multiply with its sum. Only here: the other kernels run slower there.
#define HWY_WANT_AVX3_DL
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "pixels/resize/resample_simd.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <cstring>

#include "pixels/resize/resample_passes.h"

HWY_BEFORE_NAMESPACE();
namespace kvx::resize::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

constexpr int kHorizontalShift = kWeightBits - kIntermediateBits;

// A vector of a row's values as 16-bit lanes: intermediate values as they are, bytes widened.
template <class D16>
HWY_INLINE hn::Vec<D16> loadValues(D16 d16, const int16_t* values) {
  return hn::LoadU(d16, values);
}
template <class D16>
HWY_INLINE hn::Vec<D16> loadValues(D16 d16, const uint8_t* bytes) {
  const hn::RebindToUnsigned<D16> du16;
  return hn::BitCast(d16, hn::PromoteTo(du16, hn::LoadU(hn::Rebind<uint8_t, D16>(), bytes)));
}

#if HWY_TARGET == HWY_SCALAR
// Highway's one-lane fallback has no byte lookups; the scalar passes are the better scalar.
int horizontalRgbVector(const uint8_t*, const AxisFilter&, int, int16_t*) {
  return 0;
}
template <typename Sample>
int verticalVector(const Sample* const*, const int16_t*, int, int, uint8_t*) {
  return 0;
}
template <typename Sample>
int verticalGroupVector(const Sample* const*, const int16_t*, int, const int*, const int*, int, int,
                        uint8_t* const*) {
  return 0;
}
#else
// sum0 + a · b summed in pairs of 16-bit lanes; the sums stay in sum0.
template <class D32, class V16>
HWY_INLINE hn::Vec<D32> mulAddPairs(D32 d32, V16 a, V16 b, hn::Vec<D32> sum0, hn::Vec<D32>& sum1) {
#if HWY_TARGET == HWY_AVX3_DL
  // Highway's target names the processor's 256-bit dot products only; every processor it runs
  // on has the 512-bit ones too.
  if constexpr (hn::MaxLanes(d32) == 16) {
    __m512i sum = sum0.raw;
    asm("vpdpwssd %2, %1, %0" : "+v"(sum) : "v"(a.raw), "v"(b.raw));
    return hn::Vec<D32>{sum};
  }
#endif
  return hn::ReorderWidenMulAccumulate(d32, a, b, sum0, sum1);
}

// Two neighbouring weights as one 32-bit word: the pair a widening multiply-add sums.
HWY_INLINE int32_t weightPair(const int16_t* weights) {
  int32_t pair;
  std::memcpy(&pair, weights, sizeof pair);
  return pair;
}

// Output pixels x .. x + Pixels − 1 (one or two), one in each 16-byte block: four taps per
// block load, each pair of taps widened to words r0 r1 g0 g1 b0 b1 0 0 and multiplied by its
// weight pair.
template <size_t Pixels>
HWY_INLINE void horizontalPixels(const uint8_t* source, const AxisFilter& filter, int x,
                                 int16_t* out) {
  const hn::FixedTag<uint8_t, 16 * Pixels> d8;
  const hn::FixedTag<uint8_t, 16> dBlock;
  const hn::Repartition<int16_t, decltype(d8)> d16;
  const hn::Repartition<int32_t, decltype(d8)> d32;
  const hn::FixedTag<int32_t, 4> d32Block;
  alignas(16) static constexpr uint8_t kPairLow[16] = {0, 0x80, 3, 0x80, 1,    0x80, 4,    0x80,
                                                       2, 0x80, 5, 0x80, 0x80, 0x80, 0x80, 0x80};
  alignas(16) static constexpr uint8_t kPairHigh[16] = {6, 0x80, 9,  0x80, 7,    0x80, 10,   0x80,
                                                        8, 0x80, 11, 0x80, 0x80, 0x80, 0x80, 0x80};
  const auto pairLow = hn::LoadDup128(d8, kPairLow);
  const auto pairHigh = hn::LoadDup128(d8, kPairHigh);
  const int taps = filter.taps;
  const uint8_t* first = source + static_cast<size_t>(filter.start[x]) * 3;
  const int16_t* firstWeights = &filter.weights[static_cast<size_t>(x) * taps];
  const uint8_t* second = source + static_cast<size_t>(filter.start[x + Pixels - 1]) * 3;
  const int16_t* secondWeights = firstWeights + (Pixels - 1) * taps;
  const auto weightsAt = [&](int k) {
    if constexpr (Pixels == 2)
      return hn::Combine(d32, hn::Set(d32Block, weightPair(secondWeights + k)),
                         hn::Set(d32Block, weightPair(firstWeights + k)));
    else
      return hn::Set(d32, weightPair(firstWeights + k));
  };
  auto sum0 = hn::Zero(d32), sum1 = hn::Zero(d32);
  for (int k = 0; k < taps; k += 4) {
    hn::Vec<decltype(d8)> pixels;
    if constexpr (Pixels == 2)
      pixels = hn::Combine(d8, hn::LoadU(dBlock, second + k * 3), hn::LoadU(dBlock, first + k * 3));
    else
      pixels = hn::LoadU(d8, first + k * 3);
    sum0 = hn::ReorderWidenMulAccumulate(d32,
                                         hn::BitCast(d16, hn::TableLookupBytesOr0(pixels, pairLow)),
                                         hn::BitCast(d16, weightsAt(k)), sum0, sum1);
    if (k + 2 < taps)
      sum0 = hn::ReorderWidenMulAccumulate(
          d32, hn::BitCast(d16, hn::TableLookupBytesOr0(pixels, pairHigh)),
          hn::BitCast(d16, weightsAt(k + 2)), sum0, sum1);
  }
  const auto total = hn::RearrangeToOddPlusEven(sum0, sum1);
  const auto value =
      hn::ShiftRight<kHorizontalShift>(hn::Add(total, hn::Set(d32, 1 << (kHorizontalShift - 1))));
  // Four words a pixel, the fourth spare: the next pixel's store covers it.
  const hn::Rebind<int16_t, decltype(d32)> dOut;
  const auto words = hn::DemoteTo(dOut, value);
  if constexpr (Pixels == 2) {
    const hn::Half<decltype(dOut)> dHalf;
    hn::StoreU(hn::LowerHalf(dHalf, words), dHalf, out + x * 3);
    hn::StoreU(hn::UpperHalf(dHalf, words), dHalf, out + (x + 1) * 3);
  } else {
    hn::StoreU(words, dOut, out + x * 3);
  }
}

int horizontalRgbVector(const uint8_t* source, const AxisFilter& filter, int end, int16_t* out) {
  int x = 0;
#if HWY_CAP_GE256
  for (; x + 2 <= end; x += 2) horizontalPixels<2>(source, filter, x, out);
#endif
  for (; x < end; ++x) horizontalPixels<1>(source, filter, x, out);
  return x;
}

#if HWY_ARCH_X86 || HWY_TARGET == HWY_NEON
// Two rows' values interleaved and multiplied by their weight pair at once. The interleave
// works within 16-byte blocks here, as does the pack that follows, so the values come back in
// order.
template <typename Sample>
int verticalVector(const Sample* const* rows, const int16_t* weights, int taps, int count,
                   uint8_t* out) {
  constexpr int kVerticalShift = verticalShift<Sample>();
  const hn::ScalableTag<int16_t> d16;
  const hn::Repartition<int32_t, decltype(d16)> d32;
  const hn::Rebind<uint8_t, decltype(d16)> d8;
  const int lanes = static_cast<int>(hn::Lanes(d16));
  const auto round = hn::Set(d32, 1 << (kVerticalShift - 1));
  int i = 0;
  for (; i + lanes <= count; i += lanes) {
    auto low0 = hn::Zero(d32), low1 = low0, high0 = low0, high1 = low0;
    for (int k = 0; k < taps; k += 2) {
      const auto a = loadValues(d16, rows[k] + i), b = loadValues(d16, rows[k + 1] + i);
      const auto pair = hn::BitCast(d16, hn::Set(d32, weightPair(weights + k)));
      low0 = mulAddPairs(d32, hn::InterleaveLower(d16, a, b), pair, low0, low1);
      high0 = mulAddPairs(d32, hn::InterleaveUpper(d16, a, b), pair, high0, high1);
    }
    const auto finish = [&](auto sum0, auto sum1) {
      return hn::ShiftRight<kVerticalShift>(hn::Add(hn::RearrangeToOddPlusEven(sum0, sum1), round));
    };
    const auto words = hn::ReorderDemote2To(d16, finish(low0, low1), finish(high0, high1));
    hn::StoreU(hn::DemoteTo(d8, words), d8, out + i);
  }
  return i;
}

// Outputs rows at once over the union of their windows: each pair of rows is loaded and
// interleaved once for all of them, and an output skips the pairs outside its window. Each
// output's sums are named apart so that they stay in registers.
template <int Outputs, typename Sample>
int verticalGroup(const Sample* const* rows, const int16_t* weights, int taps, const int* pairBegin,
                  const int* pairEnd, int count, uint8_t* const* out) {
  constexpr int kVerticalShift = verticalShift<Sample>();
  const hn::ScalableTag<int16_t> d16;
  const hn::Repartition<int32_t, decltype(d16)> d32;
  const hn::Rebind<uint8_t, decltype(d16)> d8;
  using V16 = hn::Vec<decltype(d16)>;
  using V32 = hn::Vec<decltype(d32)>;
  struct Sums {
    V32 low0, low1, high0, high1;
  };
  const int lanes = static_cast<int>(hn::Lanes(d16));
  const auto round = hn::Set(d32, 1 << (kVerticalShift - 1));
  const int pairs = taps / 2;
  const auto add = [&](Sums& sums, int n, int p, V16 lower, V16 upper) HWY_ATTR {
    if (p < pairBegin[n] || p >= pairEnd[n]) return;
    const auto pair = hn::BitCast(d16, hn::Set(d32, weightPair(weights + n * taps + 2 * p)));
    sums.low0 = mulAddPairs(d32, lower, pair, sums.low0, sums.low1);
    sums.high0 = mulAddPairs(d32, upper, pair, sums.high0, sums.high1);
  };
  const auto store = [&](const Sums& sums, int n, int i) HWY_ATTR {
    const auto finish = [&](V32 sum0, V32 sum1) HWY_ATTR {
      return hn::ShiftRight<kVerticalShift>(hn::Add(hn::RearrangeToOddPlusEven(sum0, sum1), round));
    };
    const auto words =
        hn::ReorderDemote2To(d16, finish(sums.low0, sums.low1), finish(sums.high0, sums.high1));
    hn::StoreU(hn::DemoteTo(d8, words), d8, out[n] + i);
  };
  int i = 0;
  for (; i + lanes <= count; i += lanes) {
    const V32 zero = hn::Zero(d32);
    Sums sums0{zero, zero, zero, zero}, sums1 = sums0, sums2 = sums0, sums3 = sums0;
    for (int p = 0; p < pairs; ++p) {
      const auto a = loadValues(d16, rows[2 * p] + i), b = loadValues(d16, rows[2 * p + 1] + i);
      const auto lower = hn::InterleaveLower(d16, a, b), upper = hn::InterleaveUpper(d16, a, b);
      add(sums0, 0, p, lower, upper);
      add(sums1, 1, p, lower, upper);
      if constexpr (Outputs > 2) add(sums2, 2, p, lower, upper);
      if constexpr (Outputs > 3) add(sums3, 3, p, lower, upper);
    }
    store(sums0, 0, i);
    store(sums1, 1, i);
    if constexpr (Outputs > 2) store(sums2, 2, i);
    if constexpr (Outputs > 3) store(sums3, 3, i);
  }
  return i;
}

template <typename Sample>
int verticalGroupVector(const Sample* const* rows, const int16_t* weights, int taps,
                        const int* pairBegin, const int* pairEnd, int outputs, int count,
                        uint8_t* const* out) {
  switch (outputs) {
    case 2:
      return verticalGroup<2>(rows, weights, taps, pairBegin, pairEnd, count, out);
    case 3:
      return verticalGroup<3>(rows, weights, taps, pairBegin, pairEnd, count, out);
    case 4:
      return verticalGroup<4>(rows, weights, taps, pairBegin, pairEnd, count, out);
    default:
      return 0;
  }
}
#else
// Each tap's weight multiplies the even and the
// odd values apart (the other weight of the pair zero), so every sum lands in its own lane.
template <typename Sample>
int verticalVector(const Sample* const* rows, const int16_t* weights, int taps, int count,
                   uint8_t* out) {
  constexpr int kVerticalShift = verticalShift<Sample>();
  const hn::ScalableTag<int16_t> d16;
  const hn::Repartition<int32_t, decltype(d16)> d32;
  const hn::Repartition<uint32_t, decltype(d16)> du32;
  const hn::Rebind<uint8_t, decltype(d16)> d8;
  const int lanes = static_cast<int>(hn::Lanes(d16));
  const auto round = hn::Set(d32, 1 << (kVerticalShift - 1));
  const auto zero = hn::Zero(d32), white = hn::Set(d32, 255);
  int i = 0;
  for (; i + lanes <= count; i += lanes) {
    auto even0 = zero, even1 = zero, odd0 = zero, odd1 = zero;
    for (int k = 0; k < taps; ++k) {
      const auto values = loadValues(d16, rows[k] + i);
      const uint32_t weight = static_cast<uint16_t>(weights[k]);
      even0 = hn::ReorderWidenMulAccumulate(d32, values, hn::BitCast(d16, hn::Set(du32, weight)),
                                            even0, even1);
      odd0 = hn::ReorderWidenMulAccumulate(
          d32, values, hn::BitCast(d16, hn::Set(du32, weight << 16)), odd0, odd1);
    }
    const auto finish = [&](auto sum0, auto sum1) {
      const auto sum = hn::Add(hn::RearrangeToOddPlusEven(sum0, sum1), round);
      return hn::BitCast(du32, hn::Min(hn::Max(hn::ShiftRight<kVerticalShift>(sum), zero), white));
    };
    const auto words = hn::Or(finish(even0, even1), hn::ShiftLeft<16>(finish(odd0, odd1)));
    hn::StoreU(hn::DemoteTo(d8, hn::BitCast(d16, words)), d8, out + i);
  }
  return i;
}

// Sizeless vectors cannot be kept in arrays: each output takes the one-row pass.
template <typename Sample>
int verticalGroupVector(const Sample* const*, const int16_t*, int, const int*, const int*, int, int,
                        uint8_t* const*) {
  return 0;
}
#endif  // HWY_ARCH_X86 || HWY_TARGET == HWY_NEON
#endif  // HWY_TARGET == HWY_SCALAR

int verticalWordsVector(const int16_t* const* rows, const int16_t* weights, int taps, int count,
                        uint8_t* out) {
  return verticalVector(rows, weights, taps, count, out);
}
int verticalBytesVector(const uint8_t* const* rows, const int16_t* weights, int taps, int count,
                        uint8_t* out) {
  return verticalVector(rows, weights, taps, count, out);
}
int verticalGroupWordsVector(const int16_t* const* rows, const int16_t* weights, int taps,
                             const int* pairBegin, const int* pairEnd, int outputs, int count,
                             uint8_t* const* out) {
  return verticalGroupVector(rows, weights, taps, pairBegin, pairEnd, outputs, count, out);
}
int verticalGroupBytesVector(const uint8_t* const* rows, const int16_t* weights, int taps,
                             const int* pairBegin, const int* pairEnd, int outputs, int count,
                             uint8_t* const* out) {
  return verticalGroupVector(rows, weights, taps, pairBegin, pairEnd, outputs, count, out);
}

}  // namespace kvx::resize::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace kvx::resize {
namespace {

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

}  // namespace

HWY_EXPORT(horizontalRgbVector);
HWY_EXPORT(verticalWordsVector);
HWY_EXPORT(verticalBytesVector);
HWY_EXPORT(verticalGroupWordsVector);
HWY_EXPORT(verticalGroupBytesVector);

void horizontalPassFast(const uint8_t* source, int channels, const AxisFilter& filter,
                        int destinationWidth, int16_t* out) {
  int done = 0;
  // A 16-byte load at the last group of four taps reaches 4 bytes past the window, 10 when
  // only two taps remain.
  if (channels == 3)
    done = HWY_DYNAMIC_DISPATCH(horizontalRgbVector)(
        source, filter, vectorSafeEnd(filter, destinationWidth, 10), out);
  horizontalPixelsScalar(source, channels, filter, done, destinationWidth, out);
}

void verticalPassFast(const int16_t* const* rows, const int16_t* weights, int taps, int count,
                      uint8_t* out) {
  const int done = HWY_DYNAMIC_DISPATCH(verticalWordsVector)(rows, weights, taps, count, out);
  verticalValuesScalar(rows, weights, taps, done, count, out);
}

void verticalPassFast(const uint8_t* const* rows, const int16_t* weights, int taps, int count,
                      uint8_t* out) {
  const int done = HWY_DYNAMIC_DISPATCH(verticalBytesVector)(rows, weights, taps, count, out);
  verticalValuesScalar(rows, weights, taps, done, count, out);
}

namespace {

// The group kernel's values, and the rest of each output's row by the scalar pass; every output
// alone by the one-row pass where no group kernel was compiled.
template <typename Sample, typename GroupKernel>
void verticalGroup(GroupKernel kernel, const Sample* const* rows, const int16_t* weights, int taps,
                   const int* pairBegin, const int* pairEnd, int outputs, int count,
                   uint8_t* const* out) {
  const int done = kernel(rows, weights, taps, pairBegin, pairEnd, outputs, count, out);
  for (int n = 0; n < outputs; ++n) {
    const int first = 2 * pairBegin[n], windowTaps = 2 * (pairEnd[n] - pairBegin[n]);
    const int16_t* own = weights + n * taps + first;
    if (done == 0)
      verticalPassFast(rows + first, own, windowTaps, count, out[n]);
    else
      verticalValuesScalar(rows + first, own, windowTaps, done, count, out[n]);
  }
}

}  // namespace

void verticalGroupFast(const int16_t* const* rows, const int16_t* weights, int taps,
                       const int* pairBegin, const int* pairEnd, int outputs, int count,
                       uint8_t* const* out) {
  verticalGroup(HWY_DYNAMIC_DISPATCH(verticalGroupWordsVector), rows, weights, taps, pairBegin,
                pairEnd, outputs, count, out);
}
void verticalGroupFast(const uint8_t* const* rows, const int16_t* weights, int taps,
                       const int* pairBegin, const int* pairEnd, int outputs, int count,
                       uint8_t* const* out) {
  verticalGroup(HWY_DYNAMIC_DISPATCH(verticalGroupBytesVector), rows, weights, taps, pairBegin,
                pairEnd, outputs, count, out);
}

}  // namespace kvx::resize
#endif  // HWY_ONCE
