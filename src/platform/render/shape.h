#pragma once
// What the rasterizer draws: a text layout or a vector path, in its own coordinates.
#include <cairo.h>

struct Box {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  double width() const { return x1 - x0; }
  double height() const { return y1 - y0; }
  bool empty() const { return !(x1 > x0) || !(y1 > y0); }
};

class Shape {
 public:
  virtual ~Shape() = default;
  // Area the drawing covers, before any stroke.
  virtual Box bounds() const = 0;
  // Paints the filled shape with the current source.
  virtual void fill(cairo_t* cr) const = 0;
  // Appends the outlines to the current path, for stroking.
  virtual void appendOutline(cairo_t* cr) const = 0;
};
