// The quad is convex, so on each row its pixels form one run: only that run is sampled, the
// rest of the row is cleared, and only pixels near the quad's sides need the exact test of
// their centre. Square coordinates step linearly along the row; samples are taken in fixed
// point with 12-bit weights, close enough to exact bilinear to round the same within 1.
#include "pixels/transform/quad_map.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "pixels/bands/band_pool.h"
#include "pixels/transform/quad_sampler.h"

namespace kvx::transform {
namespace {

constexpr int kWeightBits = kSampleWeightBits;
constexpr uint32_t kWeightOne = 1u << kWeightBits;
constexpr int kChunk = 256;

// Sample positions of a run of pixels: integer cell and 12-bit fraction, or x = -1 outside.
struct SamplePositions {
  int32_t x[kChunk], y[kChunk];
  uint32_t fx[kChunk], fy[kChunk];
};

// A row's pixels [first, last] that may lie in the quad, and [innerFirst, innerLast] that lie in
// it for certain, a pixel away from every side: each side of the square is a half-line of plane
// x. The per-pixel test decides only between the two.
struct RowRun {
  int first, last, innerFirst, innerLast;
};

RowRun rowRun(const HomogeneousRow& h, double sign, double planeX0, int width) {
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
  const auto toPixel = [width](double x) {
    return x <= -1 ? -1 : x >= width ? width : static_cast<int>(x);
  };
  RowRun run;
  run.first = std::max(0, toPixel(std::floor(lo - planeX0) - 1));
  run.last = std::min(width - 1, toPixel(std::ceil(hi - planeX0) + 1));
  run.innerFirst = std::max(run.first, toPixel(std::ceil(lo - planeX0) + 1));
  run.innerLast = std::min(run.last, toPixel(std::floor(hi - planeX0) - 1));
  if (run.innerLast < run.innerFirst) run.innerFirst = run.last + 1, run.innerLast = run.last;
  return run;
}

void setPosition(SamplePositions& out, int i, double sx, double sy) {
  const int x0 = static_cast<int>(sx), y0 = static_cast<int>(sy);
  out.x[i] = x0;
  out.y[i] = y0;
  out.fx[i] = static_cast<uint32_t>((sx - x0) * kWeightOne + 0.5);
  out.fy[i] = static_cast<uint32_t>((sy - y0) * kWeightOne + 0.5);
}

// Near the sides: the exact test of every pixel centre. Branch-free so that the compiler can
// run it in vector lanes.
void locateNearSides(const HomogeneousRow& h, double sign, double planeX0, int count,
                     double sourceWidth, double sourceHeight, SamplePositions& out) {
  const double maxX = sourceWidth - 1, maxY = sourceHeight - 1;
  for (int i = 0; i < count; ++i) {
    const double x = planeX0 + i;
    const double w = h.w + h.dw * x;
    const double u = (h.u + h.du * x) / w, v = (h.v + h.dv * x) / w;
    const bool inside = (w * sign > 0) & (u >= 0) & (u <= 1) & (v >= 0) & (v <= 1);
    // Outside, u and v may be anything (infinite, NaN): only positions inside are converted.
    const double sx = inside ? std::min(std::max(u * sourceWidth - 0.5, 0.0), maxX) : 0.0;
    const double sy = inside ? std::min(std::max(v * sourceHeight - 0.5, 0.0), maxY) : 0.0;
    setPosition(out, i, sx, sy);
    out.x[i] = inside ? out.x[i] : -1;
  }
}

// Smooth sides: a side pixel counts the points of a 4 × 4 grid over it that lie in the quad.
constexpr int kCoverageGrid = 4;

struct CoverageRows {
  HomogeneousRow rows[kCoverageGrid];
};

CoverageRows coverageRows(const ProjectiveMap& map, double planeY) {
  CoverageRows out;
  for (int j = 0; j < kCoverageGrid; ++j)
    out.rows[j] = map.row(planeY + (j + 0.5) / kCoverageGrid - 0.5);
  return out;
}

// The pixels any point of the grid may fall in the quad, and those all its points do.
RowRun rowRunOfGrid(const CoverageRows& grid, double sign, double planeX0, int width) {
  RowRun all{width, -1, 0, width - 1};
  for (const HomogeneousRow& h : grid.rows) {
    const RowRun run = rowRun(h, sign, planeX0, width);
    if (run.last < run.first) {
      all.innerFirst = width;
      continue;
    }
    all.first = std::min(all.first, run.first);
    all.last = std::max(all.last, run.last);
    all.innerFirst = std::max(all.innerFirst, run.innerFirst);
    all.innerLast = std::min(all.innerLast, run.innerLast);
  }
  all.innerFirst = std::max(all.innerFirst, all.first);
  all.innerLast = std::min(all.innerLast, all.last);
  if (all.innerLast < all.innerFirst) all.innerFirst = all.last + 1, all.innerLast = all.last;
  return all;
}

int coverage(const CoverageRows& grid, double sign, double planeX) {
  int inside = 0;
  for (const HomogeneousRow& h : grid.rows)
    for (int i = 0; i < kCoverageGrid; ++i) {
      const double x = planeX + (i + 0.5) / kCoverageGrid - 0.5;
      const double w = h.w + h.dw * x, u = h.u + h.du * x, v = h.v + h.dv * x;
      // With w's sign made positive, inside means 0 ≤ u < w and 0 ≤ v < w: a point on a side
      // counts for one of the two sides' pixels only.
      const double sw = sign * w, su = sign * u, sv = sign * v;
      inside += (sw > 0) & (su >= 0) & (su < sw) & (sv >= 0) & (sv < sw);
    }
  return inside;
}

// Inside for certain: no test, and one reciprocal a pixel (a chunk for an affine map, whose w
// does not change along a row). Floats from the chunk's first pixel on: a position is off by
// far less than a weight step.
InsideRun insideRun(const HomogeneousRow& h, double planeX0, int count, double sourceWidth,
                    double sourceHeight) {
  return {static_cast<float>((h.u + h.du * planeX0) * sourceWidth),
          static_cast<float>(h.du * sourceWidth),
          static_cast<float>((h.v + h.dv * planeX0) * sourceHeight),
          static_cast<float>(h.dv * sourceHeight),
          static_cast<float>(h.w + h.dw * planeX0),
          static_cast<float>(h.dw),
          h.dw == 0,
          count};
}

// The scalar form of sampleInsideRun's positions, for what the vectors leave.
void locateInside(const InsideRun& run, int from, double sourceWidth, double sourceHeight,
                  SamplePositions& out) {
  const float maxX = static_cast<float>(sourceWidth - 1);
  const float maxY = static_cast<float>(sourceHeight - 1);
  for (int i = 0; i < run.count - from; ++i) {
    const float x = static_cast<float>(from + i);
    const float w = run.affine ? run.w0 : run.w0 + run.dw * x;
    const float sx = std::min(std::max((run.u0 + run.du * x) / w - 0.5f, 0.0f), maxX);
    const float sy = std::min(std::max((run.v0 + run.dv * x) / w - 0.5f, 0.0f), maxY);
    const int x0 = static_cast<int>(sx), y0 = static_cast<int>(sy);
    out.x[i] = x0;
    out.y[i] = y0;
    out.fx[i] = static_cast<uint32_t>((sx - x0) * kWeightOne + 0.5f);
    out.fy[i] = static_cast<uint32_t>((sy - y0) * kWeightOne + 0.5f);
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
    // The four weights sum to 2^24, so 255 of them still fit 32 bits.
    const uint32_t w00 = gx * gy, w01 = fx * gy, w10 = gx * fy, w11 = fx * fy;
    for (int c = 0; c < Channels; ++c)
      out[c] = static_cast<uint8_t>((a[c] * w00 + a[c + dx] * w01 + a[c + dy] * w10 +
                                     a[c + dy + dx] * w11 + (1u << (2 * kWeightBits - 1))) >>
                                    (2 * kWeightBits));
  }
}

// Pixels near the sides drawn by how much of them the quad covers: the colour at the centre,
// taken back to the square's nearest point when the centre lies outside, weighed by the share
// of the grid's points inside.
template <int Channels>
void smoothNearSides(const HomogeneousRow& h, const CoverageRows& grid, double sign, double planeX0,
                     int count, pixels::ConstPixelView source, SamplePositions& positions,
                     uint8_t* out) {
  constexpr int kFull = kCoverageGrid * kCoverageGrid;
  for (int i = 0; i < count; ++i) {
    const double x = planeX0 + i;
    const int covered = coverage(grid, sign, x);
    const double w = h.w + h.dw * x;
    if (covered == 0 || w * sign <= 0) {
      std::memset(out + i * Channels, 0, Channels);
      continue;
    }
    const double u = std::clamp((h.u + h.du * x) / w, 0.0, 1.0);
    const double v = std::clamp((h.v + h.dv * x) / w, 0.0, 1.0);
    setPosition(positions, 0, std::clamp(u * source.width - 0.5, 0.0, source.width - 1.0),
                std::clamp(v * source.height - 0.5, 0.0, source.height - 1.0));
    uint8_t* pixel = out + i * Channels;
    sample<Channels>(source, positions, 1, pixel);
    for (int c = 0; c < Channels; ++c)
      pixel[c] = static_cast<uint8_t>((pixel[c] * covered + kFull / 2) / kFull);
  }
}

// Asks for the cache lines that plane row `y` samples inside the quad, a row before they are
// needed: the samples' gathers do not set off the processor's own prefetching, and waiting on
// memory took half the map's time. The sample positions of a row lie on one line of the source.
template <int Channels>
void prefetchSourceOfRow(const ProjectiveMap& map, double sign, double planeX0, double y, int width,
                         pixels::ConstPixelView source) {
  const HomogeneousRow h = map.row(y);
  const RowRun run = rowRun(h, sign, planeX0, width);
  if (run.innerLast < run.innerFirst) return;
  const auto at = [&](int x, double* sx, double* sy) {
    const InsideRun position = insideRun(h, planeX0 + x, 1, source.width, source.height);
    *sx = std::clamp(double{position.u0} / position.w0, 0.0, source.width - 1.0);
    *sy = std::clamp(double{position.v0} / position.w0, 0.0, source.height - 1.0);
  };
  double x0, y0, x1, y1;
  at(run.innerFirst, &x0, &y0);
  at(run.innerLast, &x1, &y1);
  if (!std::isfinite(x0 + y0 + x1 + y1)) return;
  // Steps short enough to meet every line of 64 bytes and every row the line crosses.
  const int steps =
      static_cast<int>(std::max(std::fabs(x1 - x0) * Channels / 60, std::fabs(y1 - y0))) + 1;
  for (int k = 0; k <= steps; ++k) {
    const double t = static_cast<double>(k) / steps;
    const int sx = static_cast<int>(x0 + (x1 - x0) * t);
    const int sy = static_cast<int>(y0 + (y1 - y0) * t);
    const uint8_t* pixel = source.row(sy) + static_cast<ptrdiff_t>(sx) * Channels;
    __builtin_prefetch(pixel);
    if (sy + 1 < source.height) __builtin_prefetch(pixel + source.stride);
  }
}

template <int Channels>
void mapRows(const ProjectiveMap& map, pixels::ConstPixelView source, int left, int top,
             pixels::PixelView target, Edges edges) {
  SamplePositions positions;
  const double sign = map.facesSquare(1.0) ? 1.0 : -1.0;
  const double planeX0 = left + 0.5;
  const bool smooth = edges == Edges::kSmooth;
  for (int y = 0; y < target.height; ++y) {
    uint8_t* row = target.row(y);
    if (y + 1 < target.height)
      prefetchSourceOfRow<Channels>(map, sign, planeX0, top + y + 1.5, target.width, source);
    const HomogeneousRow h = map.row(top + y + 0.5);
    CoverageRows grid;
    if (smooth) grid = coverageRows(map, top + y + 0.5);
    const RowRun run = smooth ? rowRunOfGrid(grid, sign, planeX0, target.width)
                              : rowRun(h, sign, planeX0, target.width);
    if (run.last < run.first) {
      std::memset(row, 0, static_cast<size_t>(target.width) * Channels);
      continue;
    }
    std::memset(row, 0, static_cast<size_t>(run.first) * Channels);
    std::memset(row + (run.last + 1) * Channels, 0,
                static_cast<size_t>(target.width - 1 - run.last) * Channels);
    // Near the sides, pixels [from, to] in chunks.
    const auto nearSides = [&](int from, int to) {
      if (smooth) {
        if (from <= to)
          smoothNearSides<Channels>(h, grid, sign, planeX0 + from, to + 1 - from, source, positions,
                                    row + from * Channels);
        return;
      }
      for (int x = from; x <= to; x += kChunk) {
        const int count = std::min(kChunk, to + 1 - x);
        locateNearSides(h, sign, planeX0 + x, count, source.width, source.height, positions);
        sample<Channels>(source, positions, count, row + x * Channels);
      }
    };
    nearSides(run.first, run.innerFirst - 1);
    for (int x = run.innerFirst; x <= run.innerLast; x += kChunk) {
      const int count = std::min(kChunk, run.innerLast + 1 - x);
      const InsideRun inside = insideRun(h, planeX0 + x, count, source.width, source.height);
      uint8_t* out = row + x * Channels;
      const int done = sampleInsideRun(inside, source, out);
      locateInside(inside, done, source.width, source.height, positions);
      sample<Channels>(source, positions, count - done, out + done * Channels);
    }
    nearSides(run.innerLast + 1, run.last);
  }
}

}  // namespace

std::optional<QuadPlacement> placeOnCorners(const int32_t points[8]) {
  int64_t left = std::numeric_limits<int64_t>::max(), top = left;
  int64_t right = std::numeric_limits<int64_t>::min(), bottom = right;
  Point corners[4];
  for (int i = 0; i < 4; ++i) {
    const int32_t x = points[2 * i], y = points[2 * i + 1];
    corners[i] = {static_cast<double>(x), static_cast<double>(y)};
    left = std::min<int64_t>(left, x);
    right = std::max<int64_t>(right, x);
    top = std::min<int64_t>(top, y);
    bottom = std::max<int64_t>(bottom, y);
  }
  if (right - left > std::numeric_limits<int32_t>::max() ||
      bottom - top > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  QuadPlacement placement{{},
                          static_cast<int>(left),
                          static_cast<int>(top),
                          static_cast<int>(right - left),
                          static_cast<int>(bottom - top)};
  if (!placement.map.fit(corners)) return std::nullopt;
  return placement;
}

void mapOntoQuad(const QuadPlacement& placement, pixels::ConstPixelView source,
                 pixels::PixelView target, Edges edges) {
  // Rows are mapped independently: bands of them go to the band threads.
  constexpr int kBandRows = 32;
  auto band = [&](int first, int end) {
    if (source.bytesPerPixel == 3)
      mapRows<3>(placement.map, source, placement.left, placement.top + first,
                 target.rows(first, end), edges);
    else
      mapRows<1>(placement.map, source, placement.left, placement.top + first,
                 target.rows(first, end), edges);
  };
  bands::forEachRowBand(target.height, kBandRows, band);
}

}  // namespace kvx::transform
