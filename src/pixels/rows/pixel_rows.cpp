// The row conversions, compiled once per instruction set by Highway from this one source.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "pixels/rows/pixel_rows.cpp"
#include "pixels/rows/pixel_rows.h"

#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/cache_control.h>
#include <hwy/highway.h>

#include <algorithm>
#include <cstring>

HWY_BEFORE_NAMESPACE();
namespace kvx::rows::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Bytes copied from `from` to `to` past the cache, `to` aligned to a vector; returns the count.
size_t copyPastCacheVector(const uint8_t* from, uint8_t* to, size_t bytes) {
  const hn::ScalableTag<uint8_t> d;
  const size_t lanes = hn::Lanes(d);
  size_t i = 0;
  for (; i + 4 * lanes <= bytes; i += 4 * lanes) {
    hn::Stream(hn::LoadU(d, from + i), d, to + i);
    hn::Stream(hn::LoadU(d, from + i + lanes), d, to + i + lanes);
    hn::Stream(hn::LoadU(d, from + i + 2 * lanes), d, to + i + 2 * lanes);
    hn::Stream(hn::LoadU(d, from + i + 3 * lanes), d, to + i + 3 * lanes);
  }
  hwy::FlushStream();
  return i;
}

// Each returns how many leading pixels it converted; the scalar reference does the rest.
size_t swapRedBlueVector(const uint8_t* from, uint8_t* to, size_t pixels) {
  const hn::ScalableTag<uint8_t> d;
  const size_t lanes = hn::Lanes(d);
  size_t x = 0;
  for (; x + lanes <= pixels; x += lanes) {
    hn::Vec<decltype(d)> blue, green, red;
    hn::LoadInterleaved3(d, from + 3 * x, blue, green, red);
    hn::StoreInterleaved3(red, green, blue, d, to + 3 * x);
  }
  return x;
}

size_t swapRedBlueAlphaVector(const uint8_t* from, uint8_t* to, size_t pixels) {
  const hn::ScalableTag<uint8_t> d;
  const size_t lanes = hn::Lanes(d);
  size_t x = 0;
  for (; x + lanes <= pixels; x += lanes) {
    hn::Vec<decltype(d)> blue, green, red, alpha;
    hn::LoadInterleaved4(d, from + 4 * x, blue, green, red, alpha);
    hn::StoreInterleaved4(red, green, blue, alpha, d, to + 4 * x);
  }
  return x;
}

size_t rgbaToBgrVector(const uint8_t* rgba, uint8_t* bgr, size_t pixels) {
  const hn::ScalableTag<uint8_t> d;
  const size_t lanes = hn::Lanes(d);
  size_t x = 0;
  for (; x + lanes <= pixels; x += lanes) {
    hn::Vec<decltype(d)> red, green, blue, alpha;
    hn::LoadInterleaved4(d, rgba + 4 * x, red, green, blue, alpha);
    hn::StoreInterleaved3(blue, green, red, d, bgr + 3 * x);
  }
  return x;
}

size_t bgrToRgbaVector(const uint8_t* bgr, const uint8_t* alphaFrom, uint8_t* rgba, size_t pixels) {
  const hn::ScalableTag<uint8_t> d;
  const size_t lanes = hn::Lanes(d);
  size_t x = 0;
  for (; x + lanes <= pixels; x += lanes) {
    hn::Vec<decltype(d)> blue, green, red, r, g, b, alpha;
    hn::LoadInterleaved3(d, bgr + 3 * x, blue, green, red);
    hn::LoadInterleaved4(d, alphaFrom + 4 * x, r, g, b, alpha);
    hn::StoreInterleaved4(red, green, blue, alpha, d, rgba + 4 * x);
  }
  return x;
}

}  // namespace kvx::rows::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace kvx::rows {

HWY_EXPORT(copyPastCacheVector);
HWY_EXPORT(swapRedBlueVector);
HWY_EXPORT(swapRedBlueAlphaVector);
HWY_EXPORT(rgbaToBgrVector);
HWY_EXPORT(bgrToRgbaVector);

void copyPastCache(const uint8_t* from, uint8_t* to, size_t bytes) {
  // The vector stores need an aligned destination: the head goes the ordinary way.
  const size_t head = std::min(bytes, static_cast<size_t>(-reinterpret_cast<uintptr_t>(to) % 64));
  std::memcpy(to, from, head);
  const size_t done =
      head + HWY_DYNAMIC_DISPATCH(copyPastCacheVector)(from + head, to + head, bytes - head);
  std::memcpy(to + done, from + done, bytes - done);
}

void swapRedBlue(const uint8_t* from, uint8_t* to, size_t pixels) {
  const size_t done = HWY_DYNAMIC_DISPATCH(swapRedBlueVector)(from, to, pixels);
  swapRedBlueScalar(from + 3 * done, to + 3 * done, pixels - done);
}

void swapRedBlueAlpha(const uint8_t* from, uint8_t* to, size_t pixels) {
  const size_t done = HWY_DYNAMIC_DISPATCH(swapRedBlueAlphaVector)(from, to, pixels);
  swapRedBlueAlphaScalar(from + 4 * done, to + 4 * done, pixels - done);
}

void rgbaToBgr(const uint8_t* rgba, uint8_t* bgr, size_t pixels) {
  const size_t done = HWY_DYNAMIC_DISPATCH(rgbaToBgrVector)(rgba, bgr, pixels);
  rgbaToBgrScalar(rgba + 4 * done, bgr + 3 * done, pixels - done);
}

void bgrToRgba(const uint8_t* bgr, const uint8_t* alphaFrom, uint8_t* rgba, size_t pixels) {
  const size_t done = HWY_DYNAMIC_DISPATCH(bgrToRgbaVector)(bgr, alphaFrom, rgba, pixels);
  bgrToRgbaScalar(bgr + 3 * done, alphaFrom + 4 * done, rgba + 4 * done, pixels - done);
}

void swapRedBlueScalar(const uint8_t* from, uint8_t* to, size_t pixels) {
  for (size_t i = 0; i < pixels; ++i, from += 3, to += 3) {
    const uint8_t blue = from[0], green = from[1], red = from[2];
    to[0] = red;
    to[1] = green;
    to[2] = blue;
  }
}

void swapRedBlueAlphaScalar(const uint8_t* from, uint8_t* to, size_t pixels) {
  for (size_t i = 0; i < pixels; ++i, from += 4, to += 4) {
    const uint8_t blue = from[0], green = from[1], red = from[2], alpha = from[3];
    to[0] = red;
    to[1] = green;
    to[2] = blue;
    to[3] = alpha;
  }
}

void rgbaToBgrScalar(const uint8_t* rgba, uint8_t* bgr, size_t pixels) {
  for (size_t i = 0; i < pixels; ++i, rgba += 4, bgr += 3) {
    bgr[0] = rgba[2];
    bgr[1] = rgba[1];
    bgr[2] = rgba[0];
  }
}

void bgrToRgbaScalar(const uint8_t* bgr, const uint8_t* alphaFrom, uint8_t* rgba, size_t pixels) {
  for (size_t i = 0; i < pixels; ++i, bgr += 3, alphaFrom += 4, rgba += 4) {
    rgba[0] = bgr[2];
    rgba[1] = bgr[1];
    rgba[2] = bgr[0];
    rgba[3] = alphaFrom[3];
  }
}

}  // namespace kvx::rows
#endif  // HWY_ONCE
