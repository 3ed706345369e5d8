// The overlay comes from two compositions of the frame with uniform host frames.
#include "compose/overlay.h"

#include <cstring>
#include <utility>
#include <vector>

#include "compose/compose_frame.h"
#include "compose/overlay_alpha.h"

namespace {

// Row pointers into a packed picture of `height` rows of `rowBytes`.
std::vector<unsigned char*> rowsOf(std::vector<uint8_t>& picture, int height, size_t rowBytes) {
  std::vector<unsigned char*> rows(height);
  for (int y = 0; y < height; ++y) rows[y] = picture.data() + y * rowBytes;
  return rows;
}

bool videoPlays(const ClipState& clip) {
  return clip.special.video && !clip.special.video->isHidden();
}

// True when the last overlay still holds: same size, no video playing, every text layer as it
// was. Otherwise records the present state for the overlay about to be composed.
bool reusable(ClipState& clip, int width, int height) {
  OverlayCache& cache = clip.overlayCache;
  bool same =
      !cache.bgra.empty() && cache.width == width && cache.height == height && !videoPlays(clip);
  size_t i = 0;
  for (const auto& layer : clip.layers) {
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

int composeOverlay(ClipState& clip, unsigned char** bgraRows, int height, int width,
                   int frameIndex) {
  if (!bgraRows || width <= 0 || height <= 0) return 0;
  const size_t bgraRowBytes = static_cast<size_t>(width) * 4;
  OverlayCache& cache = clip.overlayCache;
  if (reusable(clip, width, height)) {
    for (int y = 0; y < height; ++y)
      std::memcpy(bgraRows[y], cache.bgra.data() + y * bgraRowBytes, bgraRowBytes);
    return 1;
  }
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  const size_t bytes = rowBytes * height;
  // The uniform host frames stay filled from frame to frame.
  for (auto [host, level] : {std::pair{&clip.overlay.hostBlack, uint8_t{0}},
                             std::pair{&clip.overlay.hostWhite, uint8_t{255}}})
    if (host->size() != bytes) host->assign(bytes, level);
  clip.overlay.black.resize(bytes);
  clip.overlay.white.resize(bytes);
  for (const bool white : {false, true}) {
    std::vector<unsigned char*> hostRows =
        rowsOf(white ? clip.overlay.hostWhite : clip.overlay.hostBlack, height, rowBytes);
    std::vector<uint8_t>& composed = white ? clip.overlay.white : clip.overlay.black;
    std::vector<unsigned char*> composedRows = rowsOf(composed, height, rowBytes);
    const uint32_t incomplete = clip.incompleteFrames;
    if (!composeFrame(clip, hostRows.data(), composedRows.data(), height, width, frameIndex, 0) ||
        clip.incompleteFrames != incomplete)
      return 0;
  }
  for (int y = 0; y < height; ++y)
    overlayRowFromBlackAndWhite(clip.overlay.black.data() + y * rowBytes,
                                clip.overlay.white.data() + y * rowBytes, width, bgraRows[y]);
  // A playing video changes the overlay every frame: nothing to keep.
  if (videoPlays(clip)) return 1;
  cache.bgra.resize(bgraRowBytes * height);
  for (int y = 0; y < height; ++y)
    std::memcpy(cache.bgra.data() + y * bgraRowBytes, bgraRows[y], bgraRowBytes);
  cache.width = width;
  cache.height = height;
  return 1;
}
