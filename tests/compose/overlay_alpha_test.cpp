#include "compose/overlay_alpha.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The colour is the part over black divided by alpha, rounded, for every value and alpha.
TEST(OverlayAlphaTest, UnpremultipliesAsADivisionWould) {
  for (int black = 0; black < 256; ++black)
    for (int shown = 0; black + shown < 256; ++shown) {
      const uint8_t overBlack[3] = {uint8_t(black), uint8_t(black), uint8_t(black)};
      const uint8_t overWhite[3] = {uint8_t(black + shown), uint8_t(black + shown),
                                    uint8_t(black + shown)};
      uint8_t bgra[4];
      overlayRowFromBlackAndWhite(overBlack, overWhite, 1, bgra);
      const int alpha = 255 - shown;
      ASSERT_EQ(bgra[3], alpha);
      const int expected = alpha == 0 ? 0 : std::min(255, (black * 255 + alpha / 2) / alpha);
      ASSERT_EQ(bgra[0], expected) << "black " << black << ", alpha " << alpha;
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
