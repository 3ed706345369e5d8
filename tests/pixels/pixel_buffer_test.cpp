#include "pixels/pixel_buffer.h"

#include <gtest/gtest.h>

#include <vector>

namespace kvx::pixels {
namespace {

std::vector<uint8_t> pattern(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 37 + 11);
  return bytes;
}

TEST(PixelBuffer, SizesBeyondThirtyTwoBitsOrUnknownDepthsAreRefused) {
  EXPECT_EQ(makeBuffer(24, 0, 4), nullptr);
  EXPECT_EQ(makeBuffer(16, 4, 4), nullptr);
  EXPECT_EQ(makeBuffer(24, 40000, 40000), nullptr);
  EXPECT_EQ(bufferStride(1, 9, 1), 2);
  EXPECT_NE(makeBuffer(8, 1, 1), nullptr);
}

TEST(PixelBuffer, WriteThenReadGivesTheRectangleBackAtEveryDepth) {
  for (int bits : {1, 8, 24}) {
    SCOPED_TRACE(bits);
    const SharedBuffer buffer = makeBuffer(bits, 13, 7);
    ASSERT_NE(buffer, nullptr);
    const int bpp = buffer->bytesPerPixel();
    std::vector<uint8_t> in = pattern(static_cast<size_t>(5) * 3 * bpp);
    if (bits == 1)
      for (uint8_t& value : in) value = value >= 128 ? 255 : 0;
    writeRect(*buffer, 4, 2, 5, 3, in.data());
    std::vector<uint8_t> out(in.size());
    ASSERT_TRUE(readRect(*buffer, 4, 2, 5, 3, out.data()));
    EXPECT_EQ(out, in);
    EXPECT_FALSE(readRect(*buffer, 10, 2, 5, 3, out.data())) << "reaches past the right edge";
  }
}

TEST(PixelBuffer, WritesOutsideAreClippedAndCropsKeepTheirPixels) {
  const SharedBuffer buffer = makeFilledBuffer(24, 6, 4, 0x00302010);
  const std::vector<uint8_t> in = pattern(4 * 4 * 3);
  writeRect(*buffer, -2, -1, 4, 4, in.data());  // its lower right 2 × 3 pixels land inside
  const SharedBuffer piece = cropBuffer(*buffer, -5, -5, 7, 8);
  ASSERT_NE(piece, nullptr);
  EXPECT_EQ(piece->width, 2);
  EXPECT_EQ(piece->height, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 2 * 3; ++x)
      EXPECT_EQ(piece->row(y)[x], in[(y + 1) * 4 * 3 + 2 * 3 + x]) << x << "," << y;
  EXPECT_EQ(buffer->row(3)[0], 0x10) << "below the written rows the fill stays";
  EXPECT_EQ(cropBuffer(*buffer, 6, 0, 2, 2), nullptr) << "wholly outside";

  const SharedBuffer whole = cropBuffer(*buffer, 0, 0, 6, 4);
  EXPECT_EQ(whole->data, buffer->data);
  const SharedBuffer copy = copyBuffer(*buffer);
  EXPECT_EQ(copy->data, buffer->data);
  EXPECT_NE(copy->data.data(), buffer->data.data());
}

TEST(PixelBuffer, OneBitFillLeavesThePaddingClear) {
  const SharedBuffer lit = makeFilledBuffer(1, 11, 2, 255);
  const SharedBuffer made = makeBuffer(1, 11, 2);
  const std::vector<uint8_t> on(11, 255);
  for (int y = 0; y < 2; ++y) writePackedRun(*made, 0, y, 11, on.data());
  EXPECT_EQ(lit->data, made->data);
  EXPECT_EQ(lit->row(0)[1], 0xE0);
}

}  // namespace
}  // namespace kvx::pixels
