#include "pixels/rows/pixel_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/simd_targets.h"

namespace {

std::vector<uint8_t> noise(size_t count, uint32_t seed) {
  std::vector<uint8_t> data(count);
  for (auto& b : data) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(seed >> 24);
  }
  return data;
}

constexpr size_t kWidths[] = {0, 1, 15, 16, 17, 63, 64, 65, 200, 1921};

// Every instruction set gives the reference's bytes at widths around each vector length, and
// converts nothing past the row's end.
TEST(PixelRows, EveryTargetMatchesTheScalarReference) {
  kvxtest::forEachSimdTarget([](const std::string& target) {
    for (size_t width : kWidths) {
      const auto bgr = noise(3 * width, 1 + width), rgba = noise(4 * width, 2 + width);
      std::vector<uint8_t> fast(3 * width + 1, 0xA5), reference(3 * width + 1, 0xA5);
      kvx::rows::swapRedBlue(bgr.data(), fast.data(), width);
      kvx::rows::swapRedBlueScalar(bgr.data(), reference.data(), width);
      ASSERT_EQ(fast, reference) << target << " swap, width " << width;

      std::vector<uint8_t> swappedFast(4 * width + 1, 0x3C), swappedReference(4 * width + 1, 0x3C);
      kvx::rows::swapRedBlueAlpha(rgba.data(), swappedFast.data(), width);
      kvx::rows::swapRedBlueAlphaScalar(rgba.data(), swappedReference.data(), width);
      ASSERT_EQ(swappedFast, swappedReference) << target << " swap with alpha, width " << width;

      kvx::rows::rgbaToBgr(rgba.data(), fast.data(), width);
      kvx::rows::rgbaToBgrScalar(rgba.data(), reference.data(), width);
      ASSERT_EQ(fast, reference) << target << " rgba to bgr, width " << width;

      std::vector<uint8_t> fourFast(4 * width + 1, 0x5A), fourReference(4 * width + 1, 0x5A);
      kvx::rows::bgrToRgba(bgr.data(), rgba.data(), fourFast.data(), width);
      kvx::rows::bgrToRgbaScalar(bgr.data(), rgba.data(), fourReference.data(), width);
      ASSERT_EQ(fourFast, fourReference) << target << " bgr to rgba, width " << width;

      // The copy past the cache at every alignment of its destination, and nothing beyond.
      const auto bytes = noise(4 * width + 64, 3 + width);
      for (size_t offset : {0, 1, 17, 63}) {
        std::vector<uint8_t> copy(bytes.size() + 128, 0x77);
        kvx::rows::copyPastCache(bytes.data(), copy.data() + offset, bytes.size());
        ASSERT_TRUE(std::equal(bytes.begin(), bytes.end(), copy.begin() + offset))
            << target << " copy, offset " << offset;
        ASSERT_TRUE(
            std::all_of(copy.begin(), copy.begin() + offset, [](uint8_t b) { return b == 0x77; }) &&
            std::all_of(copy.begin() + offset + bytes.size(), copy.end(),
                        [](uint8_t b) { return b == 0x77; }))
            << target << " copy, offset " << offset;
      }
    }
  });
}

TEST(PixelRows, ColourFollowsTheOrderAndAlphaComesFromTheInput) {
  const std::vector<uint8_t> rgba = {10, 20, 30, 40, 200, 150, 100, 255, 0, 0, 0, 0};
  std::vector<uint8_t> bgr(9);
  kvx::rows::rgbaToBgr(rgba.data(), bgr.data(), 3);
  EXPECT_EQ(bgr, (std::vector<uint8_t>{30, 20, 10, 100, 150, 200, 0, 0, 0}));
  bgr[6] = 7;  // the effect drew blue into the last pixel
  std::vector<uint8_t> out(12, 99);
  kvx::rows::bgrToRgba(bgr.data(), rgba.data(), out.data(), 3);
  EXPECT_EQ(out, (std::vector<uint8_t>{10, 20, 30, 40, 200, 150, 100, 255, 0, 0, 7, 0}));
  std::vector<uint8_t> rgb(9);
  kvx::rows::swapRedBlue(bgr.data(), rgb.data(), 3);
  EXPECT_EQ(rgb, (std::vector<uint8_t>{10, 20, 30, 200, 150, 100, 0, 0, 7}));
  std::vector<uint8_t> bgra(12);
  kvx::rows::swapRedBlueAlpha(rgba.data(), bgra.data(), 3);
  EXPECT_EQ(bgra, (std::vector<uint8_t>{30, 20, 10, 40, 100, 150, 200, 255, 0, 0, 0, 0}));
}

// Swapping in place twice, or converting to R, G, B, A and back, restores the row.
TEST(PixelRows, RoundTripsRestoreTheRow) {
  for (size_t width : kWidths) {
    const auto original = noise(3 * width, 7 + width);
    auto row = original;
    kvx::rows::swapRedBlue(row.data(), row.data(), width);
    if (width > 0) {
      EXPECT_EQ(row[0], original[2]);
    }
    kvx::rows::swapRedBlue(row.data(), row.data(), width);
    EXPECT_EQ(row, original) << width;

    const auto alpha = noise(4 * width, 9);
    std::vector<uint8_t> rgba(4 * width), back(3 * width);
    kvx::rows::bgrToRgba(original.data(), alpha.data(), rgba.data(), width);
    for (size_t i = 0; i < width; ++i) ASSERT_EQ(rgba[4 * i + 3], alpha[4 * i + 3]);
    kvx::rows::rgbaToBgr(rgba.data(), back.data(), width);
    EXPECT_EQ(back, original) << width;
  }
}

}  // namespace
