#include "compose/corner_placement.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "compose/clip_state.h"
#include "objects/theme_layer.h"
#include "pixels/pixel_buffer.h"
#include "pixels/resize/halve.h"
#include "pixels/transform/quad_map.h"

namespace {

using kvx::transform::Point;

// A bilinear sample reads the 2 × 2 pixels around its position: below this many layer pixels
// a source pixel, samples skip pixels and the picture aliases, so it is halved first.
constexpr double kHalveBelow = 0.7;

double distance(const Point& a, const Point& b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}

}  // namespace

bool placeOnCorners(const uint8_t* picture, int width, int height, const Corners& corners,
                    ThemeLayer& layer, PlacementScratch& scratch) {
  if (!picture || width <= 0 || height <= 0 || !layer.pixels || layer.width <= 0 ||
      layer.height <= 0)
    return false;
  const int32_t points[8] = {corners.topLeft.x,    corners.topLeft.y,     corners.topRight.x,
                             corners.topRight.y,   corners.bottomRight.x, corners.bottomRight.y,
                             corners.bottomLeft.x, corners.bottomLeft.y};
  const auto box = kvx::transform::placeOnCorners(points);
  // A box beyond what a 24-bit buffer can hold is refused, as when it was mapped at its size.
  if (!box || box->width <= 0 || box->height <= 0 ||
      kvx::pixels::bufferStride(24, box->width, box->height) < 0)
    return false;
  const double scaleX = static_cast<double>(layer.width) / box->width;
  const double scaleY = static_cast<double>(layer.height) / box->height;
  Point scaled[4];
  for (int i = 0; i < 4; ++i)
    scaled[i] = {(points[2 * i] - box->left) * scaleX, (points[2 * i + 1] - box->top) * scaleY};
  kvx::transform::QuadPlacement placement{{}, 0, 0, layer.width, layer.height};
  if (!placement.map.fit(scaled)) return false;

  // Layer pixels along the picture's longer top or bottom side, and left or right side.
  const double across = std::max(distance(scaled[0], scaled[1]), distance(scaled[3], scaled[2]));
  const double down = std::max(distance(scaled[0], scaled[3]), distance(scaled[1], scaled[2]));
  kvx::pixels::ConstPixelView source = kvx::pixels::packedView(picture, width, height);
  try {
    for (int level = 0;; level ^= 1) {
      const bool halveX = source.width > 1 && across < kHalveBelow * source.width;
      const bool halveY = source.height > 1 && down < kHalveBelow * source.height;
      if (!halveX && !halveY) break;
      const int halvedWidth = kvx::resize::halvedSize(source.width, halveX);
      const int halvedHeight = kvx::resize::halvedSize(source.height, halveY);
      std::vector<uint8_t>& pixels = scratch.halved[level];
      pixels.resize(static_cast<size_t>(halvedWidth) * halvedHeight * 3);
      const auto halved = kvx::pixels::packedView(pixels.data(), halvedWidth, halvedHeight);
      kvx::resize::halvePicture(source, halveX, halveY, halved);
      source = kvx::pixels::packedView<const uint8_t>(pixels.data(), halvedWidth, halvedHeight);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  kvx::transform::mapOntoQuad(placement, source,
                              kvx::pixels::packedView(layer.pixels, layer.width, layer.height),
                              kvx::transform::Edges::kSmooth);
  return true;
}
