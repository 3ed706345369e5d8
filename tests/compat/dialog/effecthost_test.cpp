#include "kvxtheme/effecthost.h"

#include <gtest/gtest.h>

#include <vector>

TEST(EffectPreview, RedrawsOnceForEachInvalidation) {
  std::vector<CVFTEffect*> redrawn;
  EffectPreview preview([&](CVFTEffect* effect) { redrawn.push_back(effect); });
  CVFTEffect effect;
  EXPECT_EQ(vft32UpdateWindow(&preview), 1);
  EXPECT_TRUE(redrawn.empty());

  EXPECT_EQ(vft32InvalidateRect(&effect, &preview, nullptr, 0), 1);
  EXPECT_EQ(vft32InvalidateRect(&effect, &preview, nullptr, 1), 1);
  EXPECT_TRUE(preview.invalid());
  EXPECT_TRUE(redrawn.empty());
  vft32UpdateWindow(&preview);
  vft32UpdateWindow(&preview);
  ASSERT_EQ(redrawn.size(), 1u);
  EXPECT_EQ(redrawn[0], &effect);
  EXPECT_FALSE(preview.invalid());
  EXPECT_EQ(preview.redrawCount(), 1);
}

TEST(EffectPreview, InvalidatingDuringARedrawAsksForAnother) {
  EffectPreview* self = nullptr;
  int redraws = 0;
  EffectPreview preview([&](CVFTEffect* effect) {
    if (++redraws == 1) self->invalidate(effect);
  });
  self = &preview;
  preview.invalidate(nullptr);
  preview.update();
  EXPECT_TRUE(preview.invalid());
  preview.update();
  EXPECT_EQ(redraws, 2);
}

TEST(EffectPreview, NullPreviewIsRefused) {
  CVFTEffect effect;
  EXPECT_EQ(vft32InvalidateRect(&effect, nullptr, nullptr, 0), 0);
  EXPECT_EQ(vft32UpdateWindow(nullptr), 0);
}
