// Compiled once per instruction set by Highway from this one source; the vector rows round as
// the scalar ones do, so both give the same bytes.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "pixels/resize/halve.cpp"
#include "pixels/resize/halve.h"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>

#include "pixels/bands/band_pool.h"

HWY_BEFORE_NAMESPACE();
namespace kvx::resize::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Returns how many output pixels it wrote.
int halveRowVector(const uint8_t* top, const uint8_t* bottom, int sourceWidth, bool halveX,
                   uint8_t* out) {
#if HWY_TARGET == HWY_SCALAR
  (void)top, (void)bottom, (void)sourceWidth, (void)halveX, (void)out;
  return 0;
#else
  const hn::ScalableTag<uint8_t> d8;
  const int lanes = static_cast<int>(hn::Lanes(d8));
  if (!halveX) {
    // (a + b + 1) / 2 on every byte, as the scalar sum of four rounds, without the carry out of
    // the byte (Highway's SVE AverageRound loses it): (a | b) − ((a ^ b) >> 1).
    const int bytes = sourceWidth * 3;
    int i = 0;
    for (; i + lanes <= bytes; i += lanes) {
      const auto a = hn::LoadU(d8, top + i), b = hn::LoadU(d8, bottom + i);
      hn::StoreU(hn::Sub(hn::Or(a, b), hn::ShiftRight<1>(hn::Xor(a, b))), d8, out + i);
    }
    return i / 3;
  }
  const hn::Repartition<uint16_t, decltype(d8)> d16;
  const auto low = hn::Set(d16, 0xFF), two = hn::Set(d16, 2);
  // Each 16-bit lane holds a pixel pair's values of one channel: their sum.
  const auto pairSum = [&](auto bytes) {
    const auto words = hn::BitCast(d16, bytes);
    return hn::Add(hn::And(words, low), hn::ShiftRight<8>(words));
  };
  // The averages of two vectors' worth of pixels, each in a 16-bit lane's low byte, packed back
  // into one vector of bytes in order.
  const auto average = [&](auto top0, auto bottom0, auto top1, auto bottom1) {
    const auto first = hn::ShiftRight<2>(hn::Add(hn::Add(pairSum(top0), pairSum(bottom0)), two));
    const auto second = hn::ShiftRight<2>(hn::Add(hn::Add(pairSum(top1), pairSum(bottom1)), two));
    return hn::ConcatEven(d8, hn::BitCast(d8, second), hn::BitCast(d8, first));
  };
  int x = 0;
  for (; x + 2 * lanes <= sourceWidth; x += 2 * lanes) {
    hn::Vec<decltype(d8)> r0, g0, b0, r1, g1, b1, r2, g2, b2, r3, g3, b3;
    hn::LoadInterleaved3(d8, top + x * 3, r0, g0, b0);
    hn::LoadInterleaved3(d8, bottom + x * 3, r1, g1, b1);
    hn::LoadInterleaved3(d8, top + (x + lanes) * 3, r2, g2, b2);
    hn::LoadInterleaved3(d8, bottom + (x + lanes) * 3, r3, g3, b3);
    hn::StoreInterleaved3(average(r0, r1, r2, r3), average(g0, g1, g2, g3), average(b0, b1, b2, b3),
                          d8, out + x / 2 * 3);
  }
  return x / 2;
#endif
}

}  // namespace kvx::resize::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace kvx::resize {
namespace {

// Output pixels [from, width) of one row from the rows `top` and `bottom` (the same row when
// only x is halved).
void halveRowScalar(const uint8_t* top, const uint8_t* bottom, int sourceWidth, bool halveX,
                    int from, int width, uint8_t* out) {
  for (int x = from; x < width; ++x) {
    const int left = halveX ? 2 * x : x;
    const int right = halveX ? std::min(2 * x + 1, sourceWidth - 1) : x;
    for (int c = 0; c < 3; ++c) {
      const int sum =
          top[left * 3 + c] + top[right * 3 + c] + bottom[left * 3 + c] + bottom[right * 3 + c];
      out[x * 3 + c] = static_cast<uint8_t>((sum + 2) >> 2);
    }
  }
}

}  // namespace

HWY_EXPORT(halveRowVector);

namespace {

void halveRows(pixels::ConstPixelView source, bool halveX, bool halveY, pixels::PixelView target,
               bool vectors) {
  for (int y = 0; y < target.height; ++y) {
    const uint8_t* top = source.row(halveY ? 2 * y : y);
    const uint8_t* bottom = halveY ? source.row(std::min(2 * y + 1, source.height - 1)) : top;
    const int done = vectors ? HWY_DYNAMIC_DISPATCH(halveRowVector)(top, bottom, source.width,
                                                                    halveX, target.row(y))
                             : 0;
    halveRowScalar(top, bottom, source.width, halveX, done, target.width, target.row(y));
  }
}

}  // namespace

void halvePicture(pixels::ConstPixelView source, bool halveX, bool halveY,
                  pixels::PixelView target) {
  // Each output row reads its own one or two source rows: bands of rows go to the band threads.
  constexpr int kBandRows = 32;
  auto band = [&](int first, int end) {
    const int from = halveY ? 2 * first : first;
    halveRows(source.rows(from, source.height), halveX, halveY, target.rows(first, end), true);
  };
  bands::forEachRowBand(target.height, kBandRows, band);
}

void halvePictureScalar(pixels::ConstPixelView source, bool halveX, bool halveY,
                        pixels::PixelView target) {
  halveRows(source, halveX, halveY, target, false);
}

}  // namespace kvx::resize
#endif  // HWY_ONCE
