#include "raster/placement.h"

#include <cmath>

namespace {

// Rounded size of a scaled extent, at least one pixel.
double scaledExtent(double extent, double factor) {
  const double size = std::round(extent * factor);
  return size < 1 ? 1 : size;
}

}  // namespace

void effectivePercents(const Sizing& sizing, double* widthPercent, double* heightPercent) {
  double w = sizing.values[0], h = sizing.values[1];
  if (w == 0 && h == 0) w = h = 100;
  if (w == 0) w = h;
  if (h == 0) h = w;
  *widthPercent = w;
  *heightPercent = h;
}

bool resizeValid(double widthPercent, double heightPercent) {
  for (double p : {widthPercent, heightPercent}) {
    if (!std::isfinite(p) || p < 0 || p > kMaxResizePercent) return false;
  }
  return true;
}

bool stretchValid(double left, double top, double right, double bottom) {
  for (double v : {left, top, right, bottom}) {
    if (!std::isfinite(v) || std::fabs(v) > 1.0e6) return false;
  }
  return right - left >= 1 && bottom - top >= 1 && right - left <= kMaxRenderSide &&
         bottom - top <= kMaxRenderSide;
}

PlaceResult placeBox(const Box& box, const Sizing& sizing, Placement* placement) {
  *placement = Placement{};
  if (box.empty()) return PlaceResult::Empty;
  double contentWidth, contentHeight;
  Placement result;
  if (sizing.mode == Sizing::Natural) {
    // Unscaled drawings keep whole-pixel offsets, so glyphs are drawn exactly as designed.
    const double left = std::floor(box.x0), top = std::floor(box.y0);
    contentWidth = std::ceil(box.x1) - left;
    contentHeight = std::ceil(box.y1) - top;
    result.offsetX = kRenderPadding - left;
    result.offsetY = kRenderPadding - top;
  } else {
    if (sizing.mode == Sizing::Resize) {
      double widthPercent, heightPercent;
      effectivePercents(sizing, &widthPercent, &heightPercent);
      contentWidth = scaledExtent(box.width(), widthPercent / 100);
      contentHeight = scaledExtent(box.height(), heightPercent / 100);
    } else {
      contentWidth = scaledExtent(sizing.values[2] - sizing.values[0], 1);
      contentHeight = scaledExtent(sizing.values[3] - sizing.values[1], 1);
    }
    // The drawing's box maps exactly onto the whole-pixel content rectangle.
    result.scaleX = contentWidth / box.width();
    result.scaleY = contentHeight / box.height();
    result.offsetX = kRenderPadding - box.x0 * result.scaleX;
    result.offsetY = kRenderPadding - box.y0 * result.scaleY;
  }
  const double limit = kMaxRenderSide - 2 * kRenderPadding;
  if (!(contentWidth <= limit) || !(contentHeight <= limit)) return PlaceResult::TooLarge;
  result.width = static_cast<int>(contentWidth) + 2 * kRenderPadding;
  result.height = static_cast<int>(contentHeight) + 2 * kRenderPadding;
  if (int64_t{result.width} * result.height > kMaxRenderPixels) return PlaceResult::TooLarge;
  result.margins = {kRenderPadding, kRenderPadding, kRenderPadding, kRenderPadding};
  *placement = result;
  return PlaceResult::Ok;
}
