#pragma once
// Where a drawing lands in its rendered picture: the picture's size, the scale and offset from
// the drawing's coordinates to pixels, and the transparent margins around the drawing.
#include <cstdint>

#include "raster/render_object.h"
#include "raster/shape.h"

// Transparent border left around every drawing, so that anti-aliased edges are never cut.
constexpr int kRenderPadding = 2;
constexpr int kMaxRenderSide = 16384;
constexpr int64_t kMaxRenderPixels = int64_t{1} << 24;
constexpr double kMaxResizePercent = 10000.0;

struct Placement {
  int width = 1, height = 1;
  double scaleX = 1, scaleY = 1;
  double offsetX = 0, offsetY = 0;  // pixel = coordinate × scale + offset
  Margins margins;
};

enum class PlaceResult { Ok, Empty, TooLarge };

// Lays out `box` (the drawing's extent) for the sizing. Empty drawings give a 1 × 1 picture.
PlaceResult placeBox(const Box& box, const Sizing& sizing, Placement* placement);

// Percentages a resize applies: a zero percentage follows the other one, both zero mean 100.
void effectivePercents(const Sizing& sizing, double* widthPercent, double* heightPercent);
bool resizeValid(double widthPercent, double heightPercent);
bool stretchValid(double left, double top, double right, double bottom);
