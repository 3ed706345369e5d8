#include "compose/overlay_alpha.h"

#include <algorithm>

namespace {

// ceil(2^24 / d) for every alpha d: (n × it) >> 24 is n / d rounded down for every n < 2^16,
// which spares a division per channel.
struct Reciprocals {
  uint64_t of[256];
  constexpr Reciprocals() : of{} {
    for (uint64_t d = 1; d < 256; ++d) of[d] = ((uint64_t{1} << 24) + d - 1) / d;
  }
};
constexpr Reciprocals kReciprocals;

}  // namespace

void overlayRowFromBlackAndWhite(const uint8_t* overBlack, const uint8_t* overWhite, int width,
                                 uint8_t* bgra) {
  for (int x = 0; x < width; ++x, overBlack += 3, overWhite += 3, bgra += 4) {
    int shown = 0;
    for (int c = 0; c < 3; ++c) shown += std::max(0, overWhite[c] - overBlack[c]);
    const int alpha = 255 - (shown + 1) / 3;
    bgra[3] = static_cast<uint8_t>(alpha);
    // Alpha 0 has a reciprocal of 0: no colour where nothing shows.
    const uint64_t reciprocal = kReciprocals.of[alpha];
    for (int c = 0; c < 3; ++c) {
      const uint64_t unpremultiplied = ((overBlack[c] * 255u + alpha / 2) * reciprocal) >> 24;
      bgra[c] = static_cast<uint8_t>(std::min<uint64_t>(255, unpremultiplied));
    }
  }
}
