#include "effect/bitmap_result.h"

#include <gtest/gtest.h>

#include <vector>

#include "compose/bitmap_rows.h"
#include "kvxtheme/globalmem.h"

namespace {

TEST(BitmapRows, PackedToBitmapAndBackIsBottomUpWithZeroPadding) {
  const int width = 5, height = 3;
  std::vector<uint8_t> packed(width * height * 3);
  for (size_t i = 0; i < packed.size(); ++i) packed[i] = uint8_t(i + 1);
  BITMAPINFOHEADER header{};
  header.biSize = 40;
  header.biBitCount = 24;
  header.biXPelsPerMeter = 1234;
  BITMAPINFOHEADER* bitmap = packedToBitmap(packed.data(), width, height, &header);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(GlobalSize(bitmap), 40u + 16 * 3);
  EXPECT_EQ(bitmap->biXPelsPerMeter, 1234);
  const uint8_t* rows = reinterpret_cast<const uint8_t*>(bitmap) + 40;
  EXPECT_EQ(rows[0], packed[2 * width * 3]) << "the first row in memory is the bottom row";
  EXPECT_EQ(rows[15], 0) << "padding stays zero";
  ASSERT_TRUE(isReadableBitmap(bitmap));
  std::vector<uint8_t> back(packed.size());
  bitmapToPacked(bitmap, back.data());
  EXPECT_EQ(back, packed);
  GlobalFree(bitmap);
}

}  // namespace
