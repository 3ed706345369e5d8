// The resampler's kernels are also compiled for AVX-512 with VNNI: the tests visit it too.
#define HWY_WANT_AVX3_DL
#include "pixels/resize/banded_scale.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pixels/resize/resampler.h"
#include "support/simd_targets.h"

namespace {

using kvx::resize::BandedScale;
using kvx::resize::DestinationRows;
using kvx::resize::Kernels;

std::vector<uint8_t> detailed(int width, int height) {
  std::vector<uint8_t> picture(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < picture.size(); ++i)
    picture[i] = static_cast<uint8_t>((i * 7919 + i / 97 * 31 + (i / 5 % 2) * 180) % 256);
  return picture;
}

// A scale worked through in bands of any height, in any order, gives the rows of the plain
// scalar scale of the whole picture: windows shared by several rows and filtered rows kept from
// one band to the next change nothing.
TEST(BandedScale, BandsInAnyOrderGiveTheWholeScale) {
  struct Case {
    int sw, sh, dw, dh;
  };
  kvxtest::forEachSimdTarget([](const std::string& target) {
    for (const Case& c : {Case{96, 40, 96, 80}, Case{96, 80, 96, 40}, Case{96, 60, 64, 90},
                          Case{70, 90, 50, 61}, Case{41, 7, 41, 23}, Case{64, 300, 64, 20}}) {
      const auto picture = detailed(c.sw, c.sh);
      const size_t rowBytes = static_cast<size_t>(c.dw) * 3;
      std::vector<uint8_t> whole(rowBytes * c.dh);
      ASSERT_TRUE(kvx::resize::resamplePacked(picture.data(), c.sw, c.sh, whole.data(), c.dw, c.dh,
                                              3, Kernels::kScalar));
      std::vector<const uint8_t*> rows(c.sh);
      for (int y = 0; y < c.sh; ++y) rows[y] = picture.data() + y * static_cast<size_t>(c.sw) * 3;
      for (int bandRows : {1, 3, 7, c.dh}) {
        for (bool backwards : {false, true}) {
          std::vector<uint8_t> banded(whole.size(), 0);
          DestinationRows destination;
          destination.packed = banded.data();
          destination.stride = rowBytes;
          BandedScale scale(rows.data(), c.sw, c.sh, c.dw, c.dh, 3);
          ASSERT_TRUE(scale.valid());
          const int bands = (c.dh + bandRows - 1) / bandRows;
          for (int i = 0; i < bands; ++i) {
            const int band = backwards ? bands - 1 - i : i;
            ASSERT_TRUE(
                scale.scale(band * bandRows, std::min(c.dh, (band + 1) * bandRows), destination));
          }
          EXPECT_EQ(banded, whole)
              << target << " " << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh
              << " in bands of " << bandRows << (backwards ? " backwards" : "");
        }
      }
    }
  });
}

// A row's window names the source rows it reads: the rows a band needs are known before they
// are made.
TEST(BandedScale, WindowsLieInTheSourceAndNeverMoveBack) {
  const std::vector<uint8_t> picture(32 * 3 * 50, 9);
  std::vector<const uint8_t*> rows(50, picture.data());
  for (int dh : {25, 50, 100, 7}) {
    BandedScale scale(rows.data(), 32, 50, 32, dh, 3);
    ASSERT_TRUE(scale.valid());
    int lastFirst = 0, lastEnd = 0;
    for (int y = 0; y < dh; ++y) {
      int first = 0, end = 0;
      scale.sourceWindow(y, &first, &end);
      EXPECT_GE(first, lastFirst);
      EXPECT_GE(end, lastEnd);
      EXPECT_LT(first, end);
      EXPECT_LE(end, 50);
      lastFirst = first;
      lastEnd = end;
    }
  }
  EXPECT_FALSE(BandedScale(rows.data(), 32, 50, 0, 10, 3).valid());
  EXPECT_FALSE(BandedScale(nullptr, 32, 50, 32, 10, 3).valid());
  EXPECT_FALSE(BandedScale(rows.data(), 32, 50, 32, 10, 5).valid());
}

}  // namespace
