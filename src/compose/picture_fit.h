#pragma once
// A still picture fitted into the placeholder with its aspect kept.
#include "compose/clip_state.h"
#include "kvxtheme/kvxtheme.h"

// The placeholder's layer, which holds the result, or null when the picture or the
// placeholder is unusable.
const ThemeLayer* fitPictureToPlaceholder(ClipState& clip, const BITMAPINFOHEADER* picture);
