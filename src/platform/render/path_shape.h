#pragma once
// A vector path of a path object, drawn by Cairo with the non-zero winding rule.
#include "kvxtheme/pathlib.h"
#include "platform/render/shape.h"

class PathShape : public Shape {
 public:
  explicit PathShape(const QzPath& path) : path_(path) {}

  // Tight box of the path's segments (curves by their extent, not their control points).
  Box bounds() const override;
  void fill(cairo_t* cr) const override;
  void appendOutline(cairo_t* cr) const override;

 private:
  const QzPath& path_;
};
