#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "kvxtheme/bufferlib.h"
#include "pixels/merge/merge_kernels.h"
#include "support/simd_targets.h"

namespace {

using kvx::pixels::MergeRow;

std::vector<uint8_t> bytes(size_t count, int seed) {
  std::vector<uint8_t> data(count);
  uint32_t state = 0x9E3779B9u * (seed + 1);
  for (auto& b : data) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(state >> 24);
  }
  return data;
}

TEST(MergeEx, OpaqueMaskModeOneLevelZeroCopiesTheSource) {
  const int w = 67, h = 5;
  auto frame = bytes(w * h * 3, 1);
  const auto layer = bytes(w * h * 3, 2);
  const std::vector<uint8_t> mask(w * h, 255);
  const Rect32 rect{0, 0, w, h};
  ASSERT_NE(i32MergeEx(frame.data(), w, h, mask.data(), &rect, layer.data(), &rect, 3, 1, 0), 0);
  EXPECT_EQ(frame, layer);
}

TEST(MergeEx, ClearMaskLeavesTheDestinationAndLevelHundredHidesTheLayer) {
  const int w = 40, h = 3;
  const auto original = bytes(w * h * 3, 3);
  const auto layer = bytes(w * h * 3, 4);
  const Rect32 rect{0, 0, w, h};
  auto frame = original;
  const std::vector<uint8_t> clear(w * h, 0);
  ASSERT_NE(i32MergeEx(frame.data(), w, h, clear.data(), &rect, layer.data(), &rect, 3, 1, 0), 0);
  EXPECT_EQ(frame, original);
  const std::vector<uint8_t> opaque(w * h, 255);
  for (int mode = 1; mode <= 4; ++mode) {
    ASSERT_NE(
        i32MergeEx(frame.data(), w, h, opaque.data(), &rect, layer.data(), &rect, 3, mode, 100), 0);
    EXPECT_EQ(frame, original) << "mode " << mode;
  }
}

// Every instruction set the processor has must give the scalar kernel's bytes for every mode,
// level and width, including widths that leave a scalar tail.
TEST(MergeEx, VectorKernelsMatchTheScalarReference) {
  kvxtest::forEachSimdTarget([](const std::string& target) {
    for (int bpp : {1, 3}) {
      for (int mode = 1; mode <= 4; ++mode) {
        for (int level : {0, 1, 37, 50, 99}) {
          for (int pixels : {1, 15, 16, 33, 64, 100, 257}) {
            const auto source = bytes(pixels * bpp, mode * 7 + level);
            auto mask = bytes(pixels, level + pixels);
            // Opaque and clear stretches take the copy and skip shortcuts.
            for (int i = 0; i < std::min(pixels, 64); ++i) mask[i] = 255;
            for (int i = 128; i < std::min(pixels, 192); ++i) mask[i] = 0;
            auto fast = bytes(pixels * bpp, pixels);
            auto reference = fast;
            MergeRow row{fast.data(), source.data(), mask.data(), pixels, bpp, mode, level};
            kvx::pixels::mergeRowFast(row);
            row.destination = reference.data();
            kvx::pixels::mergeRowScalar(row);
            ASSERT_EQ(fast, reference) << target << " bpp " << bpp << " mode " << mode << " level "
                                       << level << " width " << pixels;
          }
        }
      }
    }
  });
}

// Every source, destination and alpha combination of the normal mode: the vector division
// by 255 must agree with the scalar one everywhere, and alpha 255 must give the source.
TEST(MergeEx, NormalModeIsExactOverAllByteCombinations) {
  std::vector<uint8_t> source(256 * 256), original(256 * 256), mask(256 * 256);
  for (int i = 0; i < 256 * 256; ++i) {
    source[i] = static_cast<uint8_t>(i & 255);
    original[i] = static_cast<uint8_t>(i >> 8);
  }
  kvxtest::forEachSimdTarget([&](const std::string& target) {
    for (int a = 1; a < 255; a += 2) {
      std::fill(mask.begin(), mask.end(), static_cast<uint8_t>(a));
      auto fast = original, reference = original;
      MergeRow row{fast.data(), source.data(), mask.data(), 256 * 256, 1, 1, 0};
      kvx::pixels::mergeRowFast(row);
      row.destination = reference.data();
      kvx::pixels::mergeRowScalar(row);
      ASSERT_EQ(fast, reference) << target << " alpha " << a;
    }
  });
  auto copied = original;
  std::fill(mask.begin(), mask.end(), 255);
  kvx::pixels::mergeRowScalar({copied.data(), source.data(), mask.data(), 256 * 256, 1, 1, 0});
  EXPECT_EQ(copied, source);
}

TEST(MergeEx, ModesMoveColoursTheExpectedWay) {
  const Rect32 rect{0, 0, 1, 1};
  const uint8_t opaque = 255;
  const uint8_t layer[3] = {100, 200, 0};
  auto merged = [&](int mode) {
    std::vector<uint8_t> frame = {150, 150, 150};
    EXPECT_NE(i32MergeEx(frame.data(), 1, 1, &opaque, &rect, layer, &rect, 3, mode, 0), 0);
    return frame;
  };
  const auto multiply = merged(2), screen = merged(3), add = merged(4);
  for (int c = 0; c < 3; ++c) {
    EXPECT_LE(multiply[c], std::min<int>(150, layer[c]));
    EXPECT_GE(screen[c], std::max<int>(150, layer[c]));
    EXPECT_EQ(add[c], std::min(255, 150 + layer[c]));
  }
  EXPECT_EQ(merged(0), merged(1));
}

TEST(MergeEx, LayerReachingPastTheFrameIsClipped) {
  const int fw = 10, fh = 6, lw = 8, lh = 4;
  const std::vector<uint8_t> original(fw * fh * 3, 7);
  const auto layer = bytes(lw * lh * 3, 9);
  const std::vector<uint8_t> mask(lw * lh, 255);
  for (const Rect32& rect : {Rect32{5, 4, 5 + lw, 4 + lh}, Rect32{-3, -2, -3 + lw, -2 + lh}}) {
    auto frame = original;
    ASSERT_NE(i32MergeEx(frame.data(), fw, fh, mask.data(), &rect, layer.data(), &rect, 3, 1, 0),
              0);
    for (int y = 0; y < fh; ++y)
      for (int x = 0; x < fw; ++x) {
        const int lx = x - rect.left, ly = y - rect.top;
        const bool inside = lx >= 0 && ly >= 0 && lx < lw && ly < lh;
        for (int c = 0; c < 3; ++c)
          ASSERT_EQ(frame[(y * fw + x) * 3 + c], inside ? layer[(ly * lw + lx) * 3 + c] : 7);
      }
  }
  auto frame = original;
  const Rect32 away{fw, fh, fw + lw, fh + lh};
  EXPECT_NE(i32MergeEx(frame.data(), fw, fh, mask.data(), &away, layer.data(), &away, 3, 1, 0), 0);
  EXPECT_EQ(frame, original);
}

TEST(MergeEx, BadArgumentsAreRefused) {
  std::vector<uint8_t> frame(12, 0), layer(12, 1), mask(4, 255);
  const Rect32 rect{0, 0, 2, 2};
  const Rect32 empty{0, 0, 0, 2};
  const Rect32 overflow{INT32_MIN, 0, INT32_MAX, 2};
  EXPECT_EQ(i32MergeEx(nullptr, 2, 2, mask.data(), &rect, layer.data(), &rect, 3, 1, 0), 0);
  EXPECT_EQ(i32MergeEx(frame.data(), 2, 2, mask.data(), nullptr, layer.data(), &rect, 3, 1, 0), 0);
  EXPECT_EQ(i32MergeEx(frame.data(), 0, 2, mask.data(), &rect, layer.data(), &rect, 3, 1, 0), 0);
  EXPECT_EQ(i32MergeEx(frame.data(), 2, 2, mask.data(), &rect, layer.data(), &rect, 2, 1, 0), 0);
  EXPECT_EQ(i32MergeEx(frame.data(), 2, 2, mask.data(), &rect, layer.data(), &rect, 3, 9, 0), 0);
  EXPECT_EQ(i32MergeEx(frame.data(), 2, 2, mask.data(), &empty, layer.data(), &empty, 3, 1, 0), 0);
  EXPECT_EQ(
      i32MergeEx(frame.data(), 2, 2, mask.data(), &overflow, layer.data(), &overflow, 3, 1, 0), 0);
  EXPECT_EQ(frame, std::vector<uint8_t>(12, 0));
}

}  // namespace
