// q32TxAction: action 3 maps a picture onto four corner points.
#include "compat/transform/transformlib.h"

#include "compat/buffer/buffer_table.h"
#include "pixels/transform/quad_map.h"

namespace {

constexpr int kActionMapCorners = 3;

}  // namespace

int q32TxAction(int action, int pointCount, const int32_t* points, int /*mode*/, BufHandle source,
                int /*reserved1*/, BufHandle* result, int /*reserved2*/, int /*reserved3*/,
                int /*reserved4*/, int /*reserved5*/, int /*reserved6*/) {
  if (action != kActionMapCorners || pointCount != 4 || !points || !result) return 0;
  auto picture = kvx::pixels::findBuffer(source);
  if (!picture || picture->bitsPerPixel == 1) return 0;

  const auto placement = kvx::transform::placeOnCorners(points);
  if (!placement) return 0;
  auto mapped = kvx::pixels::makeBuffer(picture->bitsPerPixel, placement->width, placement->height);
  if (!mapped) return 0;  // refused size or no memory

  const int bpp = picture->bytesPerPixel();
  kvx::transform::mapOntoQuad(
      *placement, {picture->data.data(), picture->width, picture->height, picture->stride, bpp},
      {mapped->data.data(), mapped->width, mapped->height, mapped->stride, bpp});
  return kvx::pixels::handOut(std::move(mapped), result) ? 1 : 0;
}
