// q32TxAction: action 3 maps a picture onto four corner points.
#include "platform/transform/transformlib.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/buffer/buffer_table.h"
#include "platform/transform/projective_map.h"

namespace {

using kvx::pixels::PixelBuffer;

constexpr int kActionMapCorners = 3;

// Bilinear sample of the source at continuous pixel coordinates (pixel centres at integers),
// edges repeated.
void sampleBilinear(const PixelBuffer& source, double x, double y, uint8_t* out) {
  const int bpp = source.bytesPerPixel();
  x = std::clamp(x, 0.0, source.width - 1.0);
  y = std::clamp(y, 0.0, source.height - 1.0);
  const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
  const int x1 = std::min(x0 + 1, source.width - 1), y1 = std::min(y0 + 1, source.height - 1);
  const double fx = x - x0, fy = y - y0;
  const uint8_t* top = source.row(y0);
  const uint8_t* bottom = source.row(y1);
  for (int c = 0; c < bpp; ++c) {
    const double upper = top[x0 * bpp + c] + (top[x1 * bpp + c] - top[x0 * bpp + c]) * fx;
    const double lower = bottom[x0 * bpp + c] + (bottom[x1 * bpp + c] - bottom[x0 * bpp + c]) * fx;
    out[c] = static_cast<uint8_t>(upper + (lower - upper) * fy + 0.5);
  }
}

}  // namespace

int q32TxAction(int action, int pointCount, const int32_t* points, int /*mode*/, BufHandle source,
                int /*reserved1*/, BufHandle* result, int /*reserved2*/, int /*reserved3*/,
                int /*reserved4*/, int /*reserved5*/, int /*reserved6*/) {
  if (action != kActionMapCorners || pointCount != 4 || !points || !result) return 0;
  auto picture = kvx::pixels::findBuffer(source);
  if (!picture || picture->bitsPerPixel == 1) return 0;

  kvx::transform::Point corners[4];
  int64_t left = std::numeric_limits<int64_t>::max(), top = left;
  int64_t right = std::numeric_limits<int64_t>::min(), bottom = right;
  for (int i = 0; i < 4; ++i) {
    corners[i] = {static_cast<double>(points[2 * i]), static_cast<double>(points[2 * i + 1])};
    left = std::min<int64_t>(left, points[2 * i]);
    right = std::max<int64_t>(right, points[2 * i]);
    top = std::min<int64_t>(top, points[2 * i + 1]);
    bottom = std::max<int64_t>(bottom, points[2 * i + 1]);
  }
  if (right - left > std::numeric_limits<int32_t>::max() ||
      bottom - top > std::numeric_limits<int32_t>::max())
    return 0;
  kvx::transform::ProjectiveMap map;
  if (!map.fit(corners)) return 0;
  auto mapped = kvx::pixels::makeBuffer(picture->bitsPerPixel, static_cast<int>(right - left),
                                        static_cast<int>(bottom - top));
  if (!mapped) return 0;  // refused size or no memory

  // Every output pixel centre is taken back to the source square; outside it stays black.
  const int bpp = picture->bytesPerPixel();
  for (int y = 0; y < mapped->height; ++y) {
    uint8_t* row = mapped->row(y);
    const double planeY = top + y + 0.5;
    for (int x = 0; x < mapped->width; ++x) {
      double u, v;
      if (!map.inverse(left + x + 0.5, planeY, &u, &v)) continue;
      if (u < 0 || u > 1 || v < 0 || v > 1) continue;
      sampleBilinear(*picture, u * picture->width - 0.5, v * picture->height - 0.5, row + x * bpp);
    }
  }
  return kvx::pixels::handOut(std::move(mapped), result) ? 1 : 0;
}
