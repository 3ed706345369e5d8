#pragma once
// Text layers show the host's texts for the current slide: each the text of its own name, the
// caption layer the four caption fields, one a line. A layer without a text hides.
#include <string>

#include "compose/clip_state.h"
#include "kvxtheme/kvxtheme.h"

// The caption layer is the one named "OnScreenText", in this letter case.
bool isCaptionLayerName(const std::string& name);

int updateTextLayers(ClipState& clip, ITextProvider* provider, int frameIndex);
// The text the host gives the layer named `key` at `frameIndex`, or the caption fields.
int queryLayerText(ITextProvider* provider, int frameIndex, const char* key, bool caption,
                   std::string& text);
