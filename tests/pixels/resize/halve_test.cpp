#include "pixels/resize/halve.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/simd_targets.h"

namespace {

using kvx::resize::halvedSize;
using kvx::resize::halvePicture;
using kvx::resize::halvePictureScalar;

std::vector<uint8_t> noise(int width, int height) {
  std::vector<uint8_t> picture(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < picture.size(); ++i)
    picture[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
  return picture;
}

std::vector<uint8_t> halved(const std::vector<uint8_t>& picture, int width, int height, bool halveX,
                            bool halveY, bool scalar) {
  const int outWidth = halvedSize(width, halveX), outHeight = halvedSize(height, halveY);
  std::vector<uint8_t> out(static_cast<size_t>(outWidth) * outHeight * 3, 0xEE);
  const auto source = kvx::pixels::packedView(picture.data(), width, height);
  const auto target = kvx::pixels::packedView(out.data(), outWidth, outHeight);
  if (scalar)
    halvePictureScalar(source, halveX, halveY, target);
  else
    halvePicture(source, halveX, halveY, target);
  return out;
}

}  // namespace

// Every instruction set gives the scalar bytes, around each vector length and with odd sizes.
TEST(Halve, VectorsMatchTheScalarRows) {
  kvxtest::forEachSimdTarget([](const std::string& target) {
    for (int width : {1, 2, 3, 15, 16, 17, 31, 33, 63, 64, 65, 129, 1921})
      for (auto [halveX, halveY] : {std::pair{true, true}, {true, false}, {false, true}}) {
        const int height = 5;
        const auto picture = noise(width, height);
        ASSERT_EQ(halved(picture, width, height, halveX, halveY, false),
                  halved(picture, width, height, halveX, halveY, true))
            << target << " width " << width << " x " << halveX << " y " << halveY;
      }
  });
}

TEST(Halve, AveragesEachBlockRoundingHalvesUp) {
  // Two pixels over two: channel 0 sums to 1 + 2 + 3 + 4, channel 1 to 0 + 0 + 0 + 2.
  const std::vector<uint8_t> picture = {1, 0, 9, 2, 0, 9, 3, 0, 9, 4, 2, 9};
  EXPECT_EQ(halved(picture, 2, 2, true, true, false), (std::vector<uint8_t>{3, 1, 9}));
  EXPECT_EQ(halved(picture, 2, 2, true, false, false), (std::vector<uint8_t>{2, 0, 9, 4, 1, 9}));
  EXPECT_EQ(halved(picture, 2, 2, false, true, false), (std::vector<uint8_t>{2, 0, 9, 3, 1, 9}));
}

// The last odd column and row are averaged with themselves, so a flat picture stays flat and
// nothing is read past its end.
TEST(Halve, OddEdgesKeepTheirValue) {
  const int width = 7, height = 3;
  std::vector<uint8_t> picture(width * height * 3, 40);
  for (int y = 0; y < height; ++y) picture[(y * width + width - 1) * 3] = 200;
  for (int x = 0; x < width; ++x) picture[((height - 1) * width + x) * 3 + 1] = 100;
  const auto out = halved(picture, width, height, true, true, false);
  ASSERT_EQ(out.size(), 4u * 2 * 3);
  EXPECT_EQ(out[(0 * 4 + 3) * 3], 200);
  EXPECT_EQ(out[(1 * 4 + 0) * 3 + 1], 100);
  EXPECT_EQ(out[(0 * 4 + 0) * 3 + 2], 40);
}
