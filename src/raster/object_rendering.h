#pragma once
// Renders a text or path object into a fresh colour buffer and coverage mask.
#include <string>

#include "raster/rasterizer.h"
#include "raster/render_object.h"

// The caller holds the object's mutex. On success the object remembers the margins of the
// rendering; on failure `error` says why and the rendering is left as it was.
bool renderObjectPixels(RenderObject& object, Rendering* rendering, std::string* error);
