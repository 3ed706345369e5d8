#include "compose/overlay_alpha.h"

#include <algorithm>

void overlayRowFromBlackAndWhite(const uint8_t* overBlack, const uint8_t* overWhite, int width,
                                 uint8_t* bgra) {
  for (int x = 0; x < width; ++x, overBlack += 3, overWhite += 3, bgra += 4) {
    int shown = 0;
    for (int c = 0; c < 3; ++c) shown += std::max(0, overWhite[c] - overBlack[c]);
    const int alpha = 255 - (shown + 1) / 3;
    bgra[3] = static_cast<uint8_t>(alpha);
    for (int c = 0; c < 3; ++c)
      bgra[c] = alpha == 0
                    ? 0
                    : static_cast<uint8_t>(std::min(255, (overBlack[c] * 255 + alpha / 2) / alpha));
  }
}
