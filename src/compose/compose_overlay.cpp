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

}  // namespace

int Compositor::composeOverlay(unsigned char** bgraRows, int height, int width, int frameIndex) {
  if (!bgraRows || width <= 0 || height <= 0) return 0;
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
  for (int y = 0; y < height; ++y)
    overlayRowFromBlackAndWhite(document_.overlayBlack.data() + y * rowBytes,
                                document_.overlayWhite.data() + y * rowBytes, width, bgraRows[y]);
  return 1;
}
