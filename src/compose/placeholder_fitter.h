#pragma once
// Writes a packed 24-bit picture into the placeholder layer: stretched to the layer's size
// (direct), or scaled uniformly to its top-left corner (aspect fit).
#include <cstdint>

struct FitScratch;
class ThemeLayer;

class PlaceholderFitter {
 public:
  // `scratch` holds the aspect fit's buffers between calls (one per document).
  PlaceholderFitter(ThemeLayer* target, FitScratch* scratch) : target(target), scratch_(scratch) {}

  int fit(const uint8_t* picture, int width, int height, int direct);
  // The direct fit of a picture given by its rows, which may repeat (a field's doubled lines).
  int fitRows(const uint8_t* const* rows, int width, int height);

  // 1: the whole picture is visible over the layer's built picture; 0: it covers the layer.
  int fitInside = 0;
  ThemeLayer* target;

 private:
  int fitDirect(const uint8_t* picture, int width, int height);
  int fitAspect(const uint8_t* picture, int width, int height);

  FitScratch* scratch_;
};
