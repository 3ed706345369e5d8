#include "raster/coverage_accumulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

#include "raster/shape.h"

namespace {

constexpr int kSize = 64;

using Picture = std::vector<uint8_t>;

Picture coverageOf(const CoverageAccumulator& accumulator) {
  Picture picture(kSize * kSize);
  for (int y = 0; y < kSize; ++y) accumulator.coverageRow(y, picture.data() + y * kSize);
  return picture;
}

// Draws with `draw` on an A8 surface of kSize × kSize and returns its pixels.
Picture drawnWith(const std::function<void(cairo_t*)>& draw) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, kSize, kSize);
  cairo_t* cr = cairo_create(surface);
  draw(cr);
  cairo_surface_flush(surface);
  Picture picture(kSize * kSize);
  const uint8_t* data = cairo_image_surface_get_data(surface);
  for (int y = 0; y < kSize; ++y)
    std::copy_n(data + y * cairo_image_surface_get_stride(surface), kSize,
                picture.data() + y * kSize);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return picture;
}

// A closed polygon through the points, in order.
void addPolygon(CoverageAccumulator& accumulator, const std::vector<std::pair<double, double>>& p) {
  for (size_t i = 0; i < p.size(); ++i) {
    const auto& [x0, y0] = p[i];
    const auto& [x1, y1] = p[(i + 1) % p.size()];
    accumulator.addLine(x0, y0, x1, y1);
  }
}

const std::vector<std::pair<double, double>> kSquare = {
    {10.25, 8}, {30.75, 8}, {30.75, 20}, {10.25, 20}};

std::vector<std::pair<double, double>> reversed(std::vector<std::pair<double, double>> points) {
  return {points.rbegin(), points.rend()};
}

TEST(CoverageAccumulator, EdgesCoverTheirExactArea) {
  CoverageAccumulator accumulator(kSize, kSize);
  addPolygon(accumulator, kSquare);
  const Picture picture = coverageOf(accumulator);
  EXPECT_EQ(picture[12 * kSize + 9], 0);
  EXPECT_EQ(picture[12 * kSize + 10], 191);  // three quarters of the pixel
  EXPECT_EQ(picture[12 * kSize + 20], 255);
  EXPECT_EQ(picture[12 * kSize + 30], 191);
  EXPECT_EQ(picture[12 * kSize + 31], 0);
  EXPECT_EQ(picture[7 * kSize + 20], 0);
  EXPECT_EQ(picture[20 * kSize + 20], 0);
}

// Non-zero winding: the direction of a path does not matter, two turns of one direction cover
// once (their shared edges add up, so edge pixels may only grow), two of opposite directions
// cancel.
TEST(CoverageAccumulator, WindingInvariants) {
  CoverageAccumulator clockwise(kSize, kSize), counter(kSize, kSize), twice(kSize, kSize),
      cancelled(kSize, kSize);
  addPolygon(clockwise, kSquare);
  addPolygon(counter, reversed(kSquare));
  addPolygon(twice, kSquare);
  addPolygon(twice, kSquare);
  addPolygon(cancelled, kSquare);
  addPolygon(cancelled, reversed(kSquare));
  const Picture once = coverageOf(clockwise), doubled = coverageOf(twice);
  EXPECT_EQ(once, coverageOf(counter));
  for (size_t i = 0; i < once.size(); ++i) {
    EXPECT_GE(doubled[i], once[i]) << i;
    if (once[i] == 0 || once[i] == 255) {
      EXPECT_EQ(doubled[i], once[i]) << i;
    }
  }
  EXPECT_EQ(coverageOf(cancelled), Picture(kSize * kSize, 0));
}

// What lies outside still winds what lies inside: a square larger than the area covers all of
// it, and slanted edges cut by the border cover as much as the part inside them.
TEST(CoverageAccumulator, ClippingKeepsTheWinding) {
  CoverageAccumulator large(kSize, kSize);
  addPolygon(large, {{-50, -40}, {200, -30}, {180, 150}, {-70, 120}});
  EXPECT_EQ(coverageOf(large), Picture(kSize * kSize, 255));
  CoverageAccumulator triangle(kSize, kSize);
  addPolygon(triangle, {{-64, 0}, {64, 0}, {-64, 128}});
  const Picture picture = coverageOf(triangle);
  double area = 0;
  for (uint8_t value : picture) area += value / 255.0;
  EXPECT_NEAR(area, kSize * kSize / 2.0, kSize * 0.02);
}

// The accumulator against Cairo's own fill on a path of many crossing curves: the same inside
// and outside, the anti-aliasing of crossing edges summed rather than measured.
TEST(CoverageAccumulator, MatchesCairoOnCrossingCurves) {
  const auto draw = [](cairo_t* cr) {
    cairo_move_to(cr, 32, 2);
    for (int i = 0; i < 60; ++i)
      cairo_curve_to(cr, (i * 37) % 64, (i * 11) % 64, (i * 23) % 64, (i * 53) % 64,
                     (i * 29) % 64 + 0.3, (i * 17) % 64 + 0.6);
    cairo_close_path(cr);
  };
  const Picture ours = drawnWith([&](cairo_t* cr) {
    draw(cr);
    fillByAccumulation(cr);
  });
  const Picture cairos = drawnWith([&](cairo_t* cr) {
    draw(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_fill(cr);
  });
  double sum = 0;
  int inside = 0;
  for (size_t i = 0; i < ours.size(); ++i) {
    sum += std::abs(ours[i] - cairos[i]);
    inside += cairos[i] == 255 && ours[i] == 255;
  }
  EXPECT_LT(sum / ours.size(), 6.0);
  EXPECT_GT(inside, kSize * kSize / 4);
}

// Strokes against Cairo's round-joined, round-capped stroke: an open zigzag, a closed
// triangle, a turn back on itself and a circle of many tiny segments.
TEST(CoverageAccumulator, StrokesMatchCairo) {
  const std::vector<std::function<void(cairo_t*)>> shapes = {
      [](cairo_t* cr) {
        cairo_move_to(cr, 10, 10);
        cairo_line_to(cr, 60, 12);
        cairo_line_to(cr, 20, 60);
        cairo_line_to(cr, 62, 55);
      },
      [](cairo_t* cr) {
        cairo_move_to(cr, 10, 10);
        cairo_line_to(cr, 60, 12);
        cairo_line_to(cr, 20, 60);
        cairo_close_path(cr);
      },
      [](cairo_t* cr) {
        cairo_move_to(cr, 30, 30);
        cairo_line_to(cr, 60, 30);
        cairo_line_to(cr, 8, 36);
      },
      [](cairo_t* cr) {
        for (int i = 0; i < 4096; ++i) {
          const double angle = 2 * M_PI * i / 4096;
          cairo_line_to(cr, 32 + 24 * std::cos(angle), 32 + 24 * std::sin(angle));
        }
        cairo_close_path(cr);
      }};
  for (size_t shape = 0; shape < shapes.size(); ++shape) {
    const Picture ours = drawnWith([&](cairo_t* cr) {
      shapes[shape](cr);
      strokeByAccumulation(cr, 7);
    });
    const Picture cairos = drawnWith([&](cairo_t* cr) {
      shapes[shape](cr);
      applyStrokeStyle(cr, 7);
      cairo_stroke(cr);
    });
    double sum = 0;
    for (size_t i = 0; i < ours.size(); ++i) sum += std::abs(ours[i] - cairos[i]);
    EXPECT_LT(sum / ours.size(), 1.0) << "shape " << shape;
  }
}

}  // namespace
