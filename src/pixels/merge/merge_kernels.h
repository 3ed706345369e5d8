#pragma once
// Row kernels of i32MergeEx. Every kernel blends `pixels` pixels of `source` into
// `destination` through `mask`; the vector kernel gives exactly the bytes of the scalar one.
//
// Per channel, with s the source byte, d the destination byte and m the mask byte:
//   alpha a = (m × (100 − level) + 50) / 100               (level 0 gives a = m)
//   colour c = mode 1 (and 0): s
//              mode 2 multiply: (s × d + 128) / 255
//              mode 3 screen:   s + d − (s × d + 128) / 255
//              mode 4 add:      min(s + d, 255)
//   result  = (c × a + d × (255 − a) + 128) / 255
// The divisions by 255 round to nearest, so a = 255 gives exactly c.
#include <cstdint>

namespace kvx::pixels {

enum MergeMode { kMergeNormal = 1, kMergeMultiply = 2, kMergeScreen = 3, kMergeAdd = 4 };

struct MergeRow {
  uint8_t* destination;
  const uint8_t* source;
  const uint8_t* mask;
  int pixels;
  int bytesPerPixel;  // 1 or 3
  int mode;           // kMergeNormal .. kMergeAdd
  int level;          // 0..100
};

// The vector kernel of the best instruction set the processor has.
void mergeRowFast(const MergeRow& row);
// The reference the vector kernels are held to.
void mergeRowScalar(const MergeRow& row);

}  // namespace kvx::pixels
