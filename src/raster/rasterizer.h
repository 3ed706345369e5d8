#pragma once
// Turns a shape into a 24-bit colour buffer and an 8-bit coverage mask.
#include <string>

#include "pixels/pixel_buffer.h"
#include "raster/placement.h"
#include "raster/render_object.h"
#include "raster/shape.h"

struct Rendering {
  kvx::pixels::SharedBuffer image;
  kvx::pixels::SharedBuffer mask;
  Margins margins;
};

// Renders the shape filled with the colour record's fill colour (colour glyphs keep their own)
// and stroked with its stroke colour when the record gives a stroke width, scaled as `sizing` says.
// The mask carries the anti-aliased coverage times the record's opacity. On failure the rendering
// is left as it was and `error` says why.
bool rasterize(const Shape& shape, const QrColorRecord& color, const Sizing& sizing,
               Rendering* rendering, std::string* error);
