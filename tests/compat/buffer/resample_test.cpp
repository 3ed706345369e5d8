#include <gtest/gtest.h>

#include <vector>

#include "kvxtheme/bufferlib.h"

namespace {

TEST(BufferResample, ScalesEveryDepthToTheRequestedSize) {
  const uint32_t colour = 0x204060;
  for (int bits : {1, 8, 24}) {
    BufHandle source = 0, scaled = 0;
    ASSERT_NE(buf32Alloc(&source, bits, 31, 17, 1, &colour), 0);
    const int32_t size[2] = {70, 9};
    ASSERT_NE(q32BufferResample(size, source, &scaled, 0), 0) << bits;
    int w = 0, h = 0, bpp = 0;
    ASSERT_NE(buf32GetWHU(scaled, &w, &h, &bpp), 0);
    EXPECT_EQ(w, 70);
    EXPECT_EQ(h, 9);
    // A flat picture stays flat whatever the filter.
    std::vector<uint8_t> pixels(70 * 9 * bpp), first(bpp);
    ASSERT_NE(buf32GetMem(scaled, 0, 0, 70, 9, pixels.data()), 0);
    ASSERT_NE(buf32GetMem(source, 0, 0, 1, 1, first.data()), 0);
    for (size_t i = 0; i < pixels.size(); ++i) ASSERT_EQ(pixels[i], first[i % bpp]) << bits;
    buf32Free(source);
    buf32Free(scaled);
  }
}

TEST(MemResample, SameSizeIsIdentityAndBadRectanglesAreRefused) {
  std::vector<uint8_t> source(9 * 4 * 3), destination(9 * 4 * 3, 0);
  for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 37);
  const Rect32 rect{0, 0, 9, 4};
  ASSERT_NE(mem32Resample(destination.data(), rect, source.data(), rect, 10000, 3, 4), 0);
  EXPECT_EQ(destination, source);
  const Rect32 inverted{5, 0, 2, 4};
  EXPECT_EQ(mem32Resample(destination.data(), inverted, source.data(), rect, 10000, 3, 4), 0);
  EXPECT_EQ(mem32Resample(destination.data(), rect, source.data(), rect, 10000, 2, 4), 0);
  EXPECT_EQ(mem32Resample(nullptr, rect, source.data(), rect, 10000, 3, 4), 0);
}

}  // namespace
