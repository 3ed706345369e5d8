#include "kvxtheme/bufferlib.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// Frees its handle at the end of the test.
struct Owned {
  BufHandle handle = 0;
  ~Owned() {
    if (handle) buf32Free(handle);
  }
};

std::vector<uint8_t> pattern(size_t bytes, int seed) {
  std::vector<uint8_t> data(bytes);
  for (size_t i = 0; i < bytes; ++i) data[i] = static_cast<uint8_t>(i * 31 + seed * 7 + i / 13);
  return data;
}

TEST(BufferLib, ColourFillIsStoredRedGreenBlue) {
  const uint32_t color = 0x00332211;  // red 0x11, green 0x22, blue 0x33
  Owned buffer;
  ASSERT_NE(buf32Alloc(&buffer.handle, 24, 5, 3, 1, &color), 0);
  std::vector<uint8_t> pixels(5 * 3 * 3);
  ASSERT_NE(buf32GetMem(buffer.handle, 0, 0, 5, 3, pixels.data()), 0);
  for (size_t i = 0; i < pixels.size(); i += 3) {
    EXPECT_EQ(pixels[i], 0x11);
    EXPECT_EQ(pixels[i + 1], 0x22);
    EXPECT_EQ(pixels[i + 2], 0x33);
  }
}

TEST(BufferLib, InfoRecordAndSizes) {
  Owned colour, mask, bits;
  ASSERT_NE(buf32Alloc(&colour.handle, 24, 7, 4, 0, nullptr), 0);
  ASSERT_NE(buf32Alloc(&mask.handle, 8, 7, 4, 0, nullptr), 0);
  ASSERT_NE(buf32Alloc(&bits.handle, 1, 9, 4, 0, nullptr), 0);
  Buf32Info info{};
  ASSERT_NE(buf32GetInfo(colour.handle, &info), 0);
  int32_t raw[8];
  std::memcpy(raw, &info, sizeof raw);
  EXPECT_EQ(raw[4], 7);          // width at byte 16
  EXPECT_EQ(raw[5], 4);          // height at byte 20
  EXPECT_EQ(raw[7], 7 * 3 * 4);  // byte size at byte 28
  ASSERT_NE(buf32GetInfo(mask.handle, &info), 0);
  EXPECT_EQ(info.dataSize, 28);
  ASSERT_NE(buf32GetInfo(bits.handle, &info), 0);
  EXPECT_EQ(info.stride, 2);
  EXPECT_EQ(info.dataSize, 8);
  int w = 0, h = 0, bpp = 0;
  ASSERT_NE(buf32GetWHU(colour.handle, &w, &h, &bpp), 0);
  EXPECT_EQ(w, 7);
  EXPECT_EQ(h, 4);
  EXPECT_EQ(bpp, 3);
  EXPECT_NE(buf32GetWHU(mask.handle, nullptr, nullptr, &bpp), 0);
  EXPECT_EQ(bpp, 1);
}

TEST(BufferLib, EightBitFillTakesTheLowByteAndOneBitReadsAsFullBytes) {
  const uint32_t white = 0xFFFFFF, dark = 0x0000FF10;
  Owned mask, bits;
  ASSERT_NE(buf32Alloc(&mask.handle, 8, 4, 2, 1, &dark), 0);
  ASSERT_NE(buf32Alloc(&bits.handle, 1, 11, 2, 1, &white), 0);
  std::vector<uint8_t> bytes(4 * 2);
  ASSERT_NE(buf32GetMem(mask.handle, 0, 0, 4, 2, bytes.data()), 0);
  for (uint8_t b : bytes) EXPECT_EQ(b, 0x10);
  std::vector<uint8_t> expanded(11 * 2);
  ASSERT_NE(buf32GetMem(bits.handle, 0, 0, 11, 2, expanded.data()), 0);
  for (uint8_t b : expanded) EXPECT_EQ(b, 255);
  const uint8_t row[3] = {0, 200, 7};
  ASSERT_NE(buf32MergeMem(bits.handle, 4, 1, row, 3, 1), 0);
  ASSERT_NE(buf32GetMem(bits.handle, 4, 1, 3, 1, expanded.data()), 0);
  EXPECT_EQ(expanded[0], 0);
  EXPECT_EQ(expanded[1], 255);
  EXPECT_EQ(expanded[2], 0);
}

TEST(BufferLib, MergeMemAndGetMemRoundTripAndDuplicateIsIndependent) {
  Owned buffer, copy;
  ASSERT_NE(buf32Alloc(&buffer.handle, 24, 16, 9, 0, nullptr), 0);
  const auto picture = pattern(16 * 9 * 3, 1);
  ASSERT_NE(buf32MergeMem(buffer.handle, 0, 0, picture.data(), 16, 9), 0);
  ASSERT_NE(buf32DupBuf(buffer.handle, &copy.handle), 0);
  EXPECT_NE(copy.handle, buffer.handle);
  const uint32_t black = 0;
  ASSERT_NE(buf32FillOneColor(buffer.handle, black), 0);
  std::vector<uint8_t> back(picture.size());
  ASSERT_NE(buf32GetMem(copy.handle, 0, 0, 16, 9, back.data()), 0);
  EXPECT_EQ(back, picture);
}

TEST(BufferLib, RowsWrittenOneAtATimeLandInPlace) {
  Owned mask;
  ASSERT_NE(buf32Alloc(&mask.handle, 8, 6, 3, 0, nullptr), 0);
  for (int y = 0; y < 3; ++y) {
    const uint8_t row[4] = {uint8_t(y * 10 + 1), uint8_t(y * 10 + 2), uint8_t(y * 10 + 3),
                            uint8_t(y * 10 + 4)};
    ASSERT_NE(buf32MergeMem(mask.handle, 1, y, row, 4, 1), 0);
  }
  uint8_t* pixels = nullptr;
  ASSERT_NE(buf32Lock(mask.handle, 2, &pixels), 0);
  EXPECT_EQ(pixels[0], 0);
  EXPECT_EQ(pixels[1], 1);
  EXPECT_EQ(pixels[2 * 6 + 4], 24);
  EXPECT_EQ(pixels[2 * 6 + 5], 0);
  pixels[5] = 99;  // the lock gives write access
  EXPECT_NE(buf32Unlock(mask.handle), 0);
  EXPECT_EQ(buf32Unlock(mask.handle), 0) << "unlock without a lock";
  uint8_t corner = 0;
  ASSERT_NE(buf32GetMem(mask.handle, 5, 0, 1, 1, &corner), 0);
  EXPECT_EQ(corner, 99);
}

TEST(BufferLib, RectanglesReachingOutsideAreClipped) {
  const uint32_t grey = 0x808080;
  Owned buffer;
  ASSERT_NE(buf32Alloc(&buffer.handle, 24, 4, 4, 1, &grey), 0);
  // A 3 × 3 block whose top-left lies outside: only its bottom-right 2 × 2 lands.
  std::vector<uint8_t> block(3 * 3 * 3, 9);
  ASSERT_NE(buf32MergeMem(buffer.handle, -1, -1, block.data(), 3, 3), 0);
  ASSERT_NE(buf32MergeMem(buffer.handle, 3, 3, block.data(), 3, 3), 0);
  ASSERT_NE(buf32MergeMem(buffer.handle, 100, 100, block.data(), 3, 3), 0);
  std::vector<uint8_t> all(4 * 4 * 3);
  ASSERT_NE(buf32GetMem(buffer.handle, 0, 0, 4, 4, all.data()), 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const bool written = (x < 2 && y < 2) || (x == 3 && y == 3);
      EXPECT_EQ(all[(y * 4 + x) * 3], written ? 9 : 0x80) << x << "," << y;
    }
  Owned piece;
  ASSERT_NE(buf32GetBuf(buffer.handle, 2, 2, 10, 10, &piece.handle), 0);
  int w = 0, h = 0;
  ASSERT_NE(buf32GetWHU(piece.handle, &w, &h, nullptr), 0);
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 2);
  BufHandle none = 0;
  EXPECT_EQ(buf32GetBuf(buffer.handle, 4, 0, 2, 2, &none), 0);
  // The caller sizes the destination for the whole rectangle: a partial read is refused.
  EXPECT_EQ(buf32GetMem(buffer.handle, 3, 3, 2, 2, all.data()), 0);
  EXPECT_EQ(buf32GetMem(buffer.handle, -1, 0, 2, 2, all.data()), 0);
}

TEST(BufferLib, BadHandlesAreRefused) {
  BufHandle freed = 0;
  ASSERT_NE(buf32Alloc(&freed, 8, 2, 2, 0, nullptr), 0);
  ASSERT_NE(buf32Free(freed), 0);
  uint8_t byte = 0;
  uint8_t* pixels = nullptr;
  Buf32Info info{};
  BufHandle out = 0;
  const uint32_t color = 0;
  for (BufHandle bad : {BufHandle{0}, freed, BufHandle{0xFFFFFFF0u}}) {
    EXPECT_EQ(buf32Free(bad), 0);
    EXPECT_EQ(buf32GetInfo(bad, &info), 0);
    EXPECT_EQ(buf32GetWHU(bad, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(buf32Lock(bad, 2, &pixels), 0);
    EXPECT_EQ(buf32Unlock(bad), 0);
    EXPECT_EQ(buf32DupBuf(bad, &out), 0);
    EXPECT_EQ(buf32GetBuf(bad, 0, 0, 1, 1, &out), 0);
    EXPECT_EQ(buf32GetMem(bad, 0, 0, 1, 1, &byte), 0);
    EXPECT_EQ(buf32MergeMem(bad, 0, 0, &byte, 1, 1), 0);
    EXPECT_EQ(buf32FillOneColor(bad, color), 0);
    const int32_t size[2] = {2, 2};
    EXPECT_EQ(q32BufferResample(size, bad, &out, 0), 0);
  }
  EXPECT_EQ(out, 0u);
}

TEST(BufferLib, FreedIdsAreNotHandedOutAgainSoon) {
  BufHandle first = 0, second = 0;
  ASSERT_NE(buf32Alloc(&first, 8, 1, 1, 0, nullptr), 0);
  ASSERT_NE(buf32Free(first), 0);
  ASSERT_NE(buf32Alloc(&second, 8, 1, 1, 0, nullptr), 0);
  EXPECT_NE(first, second);
  EXPECT_EQ(buf32Free(first), 0);
  EXPECT_NE(buf32Free(second), 0);
}

TEST(BufferLib, HostileSizesAreRefused) {
  BufHandle out = 0;
  EXPECT_EQ(buf32Alloc(&out, 24, 0, 5, 0, nullptr), 0);
  EXPECT_EQ(buf32Alloc(&out, 24, -3, 5, 0, nullptr), 0);
  EXPECT_EQ(buf32Alloc(&out, 24, 5, -1, 0, nullptr), 0);
  EXPECT_EQ(buf32Alloc(&out, 24, INT_MAX, INT_MAX, 0, nullptr), 0);
  EXPECT_EQ(buf32Alloc(&out, 24, 50000, 50000, 0, nullptr), 0) << "7.5 GB overflows int32";
  EXPECT_EQ(buf32Alloc(&out, 8, 65536, 65536, 0, nullptr), 0);
  EXPECT_EQ(buf32Alloc(&out, 16, 4, 4, 0, nullptr), 0) << "unsupported depth";
  EXPECT_EQ(buf32Alloc(nullptr, 8, 4, 4, 0, nullptr), 0);
  EXPECT_EQ(out, 0u);
  Owned buffer;
  ASSERT_NE(buf32Alloc(&buffer.handle, 24, 4, 4, 0, nullptr), 0);
  uint8_t byte = 0;
  EXPECT_EQ(buf32MergeMem(buffer.handle, 0, 0, &byte, -1, 1), 0);
  EXPECT_EQ(buf32MergeMem(buffer.handle, 0, 0, nullptr, 1, 1), 0);
  EXPECT_EQ(buf32GetMem(buffer.handle, 0, 0, INT_MAX, 1, &byte), 0);
  EXPECT_EQ(buf32MergeMem(buffer.handle, INT_MAX, INT_MAX, &byte, 1, 1), 1)
      << "wholly outside: nothing written";
  const int32_t huge[2] = {INT_MAX, INT_MAX};
  EXPECT_EQ(q32BufferResample(huge, buffer.handle, &out, 0), 0);
  const int32_t negative[2] = {-4, 4};
  EXPECT_EQ(q32BufferResample(negative, buffer.handle, &out, 0), 0);
}

TEST(BufferLib, HandlesSurviveUseFromSeveralThreads) {
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &failures] {
      for (int i = 0; i < 500; ++i) {
        BufHandle handle = 0;
        const uint32_t color = static_cast<uint32_t>(t * 50 + 1);
        if (!buf32Alloc(&handle, 8, 8, 8, 1, &color)) ++failures[t];
        uint8_t value = 0;
        if (!buf32GetMem(handle, 7, 7, 1, 1, &value) || value != color) ++failures[t];
        if (!buf32Free(handle)) ++failures[t];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int f : failures) EXPECT_EQ(f, 0);
}

}  // namespace
