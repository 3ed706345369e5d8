// qCreateShadow: a drop shadow's mask from an object's mask.
//
// Parameter block (int32 each): size (24), kind, x offset, y offset, opacity percent, blur
// radius. Every kind is a drop shadow. The shadow is the mask blurred by the radius, scaled by
// the opacity (clamped to 0..100) and moved by the offsets; its rectangle, relative to the
// object, grows by the radius on every side so that it holds the whole blur.
#include "compat/shadow/shadowlib.h"

#include <algorithm>
#include <new>
#include <vector>

#include "compat/buffer/buffer_table.h"
#include "pixels/shadow/box_blur.h"

namespace {

constexpr int32_t kParameterBlockSize = 24;
// Wider blurs look no different and would only cost memory.
constexpr int kLargestRadius = 256;

}  // namespace

int qCreateShadow(BufHandle mask, const int32_t* params, BufHandle* shadowMask, int32_t* rect,
                  int /*reserved1*/, int /*reserved2*/, int /*reserved3*/) {
  if (!params || !shadowMask || !rect || params[0] != kParameterBlockSize) return 0;
  auto object = kvx::pixels::findBuffer(mask);
  if (!object || object->bitsPerPixel == 24) return 0;
  const int64_t offsetX = params[2], offsetY = params[3];
  const int opacity = std::clamp(params[4], 0, 100);
  const int radius = std::clamp(params[5], 0, kLargestRadius);

  const int64_t shadowWidth = static_cast<int64_t>(object->width) + 2 * radius;
  const int64_t shadowHeight = static_cast<int64_t>(object->height) + 2 * radius;
  const int64_t x = offsetX - radius, y = offsetY - radius;
  if (shadowWidth > INT32_MAX || shadowHeight > INT32_MAX || x < INT32_MIN || y < INT32_MIN)
    return 0;
  auto shadow =
      kvx::pixels::makeBuffer(8, static_cast<int>(shadowWidth), static_cast<int>(shadowHeight));
  if (!shadow) return 0;
  try {
    const int width = shadow->width, height = shadow->height;
    std::vector<uint16_t> plane(static_cast<size_t>(width) * height, 0);
    std::vector<uint8_t> run(object->width);
    for (int row = 0; row < object->height; ++row) {
      kvx::pixels::readPackedRun(*object, 0, row, object->width, run.data());
      std::copy(run.begin(), run.end(),
                plane.begin() + static_cast<size_t>(row + radius) * width + radius);
    }
    kvx::shadow::blurPlane(plane, width, height, radius);
    uint8_t* out = shadow->data.data();
    for (size_t i = 0; i < plane.size(); ++i)
      out[i] = static_cast<uint8_t>((plane[i] * opacity + 50) / 100);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  BufHandle handle = 0;
  const int32_t width = shadow->width, height = shadow->height;
  if (!kvx::pixels::handOut(std::move(shadow), &handle)) return 0;
  *shadowMask = handle;
  rect[0] = static_cast<int32_t>(x);
  rect[1] = static_cast<int32_t>(y);
  rect[2] = width;
  rect[3] = height;
  return 1;
}
