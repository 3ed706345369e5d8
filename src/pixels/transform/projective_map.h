#pragma once
// The projective map that sends the unit square's corners (0,0), (1,0), (1,1), (0,1) to four
// given points, used backwards: from plane points to the square.
namespace kvx::transform {

struct Point {
  double x, y;
};

// The square's homogeneous coordinates along one plane row: at plane x they are
// u + du·x, v + dv·x, w + dw·x.
struct HomogeneousRow {
  double u, v, w, du, dv, dw;
};

class ProjectiveMap {
 public:
  // False when the corners are degenerate (collinear, or no projective map reaches them).
  bool fit(const Point corners[4]);
  // Unit-square coordinates of a plane point; false when it lies beyond the map's horizon.
  bool inverse(double x, double y, double* u, double* v) const;

  HomogeneousRow row(double y) const;
  // True when a homogeneous w belongs to a point on the square's side of the horizon.
  bool facesSquare(double w) const;

 private:
  double m_[9] = {};    // forward, row-major, m_[8] = 1
  double inv_[9] = {};  // inverse
};

}  // namespace kvx::transform
