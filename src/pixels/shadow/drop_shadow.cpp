#include "pixels/shadow/drop_shadow.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "pixels/shadow/box_blur.h"

namespace kvx::shadow {
namespace {

// Wider blurs look no different and would only cost memory.
constexpr int kLargestRadius = 256;

}  // namespace

bool makeDropShadow(const kvx::pixels::PixelBuffer& mask, const DropShadowParams& params,
                    DropShadow* shadow) {
  if (!shadow || mask.bitsPerPixel == 24) return false;
  const int opacity = std::clamp(params.opacity, 0, 100);
  const int radius = std::clamp(params.blurRadius, 0, kLargestRadius);
  const int64_t width = static_cast<int64_t>(mask.width) + 2 * radius;
  const int64_t height = static_cast<int64_t>(mask.height) + 2 * radius;
  const int64_t x = static_cast<int64_t>(params.offsetX) - radius;
  const int64_t y = static_cast<int64_t>(params.offsetY) - radius;
  if (width > INT32_MAX || height > INT32_MAX || x < INT32_MIN || y < INT32_MIN) return false;
  auto out = kvx::pixels::makeBuffer(8, static_cast<int>(width), static_cast<int>(height));
  if (!out) return false;
  try {
    std::vector<uint16_t> plane(static_cast<size_t>(out->width) * out->height, 0);
    std::vector<uint8_t> run(mask.width);
    for (int row = 0; row < mask.height; ++row) {
      kvx::pixels::readPackedRun(mask, 0, row, mask.width, run.data());
      std::copy(run.begin(), run.end(),
                plane.begin() + static_cast<size_t>(row + radius) * out->width + radius);
    }
    blurPlane(plane, out->width, out->height, radius);
    for (size_t i = 0; i < plane.size(); ++i)
      out->data[i] = static_cast<uint8_t>((plane[i] * opacity + 50) / 100);
  } catch (const std::bad_alloc&) {
    return false;
  }
  shadow->mask = std::move(out);
  shadow->x = static_cast<int>(x);
  shadow->y = static_cast<int>(y);
  return true;
}

}  // namespace kvx::shadow
