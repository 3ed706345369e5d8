// The quad is convex, so on each row its pixels form one run: only that run is sampled, the
// rest of the row is cleared. Square coordinates step linearly along the row; samples are
// taken in fixed point with 12-bit weights, close enough to exact bilinear to round the same
// within 1.
#include "platform/transform/quad_map.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace kvx::transform {
namespace {

constexpr int kWeightBits = 12;
constexpr uint32_t kWeightOne = 1u << kWeightBits;
constexpr int kChunk = 256;

// Sample positions of a run of pixels: integer cell and 12-bit fraction, or x = -1 outside.
struct SamplePositions {
  int32_t x[kChunk], y[kChunk];
  uint32_t fx[kChunk], fy[kChunk];
};

// The run of row pixels [first, last] that may lie in the quad: each side of the square is a
// half-line of plane x. Widened by a pixel each side; the per-pixel test decides.
void candidateRun(const HomogeneousRow& h, double sign, double planeX0, int width, int* first,
                  int* last) {
  // Constraints p + q·x ≥ 0 in plane x, for w, u, w − u, v, w − v (all times the sign of w).
  const double p[5] = {h.w, h.u, h.w - h.u, h.v, h.w - h.v};
  const double q[5] = {h.dw, h.du, h.dw - h.du, h.dv, h.dw - h.dv};
  double lo = -std::numeric_limits<double>::infinity();
  double hi = std::numeric_limits<double>::infinity();
  for (int i = 0; i < 5; ++i) {
    const double pi = sign * p[i], qi = sign * q[i];
    if (qi > 0)
      lo = std::max(lo, -pi / qi);
    else if (qi < 0)
      hi = std::min(hi, -pi / qi);
    else if (pi < 0)
      lo = std::numeric_limits<double>::infinity();
  }
  const double from = std::floor(lo - planeX0) - 1, to = std::ceil(hi - planeX0) + 1;
  *first = from <= 0 ? 0 : from >= width ? width : static_cast<int>(from);
  *last = to < 0 ? -1 : to >= width - 1 ? width - 1 : static_cast<int>(to);
}

// Branch-free so that the compiler can run it in vector lanes.
void locate(const HomogeneousRow& h, double sign, double planeX0, int count, double sourceWidth,
            double sourceHeight, SamplePositions& out) {
  const double maxX = sourceWidth - 1, maxY = sourceHeight - 1;
  for (int i = 0; i < count; ++i) {
    const double x = planeX0 + i;
    const double w = h.w + h.dw * x;
    const double u = (h.u + h.du * x) / w, v = (h.v + h.dv * x) / w;
    const bool inside = (w * sign > 0) & (u >= 0) & (u <= 1) & (v >= 0) & (v <= 1);
    // Outside, u and v may be anything (infinite, NaN): only positions inside are converted.
    const double sx = inside ? std::min(std::max(u * sourceWidth - 0.5, 0.0), maxX) : 0.0;
    const double sy = inside ? std::min(std::max(v * sourceHeight - 0.5, 0.0), maxY) : 0.0;
    const int x0 = static_cast<int>(sx), y0 = static_cast<int>(sy);
    out.x[i] = inside ? x0 : -1;
    out.y[i] = y0;
    out.fx[i] = static_cast<uint32_t>((sx - x0) * kWeightOne + 0.5);
    out.fy[i] = static_cast<uint32_t>((sy - y0) * kWeightOne + 0.5);
  }
}

template <int Channels>
void sample(pixels::ConstPixelView source, const SamplePositions& at, int count, uint8_t* out) {
  const int lastX = source.width - 1, lastY = source.height - 1;
  for (int i = 0; i < count; ++i, out += Channels) {
    const int x0 = at.x[i];
    if (x0 < 0) {
      std::memset(out, 0, Channels);
      continue;
    }
    const int y0 = at.y[i];
    const int dx = (x0 < lastX) * Channels;
    const ptrdiff_t dy = (y0 < lastY) * source.stride;
    const uint8_t* a = source.row(y0) + x0 * Channels;
    const uint32_t fx = at.fx[i], fy = at.fy[i];
    const uint32_t gx = kWeightOne - fx, gy = kWeightOne - fy;
    for (int c = 0; c < Channels; ++c) {
      const uint32_t upper = a[c] * gx + a[c + dx] * fx;
      const uint32_t lower = a[c + dy] * gx + a[c + dy + dx] * fx;
      out[c] = static_cast<uint8_t>((upper * gy + lower * fy + (1u << (2 * kWeightBits - 1))) >>
                                    (2 * kWeightBits));
    }
  }
}

template <int Channels>
void mapRows(const ProjectiveMap& map, pixels::ConstPixelView source, int left, int top,
             pixels::PixelView target) {
  SamplePositions positions;
  for (int y = 0; y < target.height; ++y) {
    uint8_t* row = target.row(y);
    const HomogeneousRow h = map.row(top + y + 0.5);
    const double planeX0 = left + 0.5;
    const double sign = map.facesSquare(1.0) ? 1.0 : -1.0;
    int first = 0, last = -1;
    candidateRun(h, sign, planeX0, target.width, &first, &last);
    if (last < first) {
      std::memset(row, 0, static_cast<size_t>(target.width) * Channels);
      continue;
    }
    std::memset(row, 0, static_cast<size_t>(first) * Channels);
    std::memset(row + (last + 1) * Channels, 0,
                static_cast<size_t>(target.width - 1 - last) * Channels);
    for (int x = first; x <= last; x += kChunk) {
      const int count = std::min(kChunk, last + 1 - x);
      locate(h, sign, planeX0 + x, count, source.width, source.height, positions);
      sample<Channels>(source, positions, count, row + x * Channels);
    }
  }
}

}  // namespace

std::optional<QuadBounds> quadBounds(const int32_t points[8]) {
  int64_t left = std::numeric_limits<int64_t>::max(), top = left;
  int64_t right = std::numeric_limits<int64_t>::min(), bottom = right;
  for (int i = 0; i < 4; ++i) {
    left = std::min<int64_t>(left, points[2 * i]);
    right = std::max<int64_t>(right, points[2 * i]);
    top = std::min<int64_t>(top, points[2 * i + 1]);
    bottom = std::max<int64_t>(bottom, points[2 * i + 1]);
  }
  if (right - left > std::numeric_limits<int32_t>::max() ||
      bottom - top > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return QuadBounds{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                    static_cast<int>(bottom - top)};
}

void mapOntoQuad(const ProjectiveMap& map, pixels::ConstPixelView source, int left, int top,
                 pixels::PixelView target) {
  if (source.bytesPerPixel == 3)
    mapRows<3>(map, source, left, top, target);
  else
    mapRows<1>(map, source, left, top, target);
}

}  // namespace kvx::transform
