#include "raster/path_shape.h"

#include "raster/coverage_accumulator.h"
#include "raster/scratch_context.h"

Box PathShape::bounds() const {
  Box box;
  if (path_.commands.empty()) return box;
  ScratchContext scratch;
  if (!scratch.valid()) return box;
  appendOutline(scratch.get());
  cairo_path_extents(scratch.get(), &box.x0, &box.y0, &box.x1, &box.y1);
  return box;
}

void PathShape::fill(cairo_t* cr) const {
  appendOutline(cr);
  // Cairo's scan converter sorts crossing edges: its time grows with the square of a path's
  // crossings, and a stroke's outline crosses itself at every turn. Large paths are filled and
  // stroked in linear time instead.
  if (path_.commands.size() > kLargePathCommands) {
    fillByAccumulation(cr);
    return;
  }
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  cairo_fill(cr);
}

void PathShape::stroke(cairo_t* cr, double width) const {
  if (path_.commands.size() <= kLargePathCommands) return Shape::stroke(cr, width);
  appendOutline(cr);
  strokeByAccumulation(cr, width);
}

void PathShape::appendOutline(cairo_t* cr) const {
  for (const QzPathCommand& command : path_.commands) {
    const double* p = command.points;
    switch (command.kind) {
      case QzPathCommand::Move:
        cairo_move_to(cr, p[0], p[1]);
        break;
      case QzPathCommand::Line:
        cairo_line_to(cr, p[0], p[1]);
        break;
      case QzPathCommand::Curve:
        cairo_curve_to(cr, p[0], p[1], p[2], p[3], p[4], p[5]);
        break;
      case QzPathCommand::Close:
        cairo_close_path(cr);
        break;
    }
  }
}
