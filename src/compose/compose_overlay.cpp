// The theme over transparency, from two compositions of the frame with uniform host frames.
#include <cstring>
#include <vector>

#include "compose/compositor.h"
#include "compose/overlay_alpha.h"

namespace {

// Row pointers into a packed picture of `height` rows of `rowBytes`.
std::vector<unsigned char*> rowsOf(std::vector<uint8_t>& picture, int height, size_t rowBytes) {
  std::vector<unsigned char*> rows(height);
  for (int y = 0; y < height; ++y) rows[y] = picture.data() + y * rowBytes;
  return rows;
}

// True when the last overlay still holds: same size, no video playing, every text layer as it
// was. Otherwise records the present state for the overlay about to be composed.
bool reusable(ThemeDocument& document, int width, int height) {
  OverlayCache& cache = document.overlayCache;
  bool same = !cache.bgra.empty() && cache.width == width && cache.height == height;
  const ThemeLayer* video = document.findLayer("video");
  if (video && !video->isHidden()) same = false;
  size_t i = 0;
  for (const auto& layer : document.layers) {
    if (!layer || !layer->isText) continue;
    if (i == cache.textLayers.size()) {
      cache.textLayers.push_back({layer->flags, layer->text});
      ++i;
      same = false;
      continue;
    }
    OverlayCache::TextLayerState& state = cache.textLayers[i++];
    if (state.flags == layer->flags && state.text == layer->text) continue;
    same = false;
    state.flags = layer->flags;
    state.text = layer->text;
  }
  if (i != cache.textLayers.size()) {
    cache.textLayers.resize(i);
    same = false;
  }
  if (!same) cache.bgra.clear();
  return same;
}

}  // namespace

int Compositor::composeOverlay(unsigned char** bgraRows, int height, int width, int frameIndex) {
  if (!bgraRows || width <= 0 || height <= 0) return 0;
  const size_t bgraRowBytes = static_cast<size_t>(width) * 4;
  OverlayCache& cache = document_.overlayCache;
  if (reusable(document_, width, height)) {
    for (int y = 0; y < height; ++y)
      std::memcpy(bgraRows[y], cache.bgra.data() + y * bgraRowBytes, bgraRowBytes);
    return 1;
  }
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  const size_t bytes = rowBytes * height;
  document_.overlayBlack.resize(bytes);
  document_.overlayWhite.resize(bytes);
  std::vector<uint8_t>& source = document_.overlaySource;
  std::vector<unsigned char*> sourceRows;
  for (const uint8_t level : {uint8_t{0}, uint8_t{255}}) {
    source.assign(bytes, level);
    sourceRows = rowsOf(source, height, rowBytes);
    std::vector<uint8_t>& composed = level ? document_.overlayWhite : document_.overlayBlack;
    std::vector<unsigned char*> composedRows = rowsOf(composed, height, rowBytes);
    const uint32_t incomplete = document_.incompleteFrames;
    if (!composeFrame(sourceRows.data(), composedRows.data(), height, width, frameIndex, 0) ||
        document_.incompleteFrames != incomplete)
      return 0;
  }
  cache.bgra.resize(bgraRowBytes * height);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = cache.bgra.data() + y * bgraRowBytes;
    overlayRowFromBlackAndWhite(document_.overlayBlack.data() + y * rowBytes,
                                document_.overlayWhite.data() + y * rowBytes, width, row);
    std::memcpy(bgraRows[y], row, bgraRowBytes);
  }
  cache.width = width;
  cache.height = height;
  return 1;
}
