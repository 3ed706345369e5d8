// The row-run kernel against the plain per-pixel mapping it replaced, kept here as the oracle.
#include "pixels/transform/quad_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "support/simd_targets.h"

namespace {

using kvx::pixels::ConstPixelView;
using kvx::pixels::PixelView;
using kvx::transform::ProjectiveMap;

void sampleBilinear(ConstPixelView source, double x, double y, uint8_t* out) {
  const int bpp = source.bytesPerPixel;
  x = std::clamp(x, 0.0, source.width - 1.0);
  y = std::clamp(y, 0.0, source.height - 1.0);
  const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
  const int x1 = std::min(x0 + 1, source.width - 1), y1 = std::min(y0 + 1, source.height - 1);
  const double fx = x - x0, fy = y - y0;
  const uint8_t* top = source.row(y0);
  const uint8_t* bottom = source.row(y1);
  for (int c = 0; c < bpp; ++c) {
    const double upper = top[x0 * bpp + c] + (top[x1 * bpp + c] - top[x0 * bpp + c]) * fx;
    const double lower = bottom[x0 * bpp + c] + (bottom[x1 * bpp + c] - bottom[x0 * bpp + c]) * fx;
    out[c] = static_cast<uint8_t>(upper + (lower - upper) * fy + 0.5);
  }
}

// Every target pixel centre taken back to the source; black outside the square.
void referenceMap(const ProjectiveMap& map, ConstPixelView source, int left, int top,
                  PixelView target) {
  const int bpp = source.bytesPerPixel;
  for (int y = 0; y < target.height; ++y) {
    uint8_t* row = target.row(y);
    std::fill(row, row + target.width * bpp, 0);
    for (int x = 0; x < target.width; ++x) {
      double u, v;
      if (!map.inverse(left + x + 0.5, top + y + 0.5, &u, &v)) continue;
      if (u < 0 || u > 1 || v < 0 || v > 1) continue;
      sampleBilinear(source, u * source.width - 0.5, v * source.height - 0.5, row + x * bpp);
    }
  }
}

struct Case {
  const char* name;
  int width, height, bytesPerPixel;
  int32_t points[8];  // top-left, top-right, bottom-right, bottom-left
};

// Rotations about the top-left corner as the placeholder makes them, perspective quads, a
// strong reduction, negative coordinates and a horizon close to the picture.
const Case kCases[] = {
    {"rotated 8", 192, 108, 3, {0, 0, 190, 26, 175, 133, -15, 106}},
    {"rotated 30", 72, 57, 3, {0, 0, 62, 35, 34, 85, -28, 49}},
    {"rotated -45", 64, 48, 3, {0, 0, 45, -45, 79, -11, 33, 33}},
    {"quarter turn", 40, 30, 3, {0, 0, 0, 40, -30, 40, -30, 0}},
    {"perspective", 120, 80, 3, {10, 40, 300, 0, 290, 220, 0, 180}},
    {"reduced", 640, 360, 3, {0, 12, 190, 0, 190, 131, 0, 119}},
    {"near horizon", 50, 50, 3, {0, 0, 400, 180, 400, 190, 0, 60}},
    {"mirrored", 33, 21, 3, {60, 0, 0, 0, 0, 40, 60, 40}},
    {"grey", 90, 70, 1, {5, 5, 150, -20, 170, 120, -10, 90}},
    // Samples at the picture's last bytes, which whole-word fetches must not reach past.
    {"tiny", 2, 2, 3, {0, 0, 70, 3, 68, 75, -2, 71}},
    {"tiny grey", 3, 2, 1, {0, 0, 90, 0, 90, 60, 0, 60}},
};

std::vector<uint8_t> detailed(size_t bytes) {
  std::vector<uint8_t> pixels(bytes);
  for (size_t i = 0; i < bytes; ++i) pixels[i] = static_cast<uint8_t>(i * 53 + i / 7 + (i >> 9));
  return pixels;
}

TEST(QuadMap, EveryPixelWithinOneOfThePerPixelMapping) {
  kvxtest::forEachSimdTarget([](const std::string& target) {
    for (const Case& c : kCases) {
      SCOPED_TRACE(target + " " + c.name);
      const auto placement = kvx::transform::placeOnCorners(c.points);
      ASSERT_TRUE(placement);
      const std::vector<uint8_t> picture = detailed(size_t(c.width) * c.height * c.bytesPerPixel);
      const size_t bytes = size_t(placement->width) * placement->height * c.bytesPerPixel;
      std::vector<uint8_t> fast(bytes, 77), expected(bytes, 77);
      const ConstPixelView source =
          kvx::pixels::packedView(picture.data(), c.width, c.height, c.bytesPerPixel);
      kvx::transform::mapOntoQuad(*placement, source,
                                  kvx::pixels::packedView(fast.data(), placement->width,
                                                          placement->height, c.bytesPerPixel));
      referenceMap(placement->map, source, placement->left, placement->top,
                   kvx::pixels::packedView(expected.data(), placement->width, placement->height,
                                           c.bytesPerPixel));
      int worst = 0;
      size_t inside = 0;
      for (size_t i = 0; i < bytes; ++i) {
        worst = std::max(worst, std::abs(fast[i] - expected[i]));
        inside += expected[i] != 0;
      }
      EXPECT_LE(worst, 1);
      EXPECT_GT(inside, bytes / 8) << "the quad covers a good part of its box";
    }
  });
}

// Smooth sides: a white picture lights its box by the quad's area, pixel shares included, and
// a side through the middle of a pixel column leaves that column half lit.
TEST(QuadMap, SmoothSidesLightThePixelsByTheirShareOfTheQuad) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const auto placement = kvx::transform::placeOnCorners(c.points);
    ASSERT_TRUE(placement);
    const std::vector<uint8_t> white(size_t(c.width) * c.height * c.bytesPerPixel, 255);
    std::vector<uint8_t> out(size_t(placement->width) * placement->height * c.bytesPerPixel);
    kvx::transform::mapOntoQuad(
        *placement, kvx::pixels::packedView(white.data(), c.width, c.height, c.bytesPerPixel),
        kvx::pixels::packedView(out.data(), placement->width, placement->height, c.bytesPerPixel),
        kvx::transform::Edges::kSmooth);
    double lit = 0, area = 0, perimeter = 0;
    for (uint8_t value : out) lit += value / 255.0 / c.bytesPerPixel;
    for (int i = 0; i < 4; ++i) {
      const int j = (i + 1) % 4;
      const double x0 = c.points[2 * i], y0 = c.points[2 * i + 1];
      const double x1 = c.points[2 * j], y1 = c.points[2 * j + 1];
      area += (x0 * y1 - x1 * y0) / 2;
      perimeter += std::hypot(x1 - x0, y1 - y0);
    }
    EXPECT_NEAR(lit, std::fabs(area), 0.05 * perimeter + 1);
  }

  kvx::transform::QuadPlacement half{{}, 0, 0, 5, 3};
  const kvx::transform::Point corners[4] = {{0, 0}, {4.5, 0}, {4.5, 3}, {0, 3}};
  ASSERT_TRUE(half.map.fit(corners));
  const std::vector<uint8_t> white(4 * 3, 255);
  std::vector<uint8_t> out(5 * 3, 7);
  kvx::transform::mapOntoQuad(half, kvx::pixels::packedView(white.data(), 2, 2, 3),
                              kvx::pixels::packedView(out.data(), 5, 1, 3),
                              kvx::transform::Edges::kSmooth);
  EXPECT_EQ(out, (std::vector<uint8_t>{255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
                                       128, 128, 128}));
}

TEST(QuadMap, PlacementCoversTheCornersBoxAndRefusesWhatItCannotHold) {
  const int32_t wide[8] = {INT32_MIN, 0, INT32_MAX, 0, INT32_MAX, 10, INT32_MIN, 10};
  EXPECT_FALSE(kvx::transform::placeOnCorners(wide));
  const int32_t collinear[8] = {0, 0, 10, 10, 20, 20, 0, 9};
  EXPECT_FALSE(kvx::transform::placeOnCorners(collinear));
  const int32_t box[8] = {-5, 3, 10, -2, 12, 7, 0, 9};
  const auto placement = kvx::transform::placeOnCorners(box);
  ASSERT_TRUE(placement);
  EXPECT_EQ(placement->left, -5);
  EXPECT_EQ(placement->top, -2);
  EXPECT_EQ(placement->width, 17);
  EXPECT_EQ(placement->height, 11);
}

}  // namespace
