// MergeHolder's work: a still picture fitted into the placeholder, handed back as a bitmap.
#include <memory>

#include "compose/bitmap_rows.h"
#include "compose/compositor.h"
#include "compose/placeholder_fitter.h"

int Compositor::fitPictureToPlaceholder(const BITMAPINFOHEADER* picture,
                                        BITMAPINFOHEADER** result) {
  if (!picture || !result) return 0;
  ThemeLayer* layer = document_.findLayer("placeholder");
  if (!layer || layer->width <= 0 || layer->height <= 0) return 0;
  if (!isReadableBitmap(picture)) return 0;
  PlaceholderFitter fitter(layer, &document_.fitScratch);
  fitter.fitInside = 1;

  const int width = picture->biWidth, height = picture->biHeight;
  std::unique_ptr<uint8_t[]> packed(new uint8_t[static_cast<size_t>(width) * height * 3]);
  bitmapToPacked(picture, packed.get());
  if (!fitter.fit(packed.get(), width, height, 0)) return 0;

  BITMAPINFOHEADER* bitmap = packedToBitmap(layer->pixels, layer->width, layer->height, picture);
  if (!bitmap) return 0;
  *result = bitmap;
  return 1;
}
