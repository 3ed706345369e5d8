#pragma once
// Turns a shape into a 24-bit colour buffer and an 8-bit coverage mask of BufferLib.
#include <string>

#include "kvxtheme/bufferlib.h"
#include "raster/placement.h"
#include "raster/render_object.h"
#include "raster/shape.h"

struct Rendering {
  BufHandle image = 0;
  BufHandle mask = 0;
  Margins margins;
};

// Renders the shape filled with the colour record's fill colour (colour glyphs keep their own)
// and stroked with its stroke colour when the record gives a stroke width, scaled as `sizing` says.
// The mask carries the anti-aliased coverage times the record's opacity. On failure no buffer is
// left allocated and `error` says why.
bool rasterize(const Shape& shape, const QrColorRecord& color, const Sizing& sizing,
               Rendering* rendering, std::string* error);
