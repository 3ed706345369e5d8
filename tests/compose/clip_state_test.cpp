#include "compose/clip_state.h"

#include <gtest/gtest.h>

#include <cstring>

#include "document/theme_document.h"
#include "effect/default_page.h"
#include "objects/picture_objects.h"

namespace {

using kvxtest::addPicture;

std::vector<std::string> layerNames(const ClipState& clip) {
  std::vector<std::string> names;
  for (const auto& layer : clip.layers) names.push_back(layer->name);
  return names;
}

}  // namespace

TEST(LayerBuilding, ScaledGeometryIsTruncated) {
  ThemeDocument document;
  ClipState clip(document);
  document.pageWidth = 768;
  document.pageHeight = 578;
  addPicture(document, "box", 100, 100, 200, 50);
  ASSERT_EQ(clip.buildLayers(720, 480), 1);
  EXPECT_DOUBLE_EQ(clip.scaleX, 0.9375);
  EXPECT_DOUBLE_EQ(clip.scaleY, 480.0 / 578);
  const ThemeLayer* layer = clip.findLayer("BOX");
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(layer->x, 93);
  EXPECT_EQ(layer->y, 83);
  EXPECT_EQ(layer->width, 187);
  EXPECT_EQ(layer->height, 41);
  EXPECT_EQ(clip.frameWidth, 720);
  EXPECT_EQ(clip.frameHeight, 480);
}

TEST(LayerBuilding, UnscaledLayersAreTheObjectsPixelsInFrameOrder) {
  ThemeDocument document;
  ClipState clip(document);
  document.pageWidth = 64;
  document.pageHeight = 32;
  addPicture(document, "red", 0, 0, 8, 4, 0x0000FF);  // red: R first in the buffer
  ASSERT_EQ(clip.buildLayers(64, 32), 1);
  const ThemeLayer* layer = clip.layers.front().get();
  EXPECT_EQ(layer->pixels[0], 0);    // blue
  EXPECT_EQ(layer->pixels[2], 255);  // red last, as frames hold it
  EXPECT_EQ(layer->maskPixels[0], 255);
  EXPECT_EQ(layer->basePixels, layer->pixels);
}

TEST(LayerBuilding, HeadFirstOrderWithShadowsUnderTheirObjects) {
  ThemeDocument document;
  ClipState clip(document);
  document.pageWidth = 100;
  document.pageHeight = 100;
  addPicture(document, "one", 0, 0, 10, 10);
  addPicture(document, "two", 0, 0, 10, 10)->shadowEnabled = 1;
  addPicture(document, "three", 0, 0, 10, 10);
  ASSERT_EQ(clip.buildLayers(100, 100), 1);
  EXPECT_EQ(layerNames(clip), (std::vector<std::string>{"three", "two-shadow", "two", "one"}));
  ThemeLayer* two = clip.findLayer("two");
  EXPECT_EQ(two->shadowLayer, clip.findLayer("two-shadow"));
  EXPECT_EQ(two->shadowLayer->sourceObject, nullptr);

  // A second build with another size changes nothing.
  ASSERT_EQ(clip.buildLayers(50, 50), 1);
  EXPECT_EQ(clip.frameWidth, 100);
  EXPECT_EQ(clip.layers.size(), 4u);
}

TEST(LayerBuilding, MissingBuffersGiveOpaqueOrTransparentLayers) {
  ThemeDocument document;
  ClipState clip(document);
  document.pageWidth = 20;
  document.pageHeight = 20;
  ThemeObject* noMask = addPicture(document, "nomask", 0, 0, 4, 4);
  noMask->maskBuffer.reset();
  ThemeObject* noPicture = addPicture(document, "nopicture", 0, 0, 4, 4);
  noPicture->imageBuffer.reset();
  ASSERT_EQ(clip.buildLayers(40, 40), 1);
  EXPECT_EQ(clip.findLayer("nomask")->maskPixels[0], 255);
  EXPECT_EQ(clip.findLayer("nopicture")->maskPixels[0], 0);
}

TEST(LayerBuilding, PageWithoutSizeBuildsNothing) {
  ThemeDocument document;
  ClipState clip(document);
  addPicture(document, "box", 0, 0, 4, 4);
  EXPECT_EQ(clip.buildLayers(720, 576), 0);
  EXPECT_EQ(clip.layersBuilt, 0);
  EXPECT_TRUE(clip.frameBuffer.empty());
  EXPECT_TRUE(clip.layers.empty());
}

TEST(LayerBuilding, DefaultPageIsTheSameForEveryOutputSize) {
  for (auto [width, height] : {std::pair{720, 480}, std::pair{352, 288}}) {
    ThemeDocument document;
    EXPECT_EQ(BuildDefaultPage(&document, width, height), 1);
    EXPECT_EQ(document.pageWidth, 768);
    EXPECT_EQ(document.pageHeight, 578);
    ASSERT_EQ(document.objects.size(), 2u);
    ThemeObject* text = document.objects.front().get();
    EXPECT_STREQ(text->name, "OnScreenText");
    EXPECT_EQ(text->isText, 1);
    EXPECT_EQ(text->x, 0);
    EXPECT_GT(text->width, 0);
    ThemeObject* placeholder = document.findObject("placeholder");
    EXPECT_EQ(placeholder, document.objects.back().get());
    EXPECT_EQ(placeholder->width, 768);
    std::vector<uint8_t> picture(768 * 578 * 3), mask(768 * 578);
    ASSERT_TRUE(kvx::pixels::readRect(*placeholder->imageBuffer, 0, 0, 768, 578, picture.data()));
    ASSERT_TRUE(kvx::pixels::readRect(*placeholder->maskBuffer, 0, 0, 768, 578, mask.data()));
    EXPECT_EQ(std::count(picture.begin(), picture.end(), 255), long(picture.size()));
    EXPECT_EQ(std::count(mask.begin(), mask.end(), 255), long(mask.size()));
  }
}

TEST(LayerBuilding, RightAlignedTextKeepsItsRightEdgeAndMovesItsShadow) {
  ThemeDocument document;
  ClipState clip(document);
  document.pageWidth = 400;
  document.pageHeight = 100;
  auto object = std::make_unique<ThemeObject>();
  copyToField(object->name, sizeof(object->name), "caption");
  ASSERT_EQ(object->createText("ab", 50, 10), 1);
  object->renderObject->state.alignment = 1;
  object->shadowEnabled = 1;
  const ThemeObject* theirs = object.get();
  document.objects.push_back(std::move(object));
  ASSERT_EQ(clip.buildLayers(400, 100), 1);
  ThemeLayer* layer = clip.findLayer("caption");
  ASSERT_NE(layer->textObject, nullptr);
  const int themeWidth = theirs->width;
  ThemeLayer* shadow = layer->shadowLayer;
  ASSERT_NE(shadow, nullptr);
  EXPECT_EQ(layer->alignment, 1);
  const int rightEdge = layer->x + layer->width;
  EXPECT_EQ(layer->anchorX, rightEdge);
  const int shadowOffset = shadow->x - layer->x;

  EXPECT_EQ(clip.rebuildTextLayer(layer, "a much longer caption"), 1);
  EXPECT_GT(layer->textObject->width, themeWidth);
  EXPECT_EQ(theirs->width, themeWidth) << "the clip renders its own copy; the theme stays";
  char themeText[16];
  ASSERT_EQ(theirs->getText(themeText, sizeof(themeText)), 1);
  EXPECT_STREQ(themeText, "ab");
  EXPECT_EQ(layer->x + layer->width, rightEdge);
  EXPECT_EQ(shadow->x - layer->x, shadowOffset) << "the shadow moves with its text";

  const uint8_t* pixels = layer->pixels;
  EXPECT_EQ(clip.rebuildTextLayer(layer, "a much longer caption"), 1);
  EXPECT_EQ(layer->pixels, pixels) << "an unchanged text is not rebuilt";
}

TEST(LayerBuilding, LongAndHiddenTextsAreNotRebuiltEveryFrame) {
  ThemeDocument document;
  ClipState clip(document);
  ASSERT_EQ(BuildDefaultPage(&document, 768, 578), 1);
  ASSERT_EQ(clip.buildLayers(768, 578), 1);
  ThemeLayer* layer = clip.findLayer("OnScreenText");
  const std::string longText(400, 'x');
  ASSERT_EQ(clip.rebuildTextLayer(layer, longText.c_str()), 1);
  const uint8_t* pixels = layer->pixels;
  ASSERT_EQ(clip.rebuildTextLayer(layer, longText.c_str()), 1);
  EXPECT_EQ(layer->pixels, pixels);
}

TEST(LayerBuilding, SpecialLayersAreFoundOnceAndTheLastOfANameCounts) {
  ThemeDocument document;
  document.pageWidth = 40;
  document.pageHeight = 20;
  addPicture(document, "Placeholder", 0, 0, 10, 10);
  addPicture(document, "placeholder", 10, 0, 10, 10);
  addPicture(document, "holder_ref", 0, 0, 4, 4);
  ClipState clip(document);
  ASSERT_EQ(clip.buildLayers(40, 20), 1);
  ASSERT_NE(clip.special.placeholder, nullptr);
  EXPECT_EQ(clip.special.placeholder->x, 10) << "drawn on top, so it receives the frame";
  EXPECT_EQ(clip.special.placeholder, clip.findLayer("PLACEHOLDER"));
  EXPECT_EQ(clip.special.holderRef, clip.findLayer("holder_ref"));
  EXPECT_EQ(clip.special.video, nullptr);
}

TEST(LayerBuilding, ClipsOfOneThemeKeepTheirOwnTexts) {
  ThemeDocument document;
  document.pageWidth = 300;
  document.pageHeight = 60;
  auto object = std::make_unique<ThemeObject>();
  copyToField(object->name, sizeof(object->name), "Title");
  ASSERT_EQ(object->createText("theme", 0, 0), 1);
  document.objects.push_back(std::move(object));
  const ThemeDocument& theme = document;

  ClipState first(theme), second(theme);
  ASSERT_EQ(first.buildLayers(300, 60), 1);
  ASSERT_EQ(second.buildLayers(300, 60), 1);
  ThemeLayer* a = first.findLayer("Title");
  ThemeLayer* b = second.findLayer("Title");
  ASSERT_EQ(first.rebuildTextLayer(a, "first clip, a long title"), 1);
  ASSERT_EQ(second.rebuildTextLayer(b, "two"), 1);
  EXPECT_NE(a->textObject, b->textObject);
  EXPECT_GT(a->width, b->width);
  EXPECT_EQ(b->text, "two");
  char text[16];
  ASSERT_EQ(theme.objects.front()->getText(text, sizeof(text)), 1);
  EXPECT_STREQ(text, "theme");
}
