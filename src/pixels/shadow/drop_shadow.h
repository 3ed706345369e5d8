#pragma once
// A drop shadow's mask from an object's mask: the mask blurred by the radius, scaled by the
// opacity and moved by the offsets. Every kind is a drop shadow.
#include "pixels/pixel_buffer.h"

namespace kvx::shadow {

struct DropShadowParams {
  int kind = 0;
  int offsetX = 10;
  int offsetY = 10;
  int opacity = 100;  // percent, clamped to 0..100
  int blurRadius = 5;
};

struct DropShadow {
  kvx::pixels::SharedBuffer mask;  // 8-bit
  int x = 0, y = 0;                // relative to the object
};

// The shadow's rectangle grows by the radius on every side so that it holds the whole blur.
// False for a 24-bit source, a rectangle beyond 32 bits or exhausted memory.
bool makeDropShadow(const kvx::pixels::PixelBuffer& mask, const DropShadowParams& params,
                    DropShadow* shadow);

}  // namespace kvx::shadow
