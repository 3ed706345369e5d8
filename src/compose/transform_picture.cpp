#include "compose/transform_picture.h"

#include <new>

#include "document/theme_document.h"
#include "platform/buffer/buffer_table.h"
#include "platform/transform/quad_map.h"

int TransformPicture::transform(CornerPoint topLeft, CornerPoint bottomLeft, CornerPoint topRight,
                                CornerPoint bottomRight) {
  done_ = false;
  if (!picture_ || width_ <= 0 || height_ <= 0) return 0;
  const int32_t points[8] = {topLeft.x,     topLeft.y,     topRight.x,   topRight.y,
                             bottomRight.x, bottomRight.y, bottomLeft.x, bottomLeft.y};
  const auto placement = kvx::transform::placeOnCorners(points);
  // The same limit as any buffer of the pixel library: a byte count that fits 32 bits.
  if (!placement || kvx::pixels::bufferStride(24, placement->width, placement->height) < 0)
    return 0;
  const size_t bytes = size_t(placement->width) * size_t(placement->height) * 3;
  if (scratch_->pixels.size() != bytes) {
    try {
      scratch_->pixels.resize(bytes);
    } catch (const std::bad_alloc&) {
      scratch_->pixels = {};
      scratch_->width = scratch_->height = 0;
      return 0;
    }
  }
  scratch_->width = placement->width;
  scratch_->height = placement->height;
  kvx::transform::mapOntoQuad(
      *placement, kvx::pixels::packedView(picture_, width_, height_),
      kvx::pixels::packedView(scratch_->pixels.data(), placement->width, placement->height));
  done_ = true;
  return 1;
}

int TransformPicture::resultSize(int* width, int* height) const {
  if (!done_ || !width || !height) return 0;
  *width = scratch_->width;
  *height = scratch_->height;
  return 1;
}

const uint8_t* TransformPicture::result() const {
  return done_ ? scratch_->pixels.data() : nullptr;
}
