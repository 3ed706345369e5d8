#include "pixels/transform/projective_map.h"

#include <algorithm>
#include <cmath>

namespace kvx::transform {
namespace {

double cross(const Point& o, const Point& a, const Point& b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

}  // namespace

bool ProjectiveMap::fit(const Point c[4]) {
  for (int i = 0; i < 4; ++i)
    if (!std::isfinite(c[i].x) || !std::isfinite(c[i].y)) return false;
  // Any three corners on one line leave no room for a one-to-one map of the square.
  double extent = 0;
  for (int i = 0; i < 4; ++i)
    extent = std::max({extent, std::fabs(c[i].x - c[0].x), std::fabs(c[i].y - c[0].y)});
  const double tolerance = 1e-9 * std::max(1.0, extent * extent);
  for (int skip = 0; skip < 4; ++skip) {
    const Point& a = c[(skip + 1) % 4];
    const Point& b = c[(skip + 2) % 4];
    const Point& d = c[(skip + 3) % 4];
    if (std::fabs(cross(a, b, d)) <= tolerance) return false;
  }
  const double sx = c[0].x - c[1].x + c[2].x - c[3].x;
  const double sy = c[0].y - c[1].y + c[2].y - c[3].y;
  double g = 0, h = 0;
  if (sx != 0 || sy != 0) {
    const double dx1 = c[1].x - c[2].x, dx2 = c[3].x - c[2].x;
    const double dy1 = c[1].y - c[2].y, dy2 = c[3].y - c[2].y;
    const double den = dx1 * dy2 - dx2 * dy1;
    if (den == 0) return false;
    g = (sx * dy2 - dx2 * sy) / den;
    h = (dx1 * sy - sx * dy1) / den;
  }
  const double m[9] = {c[1].x - c[0].x + g * c[1].x,
                       c[3].x - c[0].x + h * c[3].x,
                       c[0].x,
                       c[1].y - c[0].y + g * c[1].y,
                       c[3].y - c[0].y + h * c[3].y,
                       c[0].y,
                       g,
                       h,
                       1};
  const double det = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                     m[2] * (m[3] * m[7] - m[4] * m[6]);
  if (!std::isfinite(det) || std::fabs(det) <= tolerance * 1e-9) return false;
  std::copy(m, m + 9, m_);
  inv_[0] = (m[4] * m[8] - m[5] * m[7]) / det;
  inv_[1] = (m[2] * m[7] - m[1] * m[8]) / det;
  inv_[2] = (m[1] * m[5] - m[2] * m[4]) / det;
  inv_[3] = (m[5] * m[6] - m[3] * m[8]) / det;
  inv_[4] = (m[0] * m[8] - m[2] * m[6]) / det;
  inv_[5] = (m[2] * m[3] - m[0] * m[5]) / det;
  inv_[6] = (m[3] * m[7] - m[4] * m[6]) / det;
  inv_[7] = (m[1] * m[6] - m[0] * m[7]) / det;
  inv_[8] = (m[0] * m[4] - m[1] * m[3]) / det;
  return true;
}

bool ProjectiveMap::inverse(double x, double y, double* u, double* v) const {
  const HomogeneousRow h = row(y);
  const double w = h.w + h.dw * x;
  if (w == 0 || !facesSquare(w)) return false;
  *u = (h.u + h.du * x) / w;
  *v = (h.v + h.dv * x) / w;
  return true;
}

HomogeneousRow ProjectiveMap::row(double y) const {
  return {inv_[1] * y + inv_[2],
          inv_[4] * y + inv_[5],
          inv_[7] * y + inv_[8],
          inv_[0],
          inv_[3],
          inv_[6]};
}

bool ProjectiveMap::facesSquare(double w) const {
  // Points of the square have w of the same sign as the inverse gives the square's centre.
  const double centerW = 1.0 / (m_[6] * 0.5 + m_[7] * 0.5 + 1);
  return (w > 0) == (centerW > 0);
}

}  // namespace kvx::transform
