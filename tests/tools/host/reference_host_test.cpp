#include "host/reference_host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "document/theme_document.h"
#include "kvxtheme/globalmem.h"
#include "support/test_support.h"

namespace {

constexpr int kWidth = 720, kHeight = 576;

// A source frame with smooth gradients, in frame order B, G, R.
std::vector<uint8_t> gradientFrame(int width, int height) {
  std::vector<uint8_t> frame(width * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &frame[(y * width + x) * 3];
      p[0] = uint8_t(x * 255 / width);
      p[1] = uint8_t(y * 255 / height);
      p[2] = uint8_t(128 + 100 * std::sin(x * 0.02));
    }
  return frame;
}

kvxtest::Picture asRgbPicture(const std::vector<uint8_t>& frame, int width, int height) {
  kvxtest::Picture picture{width, height, 3, frame};
  for (size_t i = 0; i < picture.pixels.size(); i += 3)
    std::swap(picture.pixels[i], picture.pixels[i + 2]);
  return picture;
}

// Bytes that differ between two frames outside the top-left corner.
size_t differencesOutside(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int width,
                          int cornerWidth, int cornerHeight) {
  size_t count = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    const int pixel = static_cast<int>(i / 3);
    if (pixel % width < cornerWidth && pixel / width < cornerHeight) continue;
    count += a[i] != b[i];
  }
  return count;
}

}  // namespace

TEST(ReferenceHost, DefaultPageShowsTheSourceWithTheCaptionOnTop) {
  kvxhost::ReferenceHost host;
  host.setTextSource([](int, const std::string& key, std::string* text) {
    if (key != "SlideShowTitle") return false;
    *text = "Summer 2026";
    return true;
  });
  ASSERT_EQ(host.begin(kWidth, kHeight), 1);
  EXPECT_EQ(host.queries(), (std::vector<std::string>{"sink", "path"}));
  const std::vector<uint8_t> source = gradientFrame(kWidth, kHeight);
  std::vector<uint8_t> output(source.size());
  ASSERT_EQ(host.renderFrame(0, source.data(), kWidth * 3, output.data(), kWidth * 3), 1);
  EXPECT_EQ(host.textQueries(), 1);

  // Outside the caption the placeholder shows the source unchanged.
  EXPECT_EQ(differencesOutside(source, output, kWidth, 400, 120), 0u);
  const kvxtest::Picture picture = asRgbPicture(output, kWidth, kHeight);
  kvxtest::writePng(kvxtest::outputPath("default_page_frame.png"), picture);
  kvxtest::Picture golden;
  ASSERT_TRUE(
      kvxtest::readPng(kvxtest::sourcePath("tests/tools/host/golden/default_page_frame.png"), &golden));
  const kvxtest::Difference difference = kvxtest::compare(picture, golden);
  EXPECT_LT(difference.mean, 1.0) << "compare " << kvxtest::outputPath("default_page_frame.png");
  EXPECT_EQ(host.end(), 1);
}

TEST(ReferenceHost, FieldsAreComposedOnTheirOwnLines) {
  // Even lines carry a gradient, odd lines a flat 40, as two fields of moving material would.
  std::vector<uint8_t> source = gradientFrame(kWidth, kHeight);
  for (int y = 1; y < kHeight; y += 2) std::memset(&source[y * kWidth * 3], 40, kWidth * 3);
  auto green = [](const std::vector<uint8_t>& frame, int x, int y) {
    return int(frame[(y * kWidth + x) * 3 + 1]);
  };
  const int x = 600;
  for (auto order : {kvxhost::FieldOrder::TopFieldFirst, kvxhost::FieldOrder::BottomFieldFirst}) {
    kvxhost::ReferenceHost host;
    ASSERT_EQ(host.begin(kWidth, kHeight, order), 1);
    std::vector<uint8_t> output(source.size());
    ASSERT_EQ(host.renderFrame(0, source.data(), kWidth * 3, output.data(), kWidth * 3), 1);
    // The first field of a frame is composed alone (doubled), so its lines show that field;
    // the second sees the whole interlaced frame at field height, both fields blended.
    const bool topFirst = order == kvxhost::FieldOrder::TopFieldFirst;
    for (int y : {300, 450}) {
      const int even = green(source, x, y), odd = 40, blend = (even + odd) / 2;
      EXPECT_NEAR(green(output, x, y), topFirst ? even : blend, 12) << "line " << y;
      EXPECT_NEAR(green(output, x, y + 1), topFirst ? blend : odd, 12) << "line " << y + 1;
    }
    host.end();
  }
}

TEST(ReferenceHost, MergeHolderFitsAStillPictureIntoThePlaceholder) {
  kvxhost::ReferenceHost host;
  ASSERT_EQ(host.begin(400, 300), 1);
  ASSERT_NE(host.attachedEffect(), nullptr);
  // A 3 × 2 bitmap, bottom-up, rows of 12 bytes.
  std::vector<uint8_t> block(40 + 12 * 2, 0);
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(block.data());
  header->biSize = 40;
  header->biWidth = 3;
  header->biHeight = 2;
  header->biPlanes = 1;
  header->biBitCount = 24;
  std::memset(block.data() + 40, 200, 9);
  BITMAPINFOHEADER* result = nullptr;
  ASSERT_EQ(host.attachedEffect()->MergeHolder(header, &result), 1);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->biWidth, 400);
  EXPECT_EQ(result->biHeight, 300);
  EXPECT_EQ(GlobalSize(result), 40u + 1200u * 300u);
  GlobalFree(result);

  header->biBitCount = 32;
  BITMAPINFOHEADER* untouched = header;
  EXPECT_EQ(host.attachedEffect()->MergeHolder(header, &untouched), 0);
  EXPECT_EQ(untouched, header);
  host.end();
}

TEST(ReferenceHost, ThemeNameIsCutToItsField) {
  kvxhost::ReferenceHost host;
  EXPECT_TRUE(host.setThemeName("short.kvx"));
  EXPECT_FALSE(host.setThemeName("a-theme-name-much-too-long.kvx"));
  EXPECT_EQ(std::strlen(host.options().themeName), 19u);
}
