#pragma once
// Filling a path by accumulating signed area: every edge adds, in each row it crosses, the
// area it covers to the cells it passes; a running sum along the row then gives each pixel's
// winding coverage. The work is linear in the edges' lengths, with no sorting of edges, so a
// path whose edges cross each other a million times costs no more than one whose edges do not.
// Non-zero winding, anti-aliased by exact area; overlapping edges of one direction clamp to full
// coverage.
#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <vector>

class CoverageAccumulator {
 public:
  CoverageAccumulator(int width, int height);

  // A straight edge in pixel coordinates; anything outside the area is clipped, keeping the
  // winding it causes inside.
  void addLine(double x0, double y0, double x1, double y1);
  // Every segment of the current path of `cr` (flattened, each subpath closed) in device space.
  void addPath(cairo_t* cr);

  // Coverage of row `y`, 0 to 255, into `out` (width bytes).
  void coverageRow(int y, uint8_t* out) const;

 private:
  float* rowCells(int y) { return cells_.data() + static_cast<size_t>(y) * stride_; }

  int width_;
  int height_;
  size_t stride_;  // width + 2: the cells right of a row's last pixel take what lies beyond it
  std::vector<float> cells_;
};

// Fills the current path of `cr` with its source through the accumulator: the same result as
// cairo_fill with the non-zero rule but for the anti-aliasing of crossing edges. Clears the path.
void fillByAccumulation(cairo_t* cr);
// Strokes the current path of `cr` `width` wide with round joins and caps, as the union of a band
// along every flattened segment, a wedge on the outside of every turn and a half disc at every
// open end. Clears the path.
void strokeByAccumulation(cairo_t* cr, double width);
