#include "compose/corner_placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "compat/resize/resizelib.h"
#include "compose/clip_state.h"
#include "pixels/transform/quad_map.h"

namespace {

// Waves of several frequencies in each channel over a checkerboard: detail to alias.
std::vector<uint8_t> detailed(int width, int height) {
  std::vector<uint8_t> picture(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) {
        double v = 128 + 60 * std::sin(x * 0.05 * (c + 1) + y * 0.03) +
                   60 * std::cos(x * y * 0.00002 * (c + 1));
        if ((x / 40 + y / 40) % 2) v *= 0.5;
        picture[(static_cast<size_t>(y) * width + x) * 3 + c] =
            static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
      }
  return picture;
}

// The picture mapped onto the corners at four times their size and shrunk to the layer with
// the resampler: close to what an exact placement shows.
std::vector<uint8_t> finePlacement(const std::vector<uint8_t>& picture, int width, int height,
                                   const Corners& c, int layerWidth, int layerHeight) {
  const int32_t points[8] = {4 * c.topLeft.x,    4 * c.topLeft.y,     4 * c.topRight.x,
                             4 * c.topRight.y,   4 * c.bottomRight.x, 4 * c.bottomRight.y,
                             4 * c.bottomLeft.x, 4 * c.bottomLeft.y};
  const auto box = kvx::transform::placeOnCorners(points);
  std::vector<uint8_t> fine(static_cast<size_t>(box->width) * box->height * 3);
  kvx::transform::mapOntoQuad(*box, kvx::pixels::packedView(picture.data(), width, height),
                              kvx::pixels::packedView(fine.data(), box->width, box->height));
  std::vector<uint8_t> shown(static_cast<size_t>(layerWidth) * layerHeight * 3);
  txMemResize(fine.data(), 3, box->width, box->height, shown.data(), layerWidth, layerHeight, 4);
  return shown;
}

double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  double squares = 0;
  for (size_t i = 0; i < a.size(); ++i) squares += (a[i] - b[i]) * (a[i] - b[i]);
  return 10 * std::log10(255.0 * 255.0 * a.size() / std::max(squares, 1.0));
}

}  // namespace

// Rotated frames shrunk into their placeholder (the picture halved first), a picture mapped
// onto a small perspective quad shown enlarged, and a field-height layer.
TEST(CornerPlacement, ShowsWhatAnExactPlacementShows) {
  struct Case {
    const char* name;
    int width, height;
    Corners corners;
    int layerWidth, layerHeight;
  };
  const double eight = 8 * 0.017453292519444445, thirty = 30 * 0.017453292519444445;
  const Case cases[] = {
      {"rotated 8", 1280, 720, rotatedCorners(1280, 720, eight), 700, 500},
      {"rotated 30", 720, 576, rotatedCorners(720, 576, thirty), 720, 576},
      {"perspective", 960, 540, {{0, 40}, {600, 0}, {0, 380}, {600, 420}}, 900, 630},
      {"field", 1280, 720, rotatedCorners(1280, 720, eight), 700, 250},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto picture = detailed(c.width, c.height);
    std::vector<uint8_t> pixels(static_cast<size_t>(c.layerWidth) * c.layerHeight * 3);
    ThemeLayer layer;
    layer.pixels = pixels.data();
    layer.width = c.layerWidth;
    layer.height = c.layerHeight;
    PlacementScratch scratch;
    const bool placed =
        placeOnCorners(picture.data(), c.width, c.height, c.corners, layer, scratch);
    layer.pixels = nullptr;
    ASSERT_TRUE(placed);
    EXPECT_GT(psnr(pixels, finePlacement(picture, c.width, c.height, c.corners, c.layerWidth,
                                         c.layerHeight)),
              40);
  }
}

TEST(CornerPlacement, RefusedCornersLeaveTheLayerAsItWas) {
  const std::vector<uint8_t> picture(64 * 48 * 3, 200);
  std::vector<uint8_t> pixels(32 * 24 * 3, 9);
  ThemeLayer layer;
  layer.pixels = pixels.data();
  layer.width = 32;
  layer.height = 24;
  PlacementScratch scratch;
  const Corners collinear{{0, 0}, {10, 10}, {20, 20}, {30, 30}};
  const Corners huge{{-30000, -30000}, {30000, -30000}, {-30000, 30000}, {30000, 30000}};
  EXPECT_FALSE(placeOnCorners(picture.data(), 64, 48, collinear, layer, scratch));
  EXPECT_FALSE(placeOnCorners(picture.data(), 64, 48, huge, layer, scratch));
  layer.pixels = nullptr;
  EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](uint8_t v) { return v == 9; }));
}
