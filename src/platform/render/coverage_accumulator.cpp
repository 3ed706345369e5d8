#include "platform/render/coverage_accumulator.h"

#include <algorithm>
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

void fillByAccumulation(cairo_t* cr) {
  cairo_surface_t* target = cairo_get_target(cr);
  const int width = cairo_image_surface_get_width(target);
  const int height = cairo_image_surface_get_height(target);
  CoverageAccumulator accumulator(width, height);
  accumulator.addPath(cr);
  cairo_new_path(cr);
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
  if (cairo_surface_status(mask) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(mask);
    return;
  }
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
  cairo_surface_destroy(mask);
}
