#include "compose/compose_frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "compat/resize/resizelib.h"
#include "compose/clip_state.h"
#include "compose/overlay.h"
#include "compose/picture_fit.h"
#include "compose/text_layers.h"
#include "compose/video_layer.h"
#include "document/theme_document.h"
#include "kvxtheme/bufferlib.h"
#include "objects/picture_objects.h"
#include "pixels/bands/band_pool.h"
#include "pixels/resize/resampler.h"

namespace {

using kvxtest::addPicture;

struct Frame {
  Frame(int width, int height, uint8_t fill = 0) : width(width), bytes(width * height * 3, fill) {
    for (int y = 0; y < height; ++y) rows.push_back(bytes.data() + y * width * 3);
  }
  // Pixel in frame order: B, G, R.
  const uint8_t* at(int x, int y) const { return bytes.data() + (y * width + x) * 3; }
  int width;
  std::vector<uint8_t> bytes;
  std::vector<unsigned char*> rows;
};

class FakeTexts : public ITextProvider {
 public:
  int GetFieldText(int, const char* key, std::string* text, int* found) override {
    asked.push_back(key);
    auto it = fields.find(key);
    if (it == fields.end()) {
      *found = 0;
      return 0;
    }
    *text = it->second;
    *found = 1;
    return 1;
  }
  std::map<std::string, std::string> fields;
  std::vector<std::string> asked;
};

}  // namespace

TEST(ComposeFrame, ThemeWithoutPlaceholderIgnoresTheSource) {
  ThemeDocument document;
  ClipState clip(document);
  document.pageWidth = 8;
  document.pageHeight = 4;
  addPicture(document, "background", 0, 0, 8, 4, 0xFF0000);  // blue
  Frame source(8, 4, 77), output(8, 4, 1);
  ASSERT_EQ(composeFrame(clip, source.rows.data(), output.rows.data(), 4, 8, 0, 0), 1);
  EXPECT_EQ(output.at(3, 2)[0], 255);
  EXPECT_EQ(output.at(3, 2)[2], 0);
}

TEST(ComposeFrame, PlaceholderReceivesTheSourceAndLaterObjectsLieBelow) {
  ThemeDocument document;
  ClipState clip(document);
  document.pageWidth = 16;
  document.pageHeight = 8;
  addPicture(document, "badge", 0, 0, 4, 4, 0x00FF00);  // first in the file: merged on top
  addPicture(document, "PlaceHolder", 0, 0, 16, 8, 0xFFFFFF);
  Frame source(16, 8), output(16, 8);
  for (size_t i = 0; i < source.bytes.size(); ++i) source.bytes[i] = uint8_t(i % 251);
  ASSERT_EQ(composeFrame(clip, source.rows.data(), output.rows.data(), 8, 16, 0, 0), 1);
  EXPECT_EQ(std::memcmp(output.at(8, 5), source.at(8, 5), 3), 0);
  EXPECT_EQ(output.at(1, 1)[1], 255) << "the badge covers the placeholder";
  EXPECT_EQ(output.at(1, 1)[0], 0);
}

TEST(ComposeFrame, HiddenLayersAreInvisible) {
  ThemeDocument document;
  ClipState clip(document);
  document.pageWidth = 8;
  document.pageHeight = 8;
  addPicture(document, "cover", 0, 0, 8, 8, 0x0000FF)->flags = 1;
  Frame source(8, 8), output(8, 8, 9);
  ASSERT_EQ(composeFrame(clip, source.rows.data(), output.rows.data(), 8, 8, 0, 0), 1);
  for (uint8_t byte : output.bytes) ASSERT_EQ(byte, 0);
}

TEST(ComposeFrame, RotationTagTurnsThePicture) {
  ThemeDocument document;
  ClipState clip(document);
  document.pageWidth = 64;
  document.pageHeight = 64;
  addPicture(document, "placeholder", 0, 0, 64, 64, 0)->linkText = "<rotation=90>";
  Frame source(64, 64), output(64, 64);
  // Left half bright, right half dark: after a quarter turn the bright half is on top.
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) std::memset(source.rows[y] + x * 3, x < 32 ? 240 : 10, 3);
  ASSERT_EQ(composeFrame(clip, source.rows.data(), output.rows.data(), 64, 64, 0, 0), 1);
  EXPECT_GT(output.at(32, 8)[0], 200);
  EXPECT_LT(output.at(32, 56)[0], 50);

  document.findObject("placeholder")->linkText = "<b>plain</b>";
  ASSERT_EQ(composeFrame(clip, source.rows.data(), output.rows.data(), 64, 64, 1, 0), 1);
  EXPECT_EQ(std::memcmp(output.bytes.data(), source.bytes.data(), output.bytes.size()), 0);
}

TEST(ComposeFrame, HolderRefTransformDataPlacesThePicture) {
  ThemeDocument document;
  ClipState clip(document);
  document.pageWidth = 40;
  document.pageHeight = 40;
  addPicture(document, "placeholder", 0, 0, 40, 40, 0);
  auto reference = std::make_unique<ThemeObject>();
  copyToField(reference->name, sizeof(reference->name), "holder_ref");
  reference->createText("ref", 0, 0);
  reference->flags = 1;
  uint8_t data[36] = {};
  // The picture shrinks onto the left half: corners TL, TR, BL, BR.
  const int16_t corners[8] = {0, 0, 20, 0, 0, 40, 20, 40};
  for (int i = 0; i < 8; ++i) std::memcpy(data + 4 + i * 4 + 2, &corners[i], 2);
  reference->renderObject->state.transformKind = 1;
  std::memcpy(reference->renderObject->state.transform.data(), data, sizeof(data));
  document.objects.push_back(std::move(reference));

  Frame source(40, 40, 200), output(40, 40);
  ASSERT_EQ(composeFrame(clip, source.rows.data(), output.rows.data(), 40, 40, 0, 0), 1);
  // The transform result (20 × 40) is stretched to the placeholder: it fills it again.
  EXPECT_GT(output.at(30, 20)[0], 150);
}

TEST(ComposeFrame, FieldModeResizesToTheFullFrameAndTakesItsLines) {
  ThemeDocument document;
  ClipState clip(document);
  document.pageWidth = 720;
  document.pageHeight = 288;
  addPicture(document, "top", 0, 0, 720, 144, 0x0000FF);       // red
  addPicture(document, "bottom", 0, 144, 720, 144, 0xFF0000);  // blue
  Frame source(720, 288), output(720, 288);
  ASSERT_EQ(composeFrame(clip, source.rows.data(), output.rows.data(), 288, 720, 0, 1), 1);
  EXPECT_EQ(clip.frameHeight, 288);
  // Each field holds its own lines of the whole 576-line stretch of the composed frame.
  std::vector<uint8_t> stretched(720 * 576 * 3);
  ASSERT_EQ(txMemResize(clip.frameBuffer.data(), 3, 720, 288, stretched.data(), 720, 576, 4), 1);
  Frame odd(720, 288);
  ASSERT_EQ(composeFrame(clip, source.rows.data(), odd.rows.data(), 288, 720, 0, 2), 1);
  for (int i = 0; i < 288; ++i) {
    ASSERT_EQ(std::memcmp(output.rows[i], &stretched[2 * i * 720 * 3], 720 * 3), 0) << i;
    ASSERT_EQ(std::memcmp(odd.rows[i], &stretched[(2 * i + 1) * 720 * 3], 720 * 3), 0) << i;
  }
  EXPECT_EQ(output.at(100, 10)[2], 255);
  EXPECT_EQ(output.at(100, 280)[0], 255);
  // Row i of the field is line 2i of the 576-line picture: the edge stays at row 144 ± 1.
  EXPECT_GT(output.at(100, 142)[2], 200);
  EXPECT_GT(output.at(100, 146)[0], 200);
}

// A field is placed, merged and stretched band by band on each thread's run of rows, the
// lines whose windows straddle two runs after them: every thread count gives the whole passes.
TEST(ComposeFrame, FieldsInBandsGiveTheWholePassesOnAnyThreadCount) {
  for (int threads : {1, 2, 3, 5})
    for (int fieldMode : {1, 2}) {
      SCOPED_TRACE(std::to_string(threads) + " threads, field " + std::to_string(fieldMode));
      kvx::bands::setThreadCount(threads);
      ThemeDocument document;
      ClipState clip(document);
      document.pageWidth = 720;
      document.pageHeight = 288;
      addPicture(document, "badge", 500, 20, 120, 260, 0x00FF00);
      addPicture(document, "PlaceHolder", 40, 30, 600, 200, 0xFFFFFF);
      Frame source(720, 288), output(720, 288);
      for (size_t i = 0; i < source.bytes.size(); ++i)
        source.bytes[i] = static_cast<uint8_t>(i * 7 + i / 2161);
      ASSERT_EQ(composeFrame(clip, source.rows.data(), output.rows.data(), 288, 720, 0, fieldMode),
                1);
      // The first field of a frame stands in for the other: its lines are doubled.
      std::vector<const uint8_t*> doubled(576);
      for (int i = 0; i < 576; ++i) doubled[i] = source.rows[i / 2];
      std::vector<uint8_t> holder(600 * 200 * 3);
      ASSERT_TRUE(
          kvx::resize::resampleFromRows(doubled.data(), 720, 576, holder.data(), 600, 200, 3));
      EXPECT_EQ(std::memcmp(clip.special.placeholder->pixels, holder.data(), holder.size()), 0);
      std::vector<uint8_t> stretched(720 * 576 * 3);
      ASSERT_EQ(txMemResize(clip.frameBuffer.data(), 3, 720, 288, stretched.data(), 720, 576, 4),
                1);
      for (int i = 0; i < 288; ++i)
        ASSERT_EQ(
            std::memcmp(output.rows[i], &stretched[(2 * i + fieldMode - 1) * 720 * 3], 720 * 3), 0)
            << i;
    }
  kvx::bands::setThreadCount(0);
}

TEST(ComposeFrame, SameSizeCopiesTheComposedFrame) {
  ThemeDocument document;
  ClipState clip(document);
  document.pageWidth = 32;
  document.pageHeight = 16;
  addPicture(document, "box", 0, 0, 32, 16, 0x123456);
  Frame source(32, 16), output(32, 16);
  ASSERT_EQ(composeFrame(clip, source.rows.data(), output.rows.data(), 16, 32, 0, 0), 1);
  EXPECT_EQ(output.at(5, 5)[0], 0x12);
  EXPECT_EQ(output.at(5, 5)[2], 0x56);
}

// The frame is cleared unless its first layer hides all of it: a hole in that layer's mask, a
// level or a mode that lets the frame show through must show black, never the last frame.
TEST(ComposeFrame, FrameStartsBlackUnlessTheFirstLayerHidesIt) {
  struct Case {
    const char* name;
    int left, width;  // of the placeholder; the page is 16 wide
    bool hole;
    int transparency, mergeMode;
    uint8_t expected;  // at the hole's pixel, second frame (source 100 after 200)
  };
  const Case cases[] = {{"opaque", 0, 16, false, 0, 1, 100},
                        {"opaque, beyond the page", -2, 20, false, 0, 1, 100},
                        {"hole", 0, 16, true, 0, 1, 0},
                        {"hole, beyond the page", -2, 20, true, 0, 1, 0},
                        {"half level", 0, 16, false, 50, 1, 50},
                        {"multiply", 0, 16, false, 0, 2, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ThemeDocument document;
    ClipState clip(document);
    document.pageWidth = 16;
    document.pageHeight = 8;
    ThemeObject* placeholder = addPicture(document, "placeholder", c.left, 0, c.width, 8);
    placeholder->transparency = c.transparency;
    placeholder->mergeMode = c.mergeMode;
    if (c.hole) {
      const uint8_t clear = 0;
      kvx::pixels::writeRect(*placeholder->maskBuffer, 3 - c.left, 2, 1, 1, &clear);
    }
    Frame output(16, 8);
    for (uint8_t level : {200, 100}) {
      Frame source(16, 8, level);
      ASSERT_EQ(composeFrame(clip, source.rows.data(), output.rows.data(), 8, 16, 0, 0), 1);
    }
    EXPECT_NEAR(output.at(3, 2)[1], c.expected, 1);
  }
}

// Rows the host hands over with gaps between them are gathered first; rows that already form
// one picture are read in place. Both give the same frame.
TEST(ComposeFrame, PaddedAndPackedHostRowsGiveTheSameFrame) {
  ThemeDocument document;
  document.pageWidth = 24;
  document.pageHeight = 10;
  addPicture(document, "placeholder", 0, 0, 24, 10)->linkText = "<rotation=20>";
  addPicture(document, "background", 0, 0, 24, 10, 0x808080);
  Frame packed(24, 10), fromPacked(24, 10), fromPadded(24, 10);
  for (size_t i = 0; i < packed.bytes.size(); ++i) packed.bytes[i] = uint8_t(i * 37);
  std::vector<uint8_t> padded(10 * 80);
  std::vector<unsigned char*> paddedRows;
  for (int y = 0; y < 10; ++y) {
    std::memcpy(&padded[y * 80], packed.rows[y], 24 * 3);
    paddedRows.push_back(&padded[y * 80]);
  }
  ClipState clip(document);
  ASSERT_EQ(composeFrame(clip, packed.rows.data(), fromPacked.rows.data(), 10, 24, 0, 0), 1);
  ASSERT_EQ(composeFrame(clip, paddedRows.data(), fromPadded.rows.data(), 10, 24, 1, 0), 1);
  EXPECT_EQ(fromPacked.bytes, fromPadded.bytes);
}

// A host may hand the same rows as source and destination: the frame composed in place is the
// frame composed into rows of its own, placed and rotated alike.
TEST(ComposeFrame, SourceRowsMayBeTheDestinationRows) {
  for (const char* link : {"", "<rotation=12>"}) {
    SCOPED_TRACE(link);
    ThemeDocument document;
    document.pageWidth = 32;
    document.pageHeight = 18;
    addPicture(document, "badge", 2, 2, 6, 4, 0x00FF00);
    addPicture(document, "placeholder", 0, 0, 32, 18)->linkText = link;
    Frame source(32, 18), separate(32, 18);
    for (size_t i = 0; i < source.bytes.size(); ++i) source.bytes[i] = uint8_t(i * 29 + i / 96);
    Frame shared = source;
    shared.rows.clear();
    for (int y = 0; y < 18; ++y) shared.rows.push_back(shared.bytes.data() + y * 32 * 3);
    ClipState clip(document);
    ASSERT_EQ(composeFrame(clip, source.rows.data(), separate.rows.data(), 18, 32, 0, 0), 1);
    ASSERT_EQ(composeFrame(clip, shared.rows.data(), shared.rows.data(), 18, 32, 1, 0), 1);
    EXPECT_EQ(shared.bytes, separate.bytes);
  }
}

TEST(TextFields, CaptionJoinsTheFourKnownFields) {
  ThemeDocument document;
  ClipState clip(document);
  FakeTexts texts;
  texts.fields = {{"SlideShowTitle", "Title"}, {"FileName", "a.jpg"}, {"Description", ""}};
  std::string caption;
  EXPECT_EQ(queryLayerText(&texts, 0, "OnScreenText", isCaptionLayerName("OnScreenText"), caption),
            1);
  EXPECT_EQ(caption, "Title\na.jpg\n");
  EXPECT_EQ(texts.asked,
            (std::vector<std::string>{"SlideShowTitle", "Description", "DateTaken", "FileName"}));

  std::string own;
  texts.fields["onscreentext"] = "own";
  EXPECT_EQ(queryLayerText(&texts, 0, "onscreentext", isCaptionLayerName("onscreentext"), own), 1);
  EXPECT_EQ(own, "own") << "another letter case is an ordinary key";

  std::string missing = "x";
  missing.clear();
  EXPECT_EQ(queryLayerText(&texts, 0, "Unknown", isCaptionLayerName("Unknown"), missing), 1);
  EXPECT_EQ(missing, "");
  EXPECT_EQ(queryLayerText(nullptr, 0, "Unknown", isCaptionLayerName("Unknown"), missing), 0);
  EXPECT_EQ(updateTextLayers(clip, nullptr, 0), 0);
}

TEST(TextFields, FoundWithZeroResultStillCounts) {
  class Answering : public ITextProvider {
   public:
    int GetFieldText(int, const char*, std::string* text, int* found) override {
      *text = "kept";
      *found = 1;
      return 0;
    }
  } provider;
  ThemeDocument document;
  ClipState clip(document);
  std::string text;
  queryLayerText(&provider, 0, "Title", isCaptionLayerName("Title"), text);
  EXPECT_EQ(text, "kept");
  std::string caption;
  queryLayerText(&provider, 0, "OnScreenText", isCaptionLayerName("OnScreenText"), caption);
  EXPECT_EQ(caption, "") << "a caption field needs a nonzero answer";
}

TEST(TextFields, TextLayersShowTheHostTextAndHideWhenItFails) {
  ThemeDocument document;
  ClipState clip(document);
  document.pageWidth = 300;
  document.pageHeight = 100;
  auto object = std::make_unique<ThemeObject>();
  copyToField(object->name, sizeof(object->name), "Title");
  ASSERT_EQ(object->createText("old", 10, 10), 1);
  object->shadowEnabled = 1;
  document.objects.push_back(std::move(object));
  ASSERT_EQ(clip.buildLayers(300, 100), 1);
  ThemeLayer* layer = clip.findLayer("Title");
  FakeTexts texts;
  texts.fields["Title"] = "new title";
  ASSERT_EQ(updateTextLayers(clip, &texts, 3), 1);
  EXPECT_EQ(layer->text, "new title");
  EXPECT_FALSE(layer->isHidden());
  EXPECT_FALSE(layer->shadowLayer->isHidden());
  const uint8_t* pixels = layer->pixels;
  updateTextLayers(clip, &texts, 4);
  EXPECT_EQ(layer->pixels, pixels) << "an unchanged text renders nothing";

  // A path object takes no text: setting one now fails.
  layer->textObject->renderObject = std::make_shared<RenderObject>(ObjectKind::Path);
  texts.fields["Title"] = "cannot be set";
  updateTextLayers(clip, &texts, 5);
  EXPECT_TRUE(layer->isHidden());
  EXPECT_TRUE(layer->shadowLayer->isHidden());
}
