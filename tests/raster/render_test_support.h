#pragma once
// Helpers of the render tests: rendering an object into plain pictures, measuring them and
// comparing them with golden files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "kvxtheme/bufferlib.h"
#include "kvxtheme/renderlib.h"
#include "support/test_support.h"

namespace rendertest {

// A rendering after its margins were cropped, as a theme object keeps it.
struct Rendered {
  bool ok = false;
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;   // R, G, B
  std::vector<uint8_t> mask;  // coverage
  int32_t margin[4] = {0, 0, 0, 0};
  std::string message;
  uint8_t coverage(int x, int y) const { return mask[static_cast<size_t>(y) * width + x]; }
};

inline Rendered readBuffers(BufHandle image, BufHandle mask) {
  Rendered r;
  int mw = 0, mh = 0;
  if (!buf32GetWHU(image, &r.width, &r.height, nullptr) || !buf32GetWHU(mask, &mw, &mh, nullptr) ||
      mw != r.width || mh != r.height) {
    return r;
  }
  r.rgb.resize(static_cast<size_t>(r.width) * r.height * 3);
  r.mask.resize(static_cast<size_t>(r.width) * r.height);
  r.ok = buf32GetMem(image, 0, 0, r.width, r.height, r.rgb.data()) &&
         buf32GetMem(mask, 0, 0, r.width, r.height, r.mask.data());
  return r;
}

// Renders the object and cuts its margins away.
inline Rendered render(RenderHandle object) {
  BufHandle image = 0, mask = 0;
  uint8_t out[kRenderOutRecordSize] = {};
  if (!qrRenderObject(object, &image, &mask, 0, 0, out)) {
    Rendered failed;
    failed.message = reinterpret_cast<const char*>(out + 100);
    return failed;
  }
  int32_t margin[4] = {0, 0, 0, 0};
  qrGetMargin(object, margin);
  int w = 0, h = 0;
  buf32GetWHU(image, &w, &h, nullptr);
  BufHandle croppedImage = 0, croppedMask = 0;
  Rendered r;
  if (buf32GetBuf(image, margin[0], margin[1], w - margin[0] - margin[2], h - margin[1] - margin[3],
                  &croppedImage) &&
      buf32GetBuf(mask, margin[0], margin[1], w - margin[0] - margin[2], h - margin[1] - margin[3],
                  &croppedMask)) {
    r = readBuffers(croppedImage, croppedMask);
  }
  std::copy(margin, margin + 4, r.margin);
  for (BufHandle b : {image, mask, croppedImage, croppedMask}) {
    if (b != 0) buf32Free(b);
  }
  return r;
}

// Bounding box of the pixels with any coverage within rows [top, bottom).
struct Ink {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // x1, y1 exclusive; all 0 when nothing is covered
  int width() const { return x1 - x0; }
  int height() const { return y1 - y0; }
};

inline Ink inkOf(const Rendered& r, int top = 0, int bottom = -1) {
  if (bottom < 0) bottom = r.height;
  Ink ink{r.width, r.height, 0, 0};
  for (int y = top; y < bottom; ++y) {
    for (int x = 0; x < r.width; ++x) {
      if (r.coverage(x, y) == 0) continue;
      ink.x0 = std::min(ink.x0, x);
      ink.y0 = std::min(ink.y0, y);
      ink.x1 = std::max(ink.x1, x + 1);
      ink.y1 = std::max(ink.y1, y + 1);
    }
  }
  if (ink.x1 == 0) return {};
  return ink;
}

inline long coverageSum(const Rendered& r) {
  long sum = 0;
  for (uint8_t v : r.mask) sum += v;
  return sum;
}

// The rendering blended over white, the way a viewer of the PNG sees it.
inline kvxtest::Picture overWhite(const Rendered& r) {
  kvxtest::Picture picture;
  picture.width = r.width;
  picture.height = r.height;
  picture.pixels.resize(r.rgb.size());
  for (size_t i = 0; i < r.mask.size(); ++i) {
    for (int c = 0; c < 3; ++c) {
      const int value = r.rgb[3 * i + c];
      picture.pixels[3 * i + c] =
          static_cast<uint8_t>((value * r.mask[i] + 255 * (255 - r.mask[i]) + 127) / 255);
    }
  }
  return picture;
}

// The top-left part of the picture, at most width × height.
inline kvxtest::Picture topLeft(const kvxtest::Picture& picture, int width, int height) {
  kvxtest::Picture part;
  part.width = std::min(picture.width, width);
  part.height = std::min(picture.height, height);
  for (int y = 0; y < part.height; ++y) {
    const uint8_t* row = picture.row(y);
    part.pixels.insert(part.pixels.end(), row, row + part.width * 3);
  }
  return part;
}

// Writes the picture for people to look at and compares it with the golden file. Text rendering
// differs slightly between library versions: a size within two pixels and a small mean
// difference over the common area pass. KVX_UPDATE_GOLDEN=1 rewrites the golden file.
inline void expectMatchesGolden(const kvxtest::Picture& picture, const std::string& name) {
  ASSERT_TRUE(kvxtest::writePng(kvxtest::outputPath(name + ".png"), picture));
  const std::string golden = kvxtest::sourcePath("tests/raster/golden/" + name + ".png");
  const char* update = std::getenv("KVX_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    ASSERT_TRUE(kvxtest::writePng(golden, picture));
  }
  kvxtest::Picture expected;
  ASSERT_TRUE(kvxtest::readPng(golden, &expected)) << "missing golden picture " << golden;
  ASSERT_LE(std::abs(expected.width - picture.width), 2) << name;
  ASSERT_LE(std::abs(expected.height - picture.height), 2) << name;
  const kvxtest::Picture a = topLeft(picture, expected.width, expected.height);
  const kvxtest::Picture b = topLeft(expected, picture.width, picture.height);
  EXPECT_LT(kvxtest::compare(a, b).mean, 6.0) << name;
}

}  // namespace rendertest

namespace rendertest {

// A render object deleted with the scope.
class Object {
 public:
  explicit Object(RenderHandle handle) : handle_(handle) {}
  Object(Object&& other) noexcept : handle_(std::exchange(other.handle_, 0)) {}
  ~Object() {
    if (handle_ != 0) qrDeleteTextPathObject(handle_);
  }
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  RenderHandle get() const { return handle_; }

 private:
  RenderHandle handle_;
};

inline Object textObject(const std::string& text, int pixels = 32) {
  Object object(qrCreateTextObjectWithString(text));
  qrSetFontSize(object.get(), pixels);
  return object;
}

inline QrColorRecord colorRecord(uint32_t fill, int32_t opacity = 255, uint32_t stroke = 0,
                                 int32_t strokeWidth = 0) {
  QrColorRecord record{};
  const int32_t fields[5] = {kColorRecordSize, static_cast<int32_t>(fill), opacity,
                             static_cast<int32_t>(stroke), strokeWidth};
  std::memcpy(record.bytes, fields, sizeof fields);
  return record;
}

}  // namespace rendertest
