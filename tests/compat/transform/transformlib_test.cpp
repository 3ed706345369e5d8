#include "compat/transform/transformlib.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;
};

BufHandle makeBuffer(const Picture& picture) {
  BufHandle handle = 0;
  EXPECT_NE(buf32Alloc(&handle, 24, picture.width, picture.height, 0, nullptr), 0);
  EXPECT_NE(buf32MergeMem(handle, 0, 0, picture.pixels.data(), picture.width, picture.height), 0);
  return handle;
}

Picture readBuffer(BufHandle handle) {
  Picture picture;
  EXPECT_NE(buf32GetWHU(handle, &picture.width, &picture.height, nullptr), 0);
  picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height * 3);
  EXPECT_NE(buf32GetMem(handle, 0, 0, picture.width, picture.height, picture.pixels.data()), 0);
  return picture;
}

Picture detailed(int width, int height) {
  Picture picture{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3)};
  for (size_t i = 0; i < picture.pixels.size(); ++i)
    picture.pixels[i] = static_cast<uint8_t>(i * 53 + i / 7);
  return picture;
}

// Maps the picture onto the corners (top-left, top-right, bottom-right, bottom-left).
int mapOnto(BufHandle source, const std::vector<int32_t>& corners, BufHandle* result) {
  return q32TxAction(3, 4, corners.data(), 2, source, 0, result, 0, 0, 0, 0, 0);
}

TEST(TransformMap, OwnCornersReproduceThePicture) {
  const Picture picture = detailed(23, 14);
  const BufHandle source = makeBuffer(picture);
  BufHandle result = 0;
  ASSERT_NE(mapOnto(source, {0, 0, 23, 0, 23, 14, 0, 14}, &result), 0);
  const Picture mapped = readBuffer(result);
  EXPECT_EQ(mapped.width, 23);
  EXPECT_EQ(mapped.height, 14);
  EXPECT_EQ(mapped.pixels, picture.pixels);
  buf32Free(result);
  buf32Free(source);
}

// A quarter turn clockwise about the top-left corner moves the picture to negative x; four
// of them bring back the original.
TEST(TransformMap, FourQuarterTurnsReturnTheOriginal) {
  const Picture original = detailed(17, 10);
  BufHandle current = makeBuffer(original);
  for (int turn = 0; turn < 4; ++turn) {
    int w = 0, h = 0;
    ASSERT_NE(buf32GetWHU(current, &w, &h, nullptr), 0);
    BufHandle next = 0;
    ASSERT_NE(mapOnto(current, {0, 0, 0, w, -h, w, -h, 0}, &next), 0) << turn;
    int nw = 0, nh = 0;
    ASSERT_NE(buf32GetWHU(next, &nw, &nh, nullptr), 0);
    EXPECT_EQ(nw, h);
    EXPECT_EQ(nh, w);
    buf32Free(current);
    current = next;
  }
  EXPECT_EQ(readBuffer(current).pixels, original.pixels);
  buf32Free(current);
}

TEST(TransformMap, ResultCoversTheBoundingBoxBlackOutsideTheQuad) {
  Picture white{20, 20, std::vector<uint8_t>(20 * 20 * 3, 255)};
  const BufHandle source = makeBuffer(white);
  BufHandle result = 0;
  // A diamond: its bounding box's corners lie outside it.
  ASSERT_NE(mapOnto(source, {10, -10, 30, 10, 10, 30, -10, 10}, &result), 0);
  const Picture mapped = readBuffer(result);
  ASSERT_EQ(mapped.width, 40);
  ASSERT_EQ(mapped.height, 40);
  auto at = [&](int x, int y) { return mapped.pixels[(y * 40 + x) * 3]; };
  EXPECT_EQ(at(0, 0), 0);
  EXPECT_EQ(at(39, 39), 0);
  EXPECT_EQ(at(39, 0), 0);
  EXPECT_EQ(at(20, 20), 255);
  EXPECT_EQ(at(20, 2), 255);
  buf32Free(result);
  buf32Free(source);
}

TEST(TransformMap, PerspectiveQuadKeepsItsCornersColours) {
  Picture quadrants{16, 16, std::vector<uint8_t>(16 * 16 * 3)};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      quadrants.pixels[(y * 16 + x) * 3] = (x < 8 ? 0 : 100) + (y < 8 ? 0 : 50);
  const BufHandle source = makeBuffer(quadrants);
  BufHandle result = 0;
  ASSERT_NE(mapOnto(source, {10, 0, 50, 5, 60, 40, 0, 30}, &result), 0);
  const Picture mapped = readBuffer(result);
  auto at = [&](int x, int y) { return mapped.pixels[(y * mapped.width + x) * 3]; };
  EXPECT_EQ(at(12, 3), 0);     // near the top-left corner
  EXPECT_EQ(at(47, 7), 100);   // near the top-right corner
  EXPECT_EQ(at(56, 36), 150);  // near the bottom-right corner
  EXPECT_EQ(at(3, 28), 50);    // near the bottom-left corner
  buf32Free(result);
  buf32Free(source);
}

TEST(TransformMap, DegenerateCornersAndBadArgumentsAreRefused) {
  const BufHandle source = makeBuffer(detailed(8, 8));
  BufHandle result = 0;
  EXPECT_EQ(mapOnto(source, {0, 0, 5, 5, 10, 10, 20, 20}, &result), 0) << "all on a line";
  EXPECT_EQ(mapOnto(source, {3, 3, 3, 3, 3, 3, 3, 3}, &result), 0) << "one point";
  EXPECT_EQ(mapOnto(source, {0, 0, 10, 0, 20, 0, 0, 10}, &result), 0) << "three on a line";
  EXPECT_EQ(mapOnto(source, {INT32_MIN, 0, INT32_MAX, 0, INT32_MAX, 10, INT32_MIN, 10}, &result), 0)
      << "too wide";
  const std::vector<int32_t> square = {0, 0, 8, 0, 8, 8, 0, 8};
  EXPECT_EQ(q32TxAction(2, 4, square.data(), 2, source, 0, &result, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(q32TxAction(3, 3, square.data(), 2, source, 0, &result, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(mapOnto(0, square, &result), 0);
  buf32Free(source);
  EXPECT_EQ(mapOnto(source, square, &result), 0) << "freed handle";
  EXPECT_EQ(result, 0u);
}

}  // namespace
