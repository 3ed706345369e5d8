#pragma once
// What the rasterizer draws: a text layout or a vector path, in its own coordinates.
#include <cairo.h>

struct Box {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  double width() const { return x1 - x0; }
  double height() const { return y1 - y0; }
  bool empty() const { return !(x1 > x0) || !(y1 > y0); }
};

// Round joins and caps, as every outline is stroked.
inline void applyStrokeStyle(cairo_t* cr, double width) {
  cairo_set_line_width(cr, width);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
}

class Shape {
 public:
  virtual ~Shape() = default;
  // Area the drawing covers, before any stroke.
  virtual Box bounds() const = 0;
  // Paints the filled shape with the current source.
  virtual void fill(cairo_t* cr) const = 0;
  // Appends the outlines to the current path, for stroking.
  virtual void appendOutline(cairo_t* cr) const = 0;
  // Whether filling paints colours of its own (colour emoji) besides the current source.
  virtual bool paintsOwnColours() const { return false; }
  // Paints the outlines `width` wide with the current source.
  virtual void stroke(cairo_t* cr, double width) const {
    appendOutline(cr);
    applyStrokeStyle(cr, width);
    cairo_stroke(cr);
  }
};
