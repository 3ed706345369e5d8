// The inside-run sampler, compiled once per instruction set by Highway from this one source.
// Each row's two neighbours are fetched by one gather at their byte offset: a 32-bit word holds
// both grey pixels, a 64-bit word both colour pixels. A word that would reach past the
// picture's last byte is fetched from earlier and shifted down. At the last column the right
// neighbour's weight is zero, so whatever the word holds beyond the pixel does not count.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "pixels/transform/quad_sampler.cpp"
#include "pixels/transform/quad_sampler.h"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <cstring>
#include <limits>
#include <type_traits>

HWY_BEFORE_NAMESPACE();
namespace kvx::transform::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET == HWY_SCALAR
int sampleInsideVector(const InsideRun&, pixels::ConstPixelView, uint8_t*) {
  return 0;  // the scalar sampler is the one-lane version
}
#else
// One word a lane from the byte offsets in `offsets`.
template <class DW, class DI>
HWY_INLINE hn::Vec<DW> wordsAt(DW dw, DI, const uint8_t* bytes, hn::Vec<DI> offsets) {
  const hn::RebindToSigned<DW> ds;
  const auto* base = reinterpret_cast<const hn::TFromD<decltype(ds)>*>(bytes);
  if constexpr (sizeof(hn::TFromD<DW>) == 4)
    return hn::BitCast(dw, hn::GatherOffset(ds, base, offsets));
  else
    return hn::BitCast(dw, hn::GatherOffset(ds, base, hn::PromoteTo(ds, offsets)));
}

template <int Channels>
int sampleRun(const InsideRun& run, pixels::ConstPixelView source, uint8_t* out) {
  const hn::ScalableTag<float> df;
  const hn::RebindToSigned<decltype(df)> di;
  const hn::RebindToUnsigned<decltype(df)> du;
  const hn::Rebind<uint8_t, decltype(df)> d8;
  const int lanes = static_cast<int>(hn::Lanes(df));
  const int32_t byteCount = static_cast<int32_t>((source.height - 1) * source.stride +
                                                 static_cast<ptrdiff_t>(source.width) * Channels);
  const auto maxX = hn::Set(df, static_cast<float>(source.width - 1));
  const auto maxY = hn::Set(df, static_cast<float>(source.height - 1));
  const auto half = hn::Set(df, 0.5f), zero = hn::Zero(df);
  const auto one = hn::Set(df, static_cast<float>(1 << kSampleWeightBits));
  const auto lastY = hn::Set(di, source.height - 1);
  const auto stride = hn::Set(di, static_cast<int32_t>(source.stride));
  const auto weightOne = hn::Set(du, 1u << kSampleWeightBits);
  const auto round = hn::Set(du, 1u << (2 * kSampleWeightBits - 1));
  const auto byteMask = hn::Set(du, 0xFFu);
  constexpr int kWordBytes = Channels == 1 ? 4 : 8;
  const auto lastWord = hn::Set(di, byteCount - kWordBytes);
  // The words at `offset`, or for a word reaching past the picture's end (only when `clamp`)
  // the word that ends there, shifted down to start at `offset`.
  const auto wordsFrom = [&](auto clamp, auto dw, auto dOffset, auto offset) {
    if constexpr (!decltype(clamp)::value) {
      return wordsAt(dw, dOffset, source.data, offset);
    } else {
      const auto clamped = hn::Min(offset, hn::Set(dOffset, byteCount - kWordBytes));
      const auto shift = hn::ShiftLeft<3>(hn::Sub(offset, clamped));
      const auto bits = [&] {
        if constexpr (sizeof(hn::TFromD<decltype(dw)>) == 4)
          return hn::BitCast(dw, shift);
        else
          return hn::BitCast(dw, hn::PromoteTo(hn::RebindToSigned<decltype(dw)>(), shift));
      }();
      return hn::Shr(wordsAt(dw, dOffset, source.data, clamped), bits);
    }
  };
  // The left pixel's word and the right pixel's at each byte offset (out-parameters: SVE
  // vectors cannot be members of a struct).
  using WordVec = hn::Vec<decltype(du)>;
  const auto fetchPair = [&](auto clamp, hn::Vec<decltype(di)> offset, WordVec& left,
                             WordVec& right) {
    if constexpr (Channels == 1) {
      left = wordsFrom(clamp, du, di, offset);
      right = hn::ShiftRight<8>(left);
    } else {
      const hn::Half<decltype(di)> dHalf;
      const hn::Repartition<uint64_t, decltype(di)> du64;
      const auto low = wordsFrom(clamp, du64, dHalf, hn::LowerHalf(dHalf, offset));
      const auto high = wordsFrom(clamp, du64, dHalf, hn::UpperHalf(dHalf, offset));
      left = hn::ConcatEven(du, hn::BitCast(du, high), hn::BitCast(du, low));
      right = hn::ConcatEven(du, hn::BitCast(du, hn::ShiftRight<24>(high)),
                             hn::BitCast(du, hn::ShiftRight<24>(low)));
    }
  };
  if (byteCount < kWordBytes) return 0;
  // One division a vector, none at all along an affine run.
  const auto unit = hn::Set(df, 1.0f);
  const auto affineReciprocal = hn::Div(unit, hn::Set(df, run.w0));
  int i = 0;
  for (; i + lanes <= run.count; i += lanes) {
    const auto x = hn::Add(hn::Set(df, static_cast<float>(i)), hn::Iota(df, 0));
    const auto reciprocal =
        run.affine ? affineReciprocal
                   : hn::Div(unit, hn::MulAdd(hn::Set(df, run.dw), x, hn::Set(df, run.w0)));
    const auto u = hn::MulAdd(hn::Set(df, run.du), x, hn::Set(df, run.u0));
    const auto v = hn::MulAdd(hn::Set(df, run.dv), x, hn::Set(df, run.v0));
    const auto sx = hn::Min(hn::Max(hn::MulSub(u, reciprocal, half), zero), maxX);
    const auto sy = hn::Min(hn::Max(hn::MulSub(v, reciprocal, half), zero), maxY);
    const auto x0 = hn::ConvertTo(di, sx), y0 = hn::ConvertTo(di, sy);
    const auto fx = hn::BitCast(
        du, hn::ConvertTo(di, hn::MulAdd(hn::Sub(sx, hn::ConvertTo(df, x0)), one, half)));
    const auto fy = hn::BitCast(
        du, hn::ConvertTo(di, hn::MulAdd(hn::Sub(sy, hn::ConvertTo(df, y0)), one, half)));
    const auto gx = hn::Sub(weightOne, fx), gy = hn::Sub(weightOne, fy);
    const auto w00 = hn::Mul(gx, gy), w01 = hn::Mul(fx, gy);
    const auto w10 = hn::Mul(gx, fy), w11 = hn::Mul(fx, fy);
    const auto dy = hn::IfThenElseZero(hn::Lt(y0, lastY), stride);
    const auto offset = hn::Add(hn::Mul(y0, stride), hn::Mul(x0, hn::Set(di, Channels)));
    const auto below = hn::Add(offset, dy);
    WordVec a = hn::Zero(du), b = a, c = a, d = a;
    // Only samples at the picture's last pixels need their words clamped.
    if (hn::AllFalse(di, hn::Gt(below, lastWord))) {
      fetchPair(std::false_type(), offset, a, b);
      fetchPair(std::false_type(), below, c, d);
    } else {
      fetchPair(std::true_type(), offset, a, b);
      fetchPair(std::true_type(), below, c, d);
    }
    // The four weights sum to 2^24, so 255 of them still fit 32 bits.
    const auto channel = [&](auto shift) {
      constexpr int kShift = decltype(shift)::value;
      const auto at = [&](auto word) { return hn::And(hn::ShiftRight<kShift>(word), byteMask); };
      const auto sum = hn::Add(hn::Add(hn::Mul(at(a), w00), hn::Mul(at(b), w01)),
                               hn::Add(hn::Mul(at(c), w10), hn::Mul(at(d), w11)));
      return hn::DemoteTo(
          d8, hn::BitCast(di, hn::ShiftRight<2 * kSampleWeightBits>(hn::Add(sum, round))));
    };
    if constexpr (Channels == 3) {
      hn::StoreInterleaved3(channel(std::integral_constant<int, 0>()),
                            channel(std::integral_constant<int, 8>()),
                            channel(std::integral_constant<int, 16>()), d8, out + 3 * i);
    } else {
      hn::StoreU(channel(std::integral_constant<int, 0>()), d8, out + i);
    }
  }
  return i;
}

int sampleInsideVector(const InsideRun& run, pixels::ConstPixelView source, uint8_t* out) {
  return source.bytesPerPixel == 3 ? sampleRun<3>(run, source, out)
                                   : sampleRun<1>(run, source, out);
}
#endif  // HWY_TARGET == HWY_SCALAR

}  // namespace kvx::transform::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace kvx::transform {

HWY_EXPORT(sampleInsideVector);

int sampleInsideRun(const InsideRun& run, pixels::ConstPixelView source, uint8_t* out) {
  // Byte offsets are 32-bit lanes; a picture of 4 bytes or less has no whole word to fetch.
  const int64_t bytes = (static_cast<int64_t>(source.height) - 1) * source.stride +
                        static_cast<int64_t>(source.width) * source.bytesPerPixel;
  if (source.stride <= 0 || bytes < 4 || bytes > std::numeric_limits<int32_t>::max()) return 0;
  return HWY_DYNAMIC_DISPATCH(sampleInsideVector)(run, source, out);
}

}  // namespace kvx::transform
#endif  // HWY_ONCE
