#pragma once
// Maps a picture onto a quadrilateral: every target pixel centre inside the quad is taken back
// to the picture through the projective map and sampled bilinearly; the rest is black.
#include <cstdint>
#include <optional>

#include "platform/buffer/pixel_view.h"
#include "platform/transform/projective_map.h"

namespace kvx::transform {

// The corners' bounding box in the plane: the area a mapped picture covers.
struct QuadBounds {
  int left, top, width, height;
};

// Bounds of corners given as x, y of top-left, top-right, bottom-right, bottom-left; none when
// an extent does not fit an int.
std::optional<QuadBounds> quadBounds(const int32_t points[8]);

// Maps `source` through `map` into `target`, whose first pixel lies at plane (left, top).
// Every target pixel is written; source and target have the same bytes per pixel (1 or 3).
void mapOntoQuad(const ProjectiveMap& map, pixels::ConstPixelView source, int left, int top,
                 pixels::PixelView target);

}  // namespace kvx::transform
