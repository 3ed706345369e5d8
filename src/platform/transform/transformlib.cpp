// q32TxAction: action 3 maps a picture onto four corner points.
#include "platform/transform/transformlib.h"

#include "platform/buffer/buffer_table.h"
#include "platform/transform/quad_map.h"

namespace {

constexpr int kActionMapCorners = 3;

}  // namespace

int q32TxAction(int action, int pointCount, const int32_t* points, int /*mode*/, BufHandle source,
                int /*reserved1*/, BufHandle* result, int /*reserved2*/, int /*reserved3*/,
                int /*reserved4*/, int /*reserved5*/, int /*reserved6*/) {
  if (action != kActionMapCorners || pointCount != 4 || !points || !result) return 0;
  auto picture = kvx::pixels::findBuffer(source);
  if (!picture || picture->bitsPerPixel == 1) return 0;

  kvx::transform::Point corners[4];
  for (int i = 0; i < 4; ++i)
    corners[i] = {static_cast<double>(points[2 * i]), static_cast<double>(points[2 * i + 1])};
  const auto bounds = kvx::transform::quadBounds(points);
  kvx::transform::ProjectiveMap map;
  if (!bounds || !map.fit(corners)) return 0;
  auto mapped = kvx::pixels::makeBuffer(picture->bitsPerPixel, bounds->width, bounds->height);
  if (!mapped) return 0;  // refused size or no memory

  const int bpp = picture->bytesPerPixel();
  kvx::transform::mapOntoQuad(
      map, {picture->data.data(), picture->width, picture->height, picture->stride, bpp},
      bounds->left, bounds->top,
      {mapped->data.data(), mapped->width, mapped->height, mapped->stride, bpp});
  return kvx::pixels::handOut(std::move(mapped), result) ? 1 : 0;
}
