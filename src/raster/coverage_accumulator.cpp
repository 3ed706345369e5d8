#include "raster/coverage_accumulator.h"

#include <algorithm>
#include <array>
#include <cmath>

CoverageAccumulator::CoverageAccumulator(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      stride_(static_cast<size_t>(width_) + 2),
      cells_(stride_ * static_cast<size_t>(height_), 0.0f) {}

void CoverageAccumulator::addLine(double x0, double y0, double x1, double y1) {
  if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) return;
  if (y0 == y1) return;
  const float direction = y0 < y1 ? 1.0f : -1.0f;
  if (y0 > y1) std::swap(x0, x1), std::swap(y0, y1);
  const double slope = (x1 - x0) / (y1 - y0);
  const int firstRow = static_cast<int>(std::floor(std::max(y0, 0.0)));
  const int endRow = static_cast<int>(std::ceil(std::min(y1, static_cast<double>(height_))));
  const double limit = width_;
  for (int y = firstRow; y < endRow; ++y) {
    const double top = std::max<double>(y, y0), bottom = std::min<double>(y + 1, y1);
    if (bottom <= top) continue;
    const float height = static_cast<float>(bottom - top) * direction;
    // The edge's extent in this row, pressed into the area: what lies left of it still winds
    // every pixel of the row, what lies right of it none.
    const double xa = std::clamp(x0 + (top - y0) * slope, 0.0, limit);
    const double xb = std::clamp(x0 + (bottom - y0) * slope, 0.0, limit);
    const double left = std::min(xa, xb), right = std::max(xa, xb);
    float* cells = rowCells(y);
    const int leftCell = static_cast<int>(std::floor(left));
    const int rightCell = static_cast<int>(std::ceil(right));
    if (rightCell <= leftCell + 1) {
      // Within one cell: the part of it right of the edge's middle is covered.
      const float middle = static_cast<float>(0.5 * (left + right) - leftCell);
      cells[leftCell] += height * (1.0f - middle);
      cells[leftCell + 1] += height * middle;
      continue;
    }
    // Across cells: the covered area grows along the edge as a ramp from `left` to `right`.
    const double inverse = 1.0 / (right - left);
    const double leftFraction = left - leftCell;
    const double firstArea = 0.5 * inverse * (1.0 - leftFraction) * (1.0 - leftFraction);
    const double rightFraction = right - rightCell + 1.0;
    const double lastArea = 0.5 * inverse * rightFraction * rightFraction;
    cells[leftCell] += height * static_cast<float>(firstArea);
    if (rightCell == leftCell + 2) {
      cells[leftCell + 1] += height * static_cast<float>(1.0 - firstArea - lastArea);
    } else {
      const double secondArea = inverse * (1.5 - leftFraction);
      cells[leftCell + 1] += height * static_cast<float>(secondArea - firstArea);
      for (int x = leftCell + 2; x < rightCell - 1; ++x)
        cells[x] += height * static_cast<float>(inverse);
      const double beforeLast = secondArea + (rightCell - leftCell - 3) * inverse;
      cells[rightCell - 1] += height * static_cast<float>(1.0 - beforeLast - lastArea);
    }
    cells[rightCell] += height * static_cast<float>(lastArea);
  }
}

void CoverageAccumulator::addPath(cairo_t* cr) {
  cairo_path_t* path = cairo_copy_path_flat(cr);
  if (path == nullptr) return;
  double startX = 0, startY = 0, lastX = 0, lastY = 0;
  bool open = false;
  const auto closeSubpath = [&] {
    if (open) addLine(lastX, lastY, startX, startY);
    open = false;
  };
  for (int i = 0; path->status == CAIRO_STATUS_SUCCESS && i < path->num_data;
       i += path->data[i].header.length) {
    const cairo_path_data_t& data = path->data[i];
    double x = 0, y = 0;
    if (data.header.type == CAIRO_PATH_MOVE_TO || data.header.type == CAIRO_PATH_LINE_TO) {
      x = path->data[i + 1].point.x;
      y = path->data[i + 1].point.y;
      cairo_user_to_device(cr, &x, &y);
    }
    switch (data.header.type) {
      case CAIRO_PATH_MOVE_TO:
        closeSubpath();
        startX = lastX = x;
        startY = lastY = y;
        open = true;
        break;
      case CAIRO_PATH_LINE_TO:
        addLine(lastX, lastY, x, y);
        lastX = x;
        lastY = y;
        break;
      case CAIRO_PATH_CLOSE_PATH:
        closeSubpath();
        lastX = startX;
        lastY = startY;
        break;
      case CAIRO_PATH_CURVE_TO:  // a flattened path has none
        break;
    }
  }
  closeSubpath();
  cairo_path_destroy(path);
}

void CoverageAccumulator::coverageRow(int y, uint8_t* out) const {
  const float* cells = cells_.data() + static_cast<size_t>(y) * stride_;
  float winding = 0;
  for (int x = 0; x < width_; ++x) {
    winding += cells[x];
    out[x] = static_cast<uint8_t>(std::min(std::fabs(winding), 1.0f) * 255.0f + 0.5f);
  }
}

namespace {

int targetWidth(cairo_t* cr) {
  return cairo_image_surface_get_width(cairo_get_target(cr));
}

int targetHeight(cairo_t* cr) {
  return cairo_image_surface_get_height(cairo_get_target(cr));
}

// Paints the source of `cr` through the accumulated coverage, in device space.
void paintCoverage(cairo_t* cr, const CoverageAccumulator& accumulator) {
  const int width = targetWidth(cr), height = targetHeight(cr);
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
  if (cairo_surface_status(mask) == CAIRO_STATUS_SUCCESS) {
    cairo_surface_flush(mask);
    uint8_t* rows = cairo_image_surface_get_data(mask);
    const int stride = cairo_image_surface_get_stride(mask);
    for (int y = 0; y < height; ++y)
      accumulator.coverageRow(y, rows + static_cast<size_t>(y) * stride);
    cairo_surface_mark_dirty(mask);
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_mask_surface(cr, mask, 0, 0);
    cairo_restore(cr);
  }
  cairo_surface_destroy(mask);
}

// The pieces of a round-joined, round-capped stroke as polygons that never overlap at the
// stroke's border: a band along every segment, a wedge filling the gap on the outer side of a
// turn, a half disc at each open end. Built in user space, added in device space, each turned
// the same way so that where they do overlap, inside the stroke, they add up.
class StrokeBuilder {
 public:
  StrokeBuilder(cairo_t* cr, CoverageAccumulator* accumulator, double width)
      : cr_(cr), accumulator_(accumulator), radius_(width / 2) {}

  void band(double x0, double y0, double dx, double dy, double length) {
    const double nx = -dy * radius_, ny = dx * radius_;
    const double x1 = x0 + dx * length, y1 = y0 + dy * length;
    polygon({{x0 - nx, y0 - ny}, {x1 - nx, y1 - ny}, {x1 + nx, y1 + ny}, {x0 + nx, y0 + ny}});
  }

  // The round join at (x, y) between directions (ax, ay) and (bx, by), both of unit length.
  void join(double x, double y, double ax, double ay, double bx, double by) {
    const double cross = ax * by - ay * bx;
    const double side = cross > 0 ? -1 : 1;  // the gap lies away from the turn
    const double from = std::atan2(side * ax, -side * ay);
    double sweep = std::atan2(side * bx, -side * by) - from;
    if (sweep > M_PI) sweep -= 2 * M_PI;
    if (sweep < -M_PI) sweep += 2 * M_PI;
    arc(x, y, from, sweep, true);
  }

  // The round cap at an end (x, y) of a subpath: a half disc toward (dx, dy), the direction
  // that leaves the subpath there.
  void cap(double x, double y, double dx, double dy) {
    arc(x, y, std::atan2(dx, -dy), -M_PI, false);
  }

 private:
  // A fan around (x, y) from angle `from` over `sweep`, closed through the centre or not.
  void arc(double x, double y, double from, double sweep, bool throughCentre) {
    const int steps = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (M_PI / 12))));
    std::vector<std::array<double, 2>> points;
    if (throughCentre) points.push_back({x, y});
    for (int i = 0; i <= steps; ++i) {
      const double angle = from + sweep * i / steps;
      points.push_back({x + radius_ * std::cos(angle), y + radius_ * std::sin(angle)});
    }
    polygon(points);
  }

  void polygon(std::vector<std::array<double, 2>> points) {
    double area = 0;
    for (auto& point : points) cairo_user_to_device(cr_, &point[0], &point[1]);
    for (size_t i = 0; i < points.size(); ++i) {
      const auto& a = points[i];
      const auto& b = points[(i + 1) % points.size()];
      area += a[0] * b[1] - b[0] * a[1];
    }
    if (area < 0) std::reverse(points.begin(), points.end());
    for (size_t i = 0; i < points.size(); ++i) {
      const auto& a = points[i];
      const auto& b = points[(i + 1) % points.size()];
      accumulator_->addLine(a[0], a[1], b[0], b[1]);
    }
  }

  cairo_t* cr_;
  CoverageAccumulator* accumulator_;
  double radius_;
};

}  // namespace

void fillByAccumulation(cairo_t* cr) {
  CoverageAccumulator accumulator(targetWidth(cr), targetHeight(cr));
  accumulator.addPath(cr);
  cairo_new_path(cr);
  paintCoverage(cr, accumulator);
}

void strokeByAccumulation(cairo_t* cr, double width) {
  CoverageAccumulator accumulator(targetWidth(cr), targetHeight(cr));
  StrokeBuilder stroke(cr, &accumulator, width);
  cairo_path_t* path = cairo_copy_path_flat(cr);
  cairo_new_path(cr);
  if (path == nullptr) return;
  // Points closer than this to the last one are passed over: the flattened path's fixed-point
  // coordinates would otherwise turn tiny segments every which way.
  const double minimumStep = std::max(0.25, width / 8);
  struct Subpath {
    double startX = 0, startY = 0, lastX = 0, lastY = 0;
    double firstDx = 0, firstDy = 0, dx = 0, dy = 0;
    bool hasSegment = false;
  } sub;
  const auto lineTo = [&](double x, double y, bool force) {
    const double length = std::hypot(x - sub.lastX, y - sub.lastY);
    if (length == 0 || (length < minimumStep && !force)) return;
    const double dx = (x - sub.lastX) / length, dy = (y - sub.lastY) / length;
    if (sub.hasSegment) {
      stroke.join(sub.lastX, sub.lastY, sub.dx, sub.dy, dx, dy);
    } else {
      sub.firstDx = dx, sub.firstDy = dy;
    }
    stroke.band(sub.lastX, sub.lastY, dx, dy, length);
    sub.dx = dx, sub.dy = dy, sub.hasSegment = true;
    sub.lastX = x, sub.lastY = y;
  };
  const auto endOpenSubpath = [&] {
    if (!sub.hasSegment) return;
    stroke.cap(sub.lastX, sub.lastY, sub.dx, sub.dy);
    stroke.cap(sub.startX, sub.startY, -sub.firstDx, -sub.firstDy);
    sub.hasSegment = false;
  };
  for (int i = 0; path->status == CAIRO_STATUS_SUCCESS && i < path->num_data;
       i += path->data[i].header.length) {
    const cairo_path_data_t& data = path->data[i];
    switch (data.header.type) {
      case CAIRO_PATH_MOVE_TO:
        endOpenSubpath();
        sub = Subpath{};
        sub.startX = sub.lastX = data.header.length > 1 ? path->data[i + 1].point.x : 0;
        sub.startY = sub.lastY = data.header.length > 1 ? path->data[i + 1].point.y : 0;
        break;
      case CAIRO_PATH_LINE_TO:
        lineTo(path->data[i + 1].point.x, path->data[i + 1].point.y, false);
        break;
      case CAIRO_PATH_CLOSE_PATH:
        if (sub.hasSegment) {
          lineTo(sub.startX, sub.startY, true);
          stroke.join(sub.startX, sub.startY, sub.dx, sub.dy, sub.firstDx, sub.firstDy);
        }
        sub.hasSegment = false;
        break;
      case CAIRO_PATH_CURVE_TO:  // a flattened path has none
        break;
    }
  }
  endOpenSubpath();
  cairo_path_destroy(path);
  paintCoverage(cr, accumulator);
}
