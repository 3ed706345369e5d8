#include "compose/overlay_alpha.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(OverlayAlphaTest, HolesPagesAndShadows) {
  const struct {
    uint8_t black[3], white[3];
    uint8_t expected[4];
  } cases[] = {
      {{0, 0, 0}, {255, 255, 255}, {0, 0, 0, 0}},           // the host's frame shows: a hole
      {{10, 200, 90}, {10, 200, 90}, {10, 200, 90, 255}},   // the page alone: opaque
      {{0, 0, 0}, {128, 128, 128}, {0, 0, 0, 127}},         // a half-transparent black shadow
      {{100, 50, 0}, {227, 177, 127}, {200, 100, 0, 128}},  // half of a colour over the host
  };
  for (const auto& c : cases) {
    uint8_t bgra[4];
    overlayRowFromBlackAndWhite(c.black, c.white, 1, bgra);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(bgra[i], c.expected[i], 1) << "channel " << i;
  }
}

// Whatever a normal-mode layer does over black and white, the overlay laid over any host colour
// with the "over" operator gives what the layer gives over that colour.
TEST(OverlayAlphaTest, LaidOverAnyColourItIsTheComposition) {
  std::srand(7);
  for (int trial = 0; trial < 20000; ++trial) {
    const int coverage = std::rand() % 256;
    uint8_t colour[3], black[3], white[3], host[3];
    for (int c = 0; c < 3; ++c) {
      colour[c] = static_cast<uint8_t>(std::rand() % 256);
      host[c] = static_cast<uint8_t>(std::rand() % 256);
      black[c] = static_cast<uint8_t>((colour[c] * coverage + 127) / 255);
      white[c] = static_cast<uint8_t>((colour[c] * coverage + 255 * (255 - coverage) + 127) / 255);
    }
    uint8_t bgra[4];
    overlayRowFromBlackAndWhite(black, white, 1, bgra);
    for (int c = 0; c < 3; ++c) {
      const int composed = (colour[c] * coverage + host[c] * (255 - coverage) + 127) / 255;
      const int laid = (bgra[c] * bgra[3] + host[c] * (255 - bgra[3]) + 127) / 255;
      ASSERT_NEAR(laid, composed, 2) << "coverage " << coverage << ", channel " << c;
    }
  }
}

}  // namespace
