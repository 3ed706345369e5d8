#pragma once
// Blends a packed layer into a picture through its 8-bit mask (merge_kernels.h has the
// arithmetic of each mode).
#include <cstdint>

#include "pixels/pixel_view.h"

namespace kvx::pixels {

// The layer's `width` × `height` pixels at (x, y) of `destination`, clipped to it; its colour
// and mask rows are `sourceWidth` pixels long. A null mask is opaque. Mode 0 is taken as
// normal, `level` (the layer's transparency percent) is clamped to 0..100. False for a mode
// or depth the kernels do not know, or when memory runs out.
bool mergeLayer(const PixelView& destination, int x, int y, int width, int height,
                const uint8_t* source, const uint8_t* mask, int sourceWidth, int mode, int level);

}  // namespace kvx::pixels
