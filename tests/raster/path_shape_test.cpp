#include "raster/path_shape.h"

#include <gtest/gtest.h>

#include <cmath>

#include "kvxtheme/renderlib.h"
#include "raster/render_test_support.h"

using rendertest::Object;
using rendertest::Rendered;

namespace {

QzPath rectangle(double x, double y, double w, double h) {
  QzPath path;
  path.commands.push_back({QzPathCommand::Move, {x, y}});
  path.commands.push_back({QzPathCommand::Line, {x + w, y}});
  path.commands.push_back({QzPathCommand::Line, {x + w, y + h}});
  path.commands.push_back({QzPathCommand::Line, {x, y + h}});
  path.commands.push_back({QzPathCommand::Close, {}});
  return path;
}

// A circle of four cubic curves.
QzPath circle(double cx, double cy, double r) {
  const double k = 0.5523 * r;
  QzPath path;
  path.commands.push_back({QzPathCommand::Move, {cx + r, cy}});
  path.commands.push_back({QzPathCommand::Curve, {cx + r, cy + k, cx + k, cy + r, cx, cy + r}});
  path.commands.push_back({QzPathCommand::Curve, {cx - k, cy + r, cx - r, cy + k, cx - r, cy}});
  path.commands.push_back({QzPathCommand::Curve, {cx - r, cy - k, cx - k, cy - r, cx, cy - r}});
  path.commands.push_back({QzPathCommand::Curve, {cx + k, cy - r, cx + r, cy - k, cx + r, cy}});
  path.commands.push_back({QzPathCommand::Close, {}});
  return path;
}

Object pathObject(const QzPath& path) {
  Object object(qrCreatePathObject());
  EXPECT_TRUE(qrSetQzPath(object.get(), &path));
  return object;
}

}  // namespace

TEST(PathRendering, RectangleFillsItsBox) {
  Object object = pathObject(rectangle(100, 200, 40, 20));
  const QrColorRecord color = rendertest::colorRecord(0x000000FF);
  ASSERT_TRUE(qrSetColorValue(object.get(), &color));
  const Rendered r = rendertest::render(object.get());
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.width, 40);
  EXPECT_EQ(r.height, 20);
  for (uint8_t v : r.mask) ASSERT_EQ(v, 255);
  EXPECT_EQ(r.rgb[0], 0xFF);  // red, the low byte of the colour value
  EXPECT_EQ(r.rgb[2], 0x00);
}

TEST(PathRendering, CurvesAreAntiAliased) {
  Object object = pathObject(circle(0, 0, 30));
  const Rendered r = rendertest::render(object.get());
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.width, 60);
  int partial = 0;
  for (uint8_t v : r.mask) partial += (v > 0 && v < 255);
  EXPECT_GT(partial, 60);
  EXPECT_EQ(r.coverage(30, 30), 255);
  EXPECT_EQ(r.coverage(0, 0), 0);
  // Area of the circle, within a percent.
  EXPECT_NEAR(rendertest::coverageSum(r) / 255.0, 3.14159 * 900, 30);
}

TEST(PathRendering, StrokeWidensAndColoursTheOutline) {
  Object object = pathObject(rectangle(0, 0, 40, 20));
  const QrColorRecord color = rendertest::colorRecord(0x00FF0000, 255, 0x0000FF00, 400);
  ASSERT_TRUE(qrSetColorValue(object.get(), &color));
  const Rendered r = rendertest::render(object.get());
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.width, 44);
  EXPECT_EQ(r.height, 24);
  const uint8_t* edge = &r.rgb[(10 * r.width + 1) * 3];
  const uint8_t* inside = &r.rgb[(12 * r.width + 22) * 3];
  EXPECT_EQ(edge[1], 0xFF);    // stroke: green
  EXPECT_EQ(inside[2], 0xFF);  // fill: blue
  EXPECT_EQ(inside[1], 0x00);
}

TEST(PathRendering, DegeneratePathsRenderOneTransparentPixel) {
  for (const QzPath& path :
       {QzPath{}, QzPath{{{QzPathCommand::Move, {5, 5}}}},
        QzPath{{{QzPathCommand::Move, {0, 0}}, {QzPathCommand::Line, {50, 0}}}}}) {
    Object object = pathObject(path);
    const Rendered r = rendertest::render(object.get());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.width * r.height, 1);
    EXPECT_EQ(r.mask[0], 0);
  }
}

TEST(PathRendering, ResizeScalesAroundTheBox) {
  Object object = pathObject(rectangle(10, 10, 80, 40));
  const double width = 50, height = 200;
  ASSERT_TRUE(qrResizeObj(object.get(), &width, &height, nullptr));
  const Rendered r = rendertest::render(object.get());
  EXPECT_EQ(r.width, 40);
  EXPECT_EQ(r.height, 80);
}

// A path of many commands is filled and stroked by the accumulator: a circle of 4,096 short
// lines looks like the circle of four curves that Cairo draws, with and without a stroke.
TEST(PathRendering, LargePathsDrawLikeSmallOnes) {
  QzPath polygon;
  constexpr int kSides = 4096;
  static_assert(kSides > PathShape::kLargePathCommands);
  for (int i = 0; i < kSides; ++i) {
    const double angle = 2 * M_PI * i / kSides;
    polygon.commands.push_back({i == 0 ? QzPathCommand::Move : QzPathCommand::Line,
                                {40 + 30 * std::cos(angle), 40 + 30 * std::sin(angle)}});
  }
  polygon.commands.push_back({QzPathCommand::Close, {}});
  const QrColorRecord stroked = rendertest::colorRecord(0x00FF0000, 255, 0x0000FF00, 600);
  for (const QrColorRecord* color : {static_cast<const QrColorRecord*>(nullptr), &stroked}) {
    Object many = pathObject(polygon), four = pathObject(circle(40, 40, 30));
    if (color) {
      ASSERT_TRUE(qrSetColorValue(many.get(), color));
      ASSERT_TRUE(qrSetColorValue(four.get(), color));
    }
    const Rendered a = rendertest::render(many.get()), b = rendertest::render(four.get());
    ASSERT_TRUE(a.ok) << a.message;
    ASSERT_EQ(a.width, b.width);
    ASSERT_EQ(a.height, b.height);
    double mask = 0, colour = 0;
    for (size_t i = 0; i < a.mask.size(); ++i) mask += std::abs(a.mask[i] - b.mask[i]);
    for (size_t i = 0; i < a.rgb.size(); ++i) colour += std::abs(a.rgb[i] - b.rgb[i]);
    EXPECT_LT(mask / a.mask.size(), 2.0) << (color ? "stroked" : "filled");
    EXPECT_LT(colour / a.rgb.size(), 4.0) << (color ? "stroked" : "filled");
    EXPECT_EQ(a.coverage(a.width / 2, a.height / 2), 255);
  }
}

TEST(PathRendering, GoldenShape) {
  QzPath path = circle(60, 60, 50);
  // The inner rectangle runs the other way round, so the non-zero rule cuts a hole.
  path.commands.push_back({QzPathCommand::Move, {35, 45}});
  path.commands.push_back({QzPathCommand::Line, {35, 75}});
  path.commands.push_back({QzPathCommand::Line, {85, 75}});
  path.commands.push_back({QzPathCommand::Line, {85, 45}});
  path.commands.push_back({QzPathCommand::Close, {}});
  Object object = pathObject(path);
  const QrColorRecord color = rendertest::colorRecord(0x002080E0, 255, 0x00402010, 300);
  ASSERT_TRUE(qrSetColorValue(object.get(), &color));
  const Rendered r = rendertest::render(object.get());
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.coverage(r.width / 2, r.height / 2), 0);
  rendertest::expectMatchesGolden(rendertest::overWhite(r), "path");
}
