#pragma once
// The host's picture mapped onto four corner points and shown at the placeholder's size in one
// pass: the corners' bounding box is scaled to the layer, so the picture is sampled once, at
// the size it is seen at, instead of being mapped at the box's size and resized after.
#include <cstdint>

#include "compose/corners.h"

class ThemeLayer;
struct PlacementScratch;

// Writes every pixel of the layer, black outside the quad. False when the corners are
// degenerate or their bounding box is too large for a 24-bit buffer: the layer keeps its
// pixels then.
bool placeOnCorners(const uint8_t* picture, int width, int height, const Corners& corners,
                    ThemeLayer& layer, PlacementScratch& scratch);
