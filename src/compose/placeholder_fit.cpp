// A still picture fitted into the placeholder with its aspect kept.
#include <memory>

#include "compose/bitmap_rows.h"
#include "compose/compositor.h"
#include "compose/placeholder_fitter.h"

const ThemeLayer* Compositor::fitPictureToPlaceholder(const BITMAPINFOHEADER* picture) {
  ThemeLayer* layer = document_.findLayer("placeholder");
  if (!layer || layer->width <= 0 || layer->height <= 0) return nullptr;
  if (!isReadableBitmap(picture)) return nullptr;
  PlaceholderFitter fitter(layer, &document_.fitScratch);
  fitter.fitInside = 1;

  const int width = picture->biWidth, height = picture->biHeight;
  std::unique_ptr<uint8_t[]> packed(new uint8_t[static_cast<size_t>(width) * height * 3]);
  bitmapToPacked(picture, packed.get());
  if (!fitter.fit(packed.get(), width, height, 0)) return nullptr;
  return layer;
}
