#pragma once
// A vector path of a path object, filled with the non-zero winding rule.
#include "kvxtheme/pathlib.h"
#include "raster/shape.h"

class PathShape : public Shape {
 public:
  // Paths with more commands than this are filled and stroked by CoverageAccumulator.
  static constexpr size_t kLargePathCommands = 2048;

  explicit PathShape(const QzPath& path) : path_(path) {}

  // Tight box of the path's segments (curves by their extent, not their control points).
  Box bounds() const override;
  void fill(cairo_t* cr) const override;
  void appendOutline(cairo_t* cr) const override;
  void stroke(cairo_t* cr, double width) const override;

 private:
  const QzPath& path_;
};
