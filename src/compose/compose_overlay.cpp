// The theme over transparency, from two compositions of the frame with uniform host frames.
#include <cstring>
#include <utility>
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

bool videoPlays(ThemeDocument& document) {
  const ThemeLayer* video = document.findLayer("video");
  return video && !video->isHidden();
}

// True when the last overlay still holds: same size, no video playing, every text layer as it
// was. Otherwise records the present state for the overlay about to be composed.
bool reusable(ThemeDocument& document, int width, int height) {
  OverlayCache& cache = document.overlayCache;
  bool same = !cache.bgra.empty() && cache.width == width && cache.height == height &&
              !videoPlays(document);
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
  // The uniform host frames stay filled from frame to frame.
  for (auto [host, level] : {std::pair{&document_.overlayHostBlack, uint8_t{0}},
                             std::pair{&document_.overlayHostWhite, uint8_t{255}}})
    if (host->size() != bytes) host->assign(bytes, level);
  document_.overlayBlack.resize(bytes);
  document_.overlayWhite.resize(bytes);
  for (const bool white : {false, true}) {
    std::vector<unsigned char*> hostRows =
        rowsOf(white ? document_.overlayHostWhite : document_.overlayHostBlack, height, rowBytes);
    std::vector<uint8_t>& composed = white ? document_.overlayWhite : document_.overlayBlack;
    std::vector<unsigned char*> composedRows = rowsOf(composed, height, rowBytes);
    const uint32_t incomplete = document_.incompleteFrames;
    if (!composeFrame(hostRows.data(), composedRows.data(), height, width, frameIndex, 0) ||
        document_.incompleteFrames != incomplete)
      return 0;
  }
  for (int y = 0; y < height; ++y)
    overlayRowFromBlackAndWhite(document_.overlayBlack.data() + y * rowBytes,
                                document_.overlayWhite.data() + y * rowBytes, width, bgraRows[y]);
  // A playing video changes the overlay every frame: nothing to keep.
  if (videoPlays(document_)) return 1;
  cache.bgra.resize(bgraRowBytes * height);
  for (int y = 0; y < height; ++y)
    std::memcpy(cache.bgra.data() + y * bgraRowBytes, bgraRows[y], bgraRowBytes);
  cache.width = width;
  cache.height = height;
  return 1;
}
