#pragma once
// Maps a picture onto a quadrilateral: every target pixel centre inside the quad is taken back
// to the picture through the projective map and sampled bilinearly; the rest is black.
#include <cstdint>
#include <optional>

#include "pixels/pixel_view.h"
#include "pixels/transform/projective_map.h"

namespace kvx::transform {

// Where a picture goes: the map from the plane back to the unit square, and the corners'
// bounding box in the plane, the area the mapped picture covers.
struct QuadPlacement {
  ProjectiveMap map;
  int left, top, width, height;
};

// From x, y of the corners top-left, top-right, bottom-right, bottom-left; none when they are
// degenerate or an extent does not fit an int.
std::optional<QuadPlacement> placeOnCorners(const int32_t points[8]);

// How pixels on the quad's sides are drawn: in or out by their centre, or darkened by the
// share of them the quad covers (the picture's edge then shows no steps).
enum class Edges { kByCentre, kSmooth };

// Maps `source` into `target`, which covers the placement's box. Every target pixel is
// written; source and target have the same bytes per pixel (1 or 3).
void mapOntoQuad(const QuadPlacement& placement, pixels::ConstPixelView source,
                 pixels::PixelView target, Edges edges = Edges::kByCentre);

}  // namespace kvx::transform
