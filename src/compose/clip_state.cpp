#include "compose/clip_state.h"

#include <new>

#include "compose/text_layers.h"

int ClipState::buildLayers(int width, int height) {
  if (layersBuilt) return 1;
  // A page without a size (a theme that failed to load) has no scale to build with.
  if (theme_.pageWidth <= 0 || theme_.pageHeight <= 0 || width <= 0 || height <= 0) return 0;
  scaleX = static_cast<double>(width) / theme_.pageWidth;
  scaleY = static_cast<double>(height) / theme_.pageHeight;
  const int frameW = scaledLength(theme_.pageWidth, scaleX);
  const int frameH = scaledLength(theme_.pageHeight, scaleY);
  if (frameW <= 0 || frameH <= 0) return 0;
  try {
    frameBuffer.assign(static_cast<size_t>(frameW) * static_cast<size_t>(frameH) * 3, 0);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  frameWidth = frameW;
  frameHeight = frameH;
  layerBuilder().buildLayers(theme_.objects, layers, textObjects);
  special = {findLayer("placeholder"), findLayer("holder_ref"), findLayer("video")};
  for (const auto& layer : layers)
    layer->isCaption = layer->isText && isCaptionLayerName(layer->name);
  overlayCache = {};
  layersBuilt = 1;
  return 1;
}

ThemeLayer* ClipState::findLayer(const char* name) const {
  for (const auto& layer : layers)
    if (layer && namesEqualIgnoringCase(layer->name.c_str(), name)) return layer.get();
  return nullptr;
}

int ClipState::rebuildTextLayer(ThemeLayer* layer, const char* text) const {
  return layerBuilder().rebuildTextLayer(layer, text);
}
