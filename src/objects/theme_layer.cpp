#include "objects/theme_layer.h"

ThemeLayer::~ThemeLayer() {
  releasePixels();
}

void ThemeLayer::releasePixels() {
  if (basePixels != pixels) delete[] basePixels;
  if (baseMask != maskPixels) delete[] baseMask;
  delete[] pixels;
  delete[] maskPixels;
  basePixels = baseMask = pixels = maskPixels = nullptr;
  opaqueMask = false;
}
