#include "compose/rotation_tag.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "compose/corners.h"

namespace {

double degrees(const std::optional<double>& radians) {
  return *radians / 0.017453292519444445;
}

}  // namespace

TEST(RotationTag, VariantsOfTheTag) {
  EXPECT_FALSE(parseRotationTag(""));
  EXPECT_FALSE(parseRotationTag("no tag here"));
  EXPECT_NEAR(degrees(parseRotationTag("<rotation=30>")), 30, 1e-9);
  EXPECT_NEAR(degrees(parseRotationTag("<b><rotation=30>")), 30, 1e-9);
  EXPECT_NEAR(degrees(parseRotationTag("<ROTATION=45>")), 45, 1e-9);
  EXPECT_NEAR(degrees(parseRotationTag("x <Rotation = -12.5 > y")), -12.5, 1e-9);
  EXPECT_FALSE(parseRotationTag("<rotation>"));
  EXPECT_FALSE(parseRotationTag("<rotation=30"));
  ASSERT_TRUE(parseRotationTag("<rotation=abc>"));
  EXPECT_EQ(*parseRotationTag("<rotation=abc>"), 0.0);
  EXPECT_NEAR(degrees(parseRotationTag("<rotation=10><rotation=20>")), 10, 1e-9);
  for (const char* unusable :
       {"<rotation=nan>", "<rotation=inf>", "<rotation=-inf>", "<rotation=1e400>"})
    EXPECT_FALSE(parseRotationTag(unusable)) << unusable;
}

TEST(RotationTag, CornersOfA30DegreeRotation) {
  const Corners corners = rotatedCorners(720, 576, *parseRotationTag("<rotation=30>"));
  EXPECT_EQ(corners.topLeft, (CornerPoint{0, 0}));
  EXPECT_EQ(corners.topRight, (CornerPoint{623, 359}));
  EXPECT_EQ(corners.bottomLeft, (CornerPoint{-287, 498}));
  EXPECT_EQ(corners.bottomRight, (CornerPoint{335, 858}));
  const Corners straight = rotatedCorners(720, 576, 0.0);
  EXPECT_EQ(straight.topRight, (CornerPoint{720, 0}));
  EXPECT_EQ(straight.bottomLeft, (CornerPoint{0, 576}));
  EXPECT_EQ(straight.bottomRight, (CornerPoint{720, 576}));
}

TEST(RotationTag, TransformRecordCarriesSignedUpperHalves) {
  uint8_t record[32] = {};
  const int16_t values[8] = {-5, 7, 100, -300, 0, 1, 32767, -32768};
  for (int i = 0; i < 8; ++i) {
    record[i * 4] = 0xAB;  // the lower half is ignored
    std::memcpy(record + i * 4 + 2, &values[i], 2);
  }
  const Corners corners = cornersFromRecord(record);
  EXPECT_EQ(corners.topLeft, (CornerPoint{-5, 7}));
  EXPECT_EQ(corners.topRight, (CornerPoint{100, -300}));
  EXPECT_EQ(corners.bottomLeft, (CornerPoint{0, 1}));
  EXPECT_EQ(corners.bottomRight, (CornerPoint{32767, -32768}));
}
