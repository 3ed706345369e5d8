#include "compose/placeholder_fitter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "compose/bitmap_rows.h"
#include "compose/clip_state.h"

namespace {

// A placeholder layer whose built picture is grey 90.
struct Placeholder {
  Placeholder(int width, int height) {
    layer.name = "placeholder";
    layer.width = width;
    layer.height = height;
    layer.pixels = new uint8_t[width * height * 3];
    std::memset(layer.pixels, 90, width * height * 3);
    layer.maskPixels = new uint8_t[width * height];
    layer.basePixels = layer.pixels;
    layer.baseMask = layer.maskPixels;
  }
  uint8_t at(int x, int y) const { return layer.pixels[(y * layer.width + x) * 3]; }
  ThemeLayer layer;
  FitScratch scratch;
};

std::vector<uint8_t> solid(int width, int height, uint8_t value) {
  return std::vector<uint8_t>(width * height * 3, value);
}

}  // namespace

TEST(PlaceholderFit, InsideKeepsTheBuiltPictureBelowTheScaledOne) {
  Placeholder target(200, 200);
  PlaceholderFitter fitter(&target.layer, &target.scratch);
  fitter.fitInside = 1;
  const auto picture = solid(400, 300, 200);
  ASSERT_EQ(fitter.fit(picture.data(), 400, 300, 0), 1);
  EXPECT_EQ(target.scratch.width, 200);
  EXPECT_EQ(target.scratch.height, 150);
  EXPECT_EQ(target.at(10, 10), 200);
  EXPECT_EQ(target.at(199, 149), 200);
  EXPECT_EQ(target.at(10, 150), 90) << "the bottom 50 rows keep the built picture";
  EXPECT_NE(target.layer.pixels, target.layer.basePixels);
  EXPECT_EQ(target.layer.basePixels[0], 90);
}

TEST(PlaceholderFit, CoverScalesByTheLargerRatioOverBlack) {
  Placeholder target(200, 200);
  PlaceholderFitter fitter(&target.layer, &target.scratch);
  std::vector<uint8_t> picture = solid(400, 100, 0);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 400; ++x) picture[(y * 400 + x) * 3] = x < 100 ? 50 : 250;
  ASSERT_EQ(fitter.fit(picture.data(), 400, 100, 0), 1);
  EXPECT_EQ(target.scratch.width, 800);
  EXPECT_EQ(target.scratch.height, 200);
  EXPECT_NEAR(target.at(50, 100), 50, 2) << "the left 200 columns come from the left quarter";
  EXPECT_NEAR(target.at(190, 100), 50, 2);
}

TEST(PlaceholderFit, ScratchIsReusedWhileTheScaledSizeStays) {
  Placeholder target(200, 150);
  PlaceholderFitter fitter(&target.layer, &target.scratch);
  const auto picture = solid(400, 300, 10);
  fitter.fit(picture.data(), 400, 300, 0);
  const uint8_t* colour = target.scratch.colour.data();
  const uint8_t* ownPixels = target.layer.pixels;
  fitter.fit(picture.data(), 400, 300, 0);
  EXPECT_EQ(target.scratch.colour.data(), colour);
  EXPECT_EQ(target.layer.pixels, ownPixels);
  const auto other = solid(100, 100, 10);
  fitter.fit(other.data(), 100, 100, 0);
  EXPECT_EQ(target.scratch.width, 200);
}

TEST(PlaceholderFit, DirectCopiesEqualSizesAndStretchesOthers) {
  Placeholder target(4, 2);
  PlaceholderFitter fitter(&target.layer, &target.scratch);
  std::vector<uint8_t> picture(4 * 2 * 3);
  for (size_t i = 0; i < picture.size(); ++i) picture[i] = uint8_t(i * 7);
  ASSERT_EQ(fitter.fit(picture.data(), 4, 2, 1), 1);
  EXPECT_EQ(std::memcmp(target.layer.pixels, picture.data(), picture.size()), 0);
  const auto big = solid(40, 5, 33);
  ASSERT_NE(fitter.fit(big.data(), 40, 5, 1), 0);
  EXPECT_EQ(target.at(3, 1), 33);
}

TEST(BitmapRows, RowsArePaddedToFourBytes) {
  EXPECT_EQ(bitmapRowBytes(4), 12u);
  EXPECT_EQ(bitmapRowBytes(5), 16u);
  EXPECT_EQ(bitmapRowBytes(321), 964u);
  EXPECT_EQ(bitmapRowBytes(0), 0u);
  EXPECT_EQ(bitmapRowBytes(1 << 30), 0u);
}

TEST(BitmapRows, UnreadableBitmapsAreRefused) {
  BITMAPINFOHEADER header{};
  header.biSize = 40;
  header.biBitCount = 24;
  header.biWidth = 4;
  header.biHeight = 4;
  EXPECT_TRUE(isReadableBitmap(&header));
  for (auto mutate : std::vector<void (*)(BITMAPINFOHEADER&)>{
           [](BITMAPINFOHEADER& h) { h.biBitCount = 32; },
           [](BITMAPINFOHEADER& h) { h.biHeight = -4; }, [](BITMAPINFOHEADER& h) { h.biWidth = 0; },
           [](BITMAPINFOHEADER& h) { h.biHeight = 0; },
           [](BITMAPINFOHEADER& h) { h.biWidth = 0x7FFFFFFF; },
           [](BITMAPINFOHEADER& h) { h.biHeight = 0x40000000; },
           [](BITMAPINFOHEADER& h) { h.biSize = 12; }}) {
    BITMAPINFOHEADER bad = header;
    mutate(bad);
    EXPECT_FALSE(isReadableBitmap(&bad));
  }
  EXPECT_FALSE(isReadableBitmap(nullptr));
}
