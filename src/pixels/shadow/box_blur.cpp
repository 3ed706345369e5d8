#include "pixels/shadow/box_blur.h"

#include <algorithm>

namespace kvx::shadow {
namespace {

// One box pass of half-width `reach` along `count` samples `step` apart, rounding to nearest.
void boxPass(uint16_t* line, int count, int step, int reach, std::vector<uint16_t>& scratch) {
  if (reach <= 0) return;
  const uint32_t span = 2 * reach + 1;
  scratch.resize(count);
  for (int i = 0; i < count; ++i) scratch[i] = line[static_cast<size_t>(i) * step];
  uint32_t sum = 0;
  for (int i = 0; i <= std::min(reach, count - 1); ++i) sum += scratch[i];
  for (int i = 0; i < count; ++i) {
    line[static_cast<size_t>(i) * step] = static_cast<uint16_t>((sum + span / 2) / span);
    const int entering = i + reach + 1, leaving = i - reach;
    if (entering < count) sum += scratch[entering];
    if (leaving >= 0) sum -= scratch[leaving];
  }
}

}  // namespace

void blurPlane(std::vector<uint16_t>& plane, int width, int height, int radius) {
  // Three boxes whose half-widths add up to the radius approach a Gaussian.
  const int reaches[3] = {(radius + 2) / 3, (radius + 1) / 3, radius / 3};
  std::vector<uint16_t> scratch;
  for (int reach : reaches) {
    for (int y = 0; y < height; ++y)
      boxPass(&plane[static_cast<size_t>(y) * width], width, 1, reach, scratch);
    for (int x = 0; x < width; ++x) boxPass(&plane[x], height, width, reach, scratch);
  }
}

}  // namespace kvx::shadow
