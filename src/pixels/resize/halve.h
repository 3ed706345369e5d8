#pragma once
// Halves a packed 24-bit picture along either axis or both by averaging neighbouring pixels:
// the cheap prefilter that lets a bilinear sampler shrink a picture without skipping pixels.
// An odd last column or row is averaged with itself.
#include "pixels/pixel_view.h"

namespace kvx::resize {

// The size of `width` × `height` halved along the chosen axes.
inline int halvedSize(int size, bool halve) {
  return halve ? (size + 1) / 2 : size;
}

// `target` has the halved size of `source`; both hold 3 bytes a pixel. At least one axis is
// halved.
void halvePicture(pixels::ConstPixelView source, bool halveX, bool halveY,
                  pixels::PixelView target);

// The same without vectors: the reference the fast path is checked against.
void halvePictureScalar(pixels::ConstPixelView source, bool halveX, bool halveY,
                        pixels::PixelView target);

}  // namespace kvx::resize
