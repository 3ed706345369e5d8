#include "compose/picture_fit.h"

#include <memory>

#include "compose/bitmap_rows.h"
#include "compose/placeholder_fitter.h"

const ThemeLayer* fitPictureToPlaceholder(ClipState& clip, const BITMAPINFOHEADER* picture) {
  ThemeLayer* layer = clip.special.placeholder;
  if (!layer || layer->width <= 0 || layer->height <= 0) return nullptr;
  if (!isReadableBitmap(picture)) return nullptr;
  PlaceholderFitter fitter(layer, &clip.fitScratch);
  fitter.fitInside = 1;

  const int width = picture->biWidth, height = picture->biHeight;
  std::unique_ptr<uint8_t[]> packed(new uint8_t[static_cast<size_t>(width) * height * 3]);
  bitmapToPacked(picture, packed.get());
  if (!fitter.fit(packed.get(), width, height, 0)) return nullptr;
  return layer;
}
