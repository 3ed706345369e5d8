// The resampler's kernels are also compiled for AVX-512 with VNNI: the tests visit it too.
#define HWY_WANT_AVX3_DL
#include "pixels/resize/resampler.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <vector>

#include "compat/resize/resizelib.h"
#include "pixels/resize/filter_weights.h"
#include "pixels/resize/resample_passes.h"
#include "support/simd_targets.h"

namespace {

using kvx::resize::Kernels;
using kvx::resize::resamplePacked;

std::vector<uint8_t> detailed(int width, int height, int channels) {
  std::vector<uint8_t> picture(static_cast<size_t>(width) * height * channels);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < channels; ++c) {
        // Hard edges, a gradient and single-pixel noise.
        const int edge = ((x / 3 + y / 2) % 2) * 180;
        const int noise = (x * 7919 + y * 104729 + c * 31) % 61;
        picture[(static_cast<size_t>(y) * width + x) * channels + c] =
            static_cast<uint8_t>((edge + x * 2 + noise) % 256);
      }
  return picture;
}

TEST(Resize, SameSizeIsIdentity) {
  const auto picture = detailed(33, 21, 3);
  std::vector<uint8_t> out(picture.size());
  ASSERT_NE(txMemResize(picture.data(), 3, 33, 21, out.data(), 33, 21, 4), 0);
  EXPECT_EQ(out, picture);
}

// Resizing only one axis must leave the other axis untouched: identity weights are exact.
TEST(Resize, UnchangedAxisIsCopiedExactly) {
  const auto picture = detailed(40, 1, 3);
  std::vector<uint8_t> tall(40 * 7 * 3);
  ASSERT_NE(txMemResize(picture.data(), 3, 40, 1, tall.data(), 40, 7, 4), 0);
  for (int y = 0; y < 7; ++y)
    EXPECT_TRUE(std::equal(picture.begin(), picture.end(), tall.begin() + y * 40 * 3)) << y;
}

TEST(Resize, FlatPicturesStayFlat) {
  for (auto [sw, sh, dw, dh] :
       {std::array{1920, 4, 1600, 3}, std::array{7, 5, 1920, 9}, std::array{1, 1, 13, 11},
        std::array{500, 3, 1, 1}, std::array{3, 400, 2, 1}}) {
    const std::vector<uint8_t> flat(static_cast<size_t>(sw) * sh * 3, 173);
    std::vector<uint8_t> out(static_cast<size_t>(dw) * dh * 3, 0);
    ASSERT_NE(txMemResize(flat.data(), 3, sw, sh, out.data(), dw, dh, 4), 0);
    for (uint8_t v : out) ASSERT_EQ(v, 173) << sw << "x" << sh << " -> " << dw << "x" << dh;
  }
}

// The vector passes of every instruction set the processor has must give the plain scalar
// passes' bytes, shrinking and enlarging, for widths that exercise the vector edges.
TEST(Resize, FastPathMatchesScalarReference) {
  struct Case {
    int sw, sh, dw, dh, channels;
  };
  kvxtest::forEachSimdTarget([](const std::string& target) {
    for (const Case& c :
         {Case{192, 108, 160, 90, 3}, Case{72, 57, 192, 108, 3}, Case{5, 3, 17, 4, 3},
          Case{301, 7, 2, 40, 3}, Case{64, 48, 50, 70, 1}, Case{2, 2, 3, 3, 3},
          Case{1000, 2, 999, 3, 3}, Case{1920, 3, 1280, 2, 3}, Case{33, 9, 97, 31, 1},
          Case{72, 57, 72, 30, 3}, Case{1921, 6, 1921, 12, 3}, Case{31, 40, 31, 17, 1}}) {
      const auto picture = detailed(c.sw, c.sh, c.channels);
      const size_t outBytes = static_cast<size_t>(c.dw) * c.dh * c.channels;
      std::vector<uint8_t> fast(outBytes), scalar(outBytes);
      ASSERT_TRUE(resamplePacked(picture.data(), c.sw, c.sh, fast.data(), c.dw, c.dh, c.channels,
                                 Kernels::kFast));
      ASSERT_TRUE(resamplePacked(picture.data(), c.sw, c.sh, scalar.data(), c.dw, c.dh, c.channels,
                                 Kernels::kScalar));
      EXPECT_EQ(fast, scalar) << target << " " << c.sw << "x" << c.sh << " -> " << c.dw << "x"
                              << c.dh;
    }
  });
}

// At an unchanged width the horizontal pass only widens the values, which the resampler then
// skips: its weights are a single tap of exactly one.
TEST(Resize, UnchangedWidthPassOnlyWidens) {
  for (int width : {1, 7, 720, 1920}) {
    kvx::resize::AxisFilter filter;
    ASSERT_TRUE(kvx::resize::buildAxisFilter(width, width, &filter));
    const auto line = detailed(width, 1, 3);
    std::vector<int16_t> out(width * 3 + kvx::resize::kIntermediatePadding);
    kvx::resize::horizontalPassScalar(line.data(), 3, filter, width, out.data());
    for (int i = 0; i < width * 3; ++i)
      ASSERT_EQ(out[i], line[i] << kvx::resize::kIntermediateBits) << width << " at " << i;
  }
}

// Rows picked from the scaled picture, such as the lines of one field, are the rows of the
// whole scale.
TEST(Resize, ChosenRowsEqualThoseOfTheWholePicture) {
  struct Case {
    int sw, sh, dw, dh, first, step;
  };
  for (const Case& c : {Case{72, 30, 72, 60, 0, 2}, Case{72, 30, 72, 60, 1, 2},
                        Case{50, 40, 64, 33, 2, 3}, Case{40, 40, 30, 20, 0, 1}}) {
    const auto picture = detailed(c.sw, c.sh, 3);
    std::vector<uint8_t> whole(static_cast<size_t>(c.dw) * c.dh * 3);
    ASSERT_TRUE(resamplePacked(picture.data(), c.sw, c.sh, whole.data(), c.dw, c.dh, 3));
    const int count = (c.dh - c.first + c.step - 1) / c.step;
    std::vector<std::vector<uint8_t>> chosen(count, std::vector<uint8_t>(c.dw * 3));
    std::vector<uint8_t*> rows;
    for (auto& row : chosen) rows.push_back(row.data());
    ASSERT_TRUE(kvx::resize::resampleRows(picture.data(), c.sw, c.sh, c.dw, c.dh, 3, c.first,
                                          c.step, rows.data()));
    for (int i = 0; i < count; ++i)
      ASSERT_TRUE(std::equal(chosen[i].begin(), chosen[i].end(),
                             whole.begin() + (c.first + i * c.step) * c.dw * 3))
          << "row " << c.first + i * c.step;
  }
}

// A picture given by rows that repeat scales as the packed picture holding those rows, at an
// unchanged width (bytes weighed directly) and a changed one (rows filtered first).
TEST(Resize, RepeatedRowsScaleAsThePictureTheyForm) {
  kvxtest::forEachSimdTarget([](const std::string& target) {
    for (auto [dw, dh] : {std::array{96, 20}, std::array{96, 40}, std::array{61, 13}}) {
      const int sw = 96, sh = 40;
      const auto field = detailed(sw, sh / 2, 3);
      std::vector<uint8_t> doubled(field.size() * 2);
      std::vector<const uint8_t*> rows(sh);
      const size_t rowBytes = sw * 3;
      for (int y = 0; y < sh; ++y) {
        rows[y] = field.data() + (y / 2) * rowBytes;
        std::copy(rows[y], rows[y] + rowBytes, doubled.begin() + y * rowBytes);
      }
      const size_t outBytes = static_cast<size_t>(dw) * dh * 3;
      std::vector<uint8_t> fromRows(outBytes), packed(outBytes);
      ASSERT_TRUE(kvx::resize::resampleFromRows(rows.data(), sw, sh, fromRows.data(), dw, dh, 3));
      ASSERT_TRUE(
          resamplePacked(doubled.data(), sw, sh, packed.data(), dw, dh, 3, Kernels::kScalar));
      EXPECT_EQ(fromRows, packed) << target << " -> " << dw << "x" << dh;
    }
  });
}

// Halving and doubling back keeps a smooth picture close to itself.
TEST(Resize, RoundTripOfASmoothPictureStaysClose) {
  const int w = 64, h = 48;
  std::vector<uint8_t> smooth(w * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c)
        smooth[(y * w + x) * 3 + c] = static_cast<uint8_t>(x * 2 + y * 2 + c);
  std::vector<uint8_t> small(w / 2 * h / 2 * 3), back(smooth.size());
  ASSERT_NE(txMemResize(smooth.data(), 3, w, h, small.data(), w / 2, h / 2, 4), 0);
  ASSERT_NE(txMemResize(small.data(), 3, w / 2, h / 2, back.data(), w, h, 4), 0);
  for (int y = 2; y < h - 2; ++y)
    for (int x = 2; x < w - 2; ++x)
      ASSERT_NEAR(back[(y * w + x) * 3], smooth[(y * w + x) * 3], 2) << x << "," << y;
}

TEST(Resize, BadArgumentsAreRefused) {
  std::vector<uint8_t> picture(12, 5), out(12, 0);
  EXPECT_EQ(txMemResize(picture.data(), 3, 2, 2, out.data(), 0, 2, 4), 0);
  EXPECT_EQ(txMemResize(picture.data(), 3, -2, 2, out.data(), 2, 2, 4), 0);
  EXPECT_EQ(txMemResize(picture.data(), 4, 2, 2, out.data(), 2, 2, 4), 0);
  EXPECT_EQ(txMemResize(nullptr, 3, 2, 2, out.data(), 2, 2, 4), 0);
  EXPECT_EQ(txMemResize(picture.data(), 3, 2, 2, nullptr, 2, 2, 4), 0);
  EXPECT_EQ(txMemResize(picture.data(), 3, INT_MAX, 2, out.data(), 2, 2, 4), 0);
  EXPECT_EQ(out, std::vector<uint8_t>(12, 0));
}

}  // namespace
