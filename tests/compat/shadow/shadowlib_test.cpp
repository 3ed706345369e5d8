#include "compat/shadow/shadowlib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

struct Shadow {
  BufHandle mask = 0;
  int32_t rect[4] = {};
  std::vector<uint8_t> pixels;
  ~Shadow() {
    if (mask) buf32Free(mask);
  }
};

// A solid square object mask.
BufHandle objectMask(int size) {
  const uint32_t opaque = 255;
  BufHandle mask = 0;
  EXPECT_NE(buf32Alloc(&mask, 8, size, size, 1, &opaque), 0);
  return mask;
}

bool makeShadow(BufHandle mask, int x, int y, int opacity, int radius, Shadow* shadow) {
  const int32_t params[6] = {24, 0, x, y, opacity, radius};
  if (!qCreateShadow(mask, params, &shadow->mask, shadow->rect, 0, 0, 0)) return false;
  shadow->pixels.resize(static_cast<size_t>(shadow->rect[2]) * shadow->rect[3]);
  return buf32GetMem(shadow->mask, 0, 0, shadow->rect[2], shadow->rect[3], shadow->pixels.data()) !=
         0;
}

TEST(Shadow, RectangleHoldsTheWholeBlurAtTheOffset) {
  const BufHandle mask = objectMask(20);
  Shadow shadow;
  ASSERT_TRUE(makeShadow(mask, 10, 10, 100, 5, &shadow));
  EXPECT_EQ(shadow.rect[0], 5);
  EXPECT_EQ(shadow.rect[1], 5);
  EXPECT_EQ(shadow.rect[2], 30);
  EXPECT_EQ(shadow.rect[3], 30);
  const int w = shadow.rect[2];
  auto at = [&](int x, int y) { return shadow.pixels[y * w + x]; };
  EXPECT_EQ(at(15, 15), 255) << "the middle keeps full strength";
  EXPECT_GT(at(2, 15), 0) << "the blur spreads beyond the object";
  EXPECT_LT(at(2, 15), at(5, 15));
  // Nothing is cut off: the outermost rows and columns hold only the blur's faint tail.
  for (int i = 0; i < w; ++i) {
    EXPECT_LE(at(i, 0), 5);
    EXPECT_LE(at(0, i), 5);
    EXPECT_LE(at(w - 1, i), 5);
    EXPECT_LE(at(i, w - 1), 5);
  }
  buf32Free(mask);
}

TEST(Shadow, OpacityScalesAndZeroIsEmpty) {
  const BufHandle mask = objectMask(12);
  Shadow full, half, none;
  ASSERT_TRUE(makeShadow(mask, 3, 4, 100, 2, &full));
  ASSERT_TRUE(makeShadow(mask, 3, 4, 50, 2, &half));
  ASSERT_TRUE(makeShadow(mask, 3, 4, 0, 2, &none));
  EXPECT_TRUE(
      std::all_of(none.pixels.begin(), none.pixels.end(), [](uint8_t v) { return v == 0; }));
  for (size_t i = 0; i < full.pixels.size(); ++i)
    ASSERT_NEAR(half.pixels[i], full.pixels[i] / 2.0, 1.0);
  buf32Free(mask);
}

TEST(Shadow, NoBlurIsTheMaskMoved) {
  const BufHandle mask = objectMask(6);
  Shadow shadow;
  ASSERT_TRUE(makeShadow(mask, -4, 7, 100, 0, &shadow));
  EXPECT_EQ(shadow.rect[0], -4);
  EXPECT_EQ(shadow.rect[1], 7);
  EXPECT_EQ(shadow.pixels, std::vector<uint8_t>(36, 255));
  buf32Free(mask);
}

TEST(Shadow, BadArgumentsAreRefused) {
  const BufHandle mask = objectMask(4);
  BufHandle out = 0;
  int32_t rect[4] = {};
  const int32_t wrongSize[6] = {20, 0, 1, 1, 100, 2};
  EXPECT_EQ(qCreateShadow(mask, wrongSize, &out, rect, 0, 0, 0), 0);
  const int32_t params[6] = {24, 0, 1, 1, 100, 2};
  EXPECT_EQ(qCreateShadow(mask, nullptr, &out, rect, 0, 0, 0), 0);
  EXPECT_EQ(qCreateShadow(0, params, &out, rect, 0, 0, 0), 0);
  BufHandle colour = 0;
  ASSERT_NE(buf32Alloc(&colour, 24, 4, 4, 0, nullptr), 0);
  EXPECT_EQ(qCreateShadow(colour, params, &out, rect, 0, 0, 0), 0);
  buf32Free(colour);
  buf32Free(mask);
  EXPECT_EQ(qCreateShadow(mask, params, &out, rect, 0, 0, 0), 0) << "freed handle";
  EXPECT_EQ(out, 0u);
}

}  // namespace
