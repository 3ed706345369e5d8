#include "rgba_frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace kvxfrei0r {
namespace {

TEST(RgbaFrameTest, ColourRoundTripsAndAlphaComesFromTheInput) {
  std::vector<uint8_t> rgba = {10, 20, 30, 40, 200, 150, 100, 255, 0, 0, 0, 0};
  std::vector<uint8_t> bgr(9);
  rgbaToBgr(reinterpret_cast<const uint32_t*>(rgba.data()), 3, bgr.data());
  EXPECT_EQ(bgr, (std::vector<uint8_t>{30, 20, 10, 100, 150, 200, 0, 0, 0}));
  bgr[6] = 7;  // the effect drew blue into the last pixel
  std::vector<uint8_t> out(12, 99);
  bgrToRgba(bgr.data(), reinterpret_cast<const uint32_t*>(rgba.data()), 3,
            reinterpret_cast<uint32_t*>(out.data()));
  EXPECT_EQ(out, (std::vector<uint8_t>{10, 20, 30, 40, 200, 150, 100, 255, 0, 0, 7, 0}));
}

}  // namespace
}  // namespace kvxfrei0r
