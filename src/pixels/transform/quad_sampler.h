#pragma once
// Bilinear samples along the part of a row that lies inside the quad for certain, the bulk of
// a placement's work. Position i of the run is, in source pixels,
//   x = (u0 + du·i) / w − ½,  y = (v0 + dv·i) / w − ½,  w = w0 (affine) or w0 + dw·i,
// clamped to the picture; weights have 12 bits, as the scalar sampler's.
#include <cstdint>

#include "pixels/pixel_view.h"

namespace kvx::transform {

constexpr int kSampleWeightBits = 12;

struct InsideRun {
  float u0, du, v0, dv, w0, dw;
  bool affine;
  int count;
};

// Samples the longest prefix of the run the vector code takes whole vectors of (the best
// instruction set the processor has) into `out`, packed as `source`; returns its length.
int sampleInsideRun(const InsideRun& run, pixels::ConstPixelView source, uint8_t* out);

}  // namespace kvx::transform
