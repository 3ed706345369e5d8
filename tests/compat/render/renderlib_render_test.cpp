#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "kvxtheme/renderlib.h"
#include "raster/render_test_support.h"

using rendertest::Object;
using rendertest::Rendered;

namespace {

Rendered renderText(const std::string& text, int pixels = 32, int alignment = 0) {
  Object object = rendertest::textObject(text, pixels);
  qrSetAlign(object.get(), alignment);
  return rendertest::render(object.get());
}

// Ink of the upper and the lower half: the two lines of a two-line text of one font.
std::pair<rendertest::Ink, rendertest::Ink> lineInks(const Rendered& r) {
  return {rendertest::inkOf(r, 0, r.height / 2), rendertest::inkOf(r, r.height / 2)};
}

}  // namespace

TEST(TextRendering, SizeFollowsTheText) {
  const Rendered short_ = renderText("Title");
  const Rendered long_ = renderText("Title of the slide show");
  const Rendered twoLines = renderText("Title\nTitle");
  ASSERT_TRUE(short_.ok && long_.ok && twoLines.ok);
  EXPECT_GT(long_.width, short_.width * 3);
  EXPECT_EQ(long_.height, short_.height);
  EXPECT_GT(twoLines.height, short_.height * 3 / 2);
  EXPECT_NEAR(twoLines.width, short_.width, 1);
  const Rendered larger = renderText("Title", 64);
  EXPECT_NEAR(larger.height, 2 * short_.height, 3);
  EXPECT_NEAR(larger.width, 2 * short_.width, 3);
}

TEST(TextRendering, EmptyTextRendersOneTransparentPixel) {
  Object object = rendertest::textObject("");
  const Rendered r = rendertest::render(object.get());
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.width, 1);
  EXPECT_EQ(r.height, 1);
  EXPECT_EQ(r.mask[0], 0);
  int32_t margin[4];
  EXPECT_EQ(qrGetMargin(object.get(), margin), 0);
}

TEST(TextRendering, MarginsSurroundTheText) {
  Object object = rendertest::textObject("Margins");
  BufHandle image = 0, mask = 0;
  ASSERT_TRUE(qrRenderObject(object.get(), &image, &mask, 0, 0, nullptr));
  int32_t margin[4] = {};
  ASSERT_NE(qrGetMargin(object.get(), margin), 0);
  int w = 0, h = 0;
  buf32GetWHU(image, &w, &h, nullptr);
  // The margins hold no ink: everything covered lies inside them.
  const Rendered full = rendertest::readBuffers(image, mask);
  const rendertest::Ink ink = rendertest::inkOf(full);
  EXPECT_GE(ink.x0, margin[0]);
  EXPECT_GE(ink.y0, margin[1]);
  EXPECT_LE(ink.x1, w - margin[2]);
  EXPECT_LE(ink.y1, h - margin[3]);
  EXPECT_GT(margin[0], 0);
  buf32Free(image);
  buf32Free(mask);
}

TEST(TextRendering, MultiLineAlignment) {
  const std::string text = "ii\nWWWWWWWW";
  const Rendered left = renderText(text, 32, 0);
  const Rendered right = renderText(text, 32, 1);
  const Rendered centre = renderText(text, 32, 2);
  for (const Rendered* r : {&left, &right, &centre}) {
    ASSERT_TRUE(r->ok);
    EXPECT_EQ(r->width, left.width);
  }
  const auto [leftShort, leftLong] = lineInks(left);
  const auto [rightShort, rightLong] = lineInks(right);
  const auto [centreShort, centreLong] = lineInks(centre);
  // Left: both lines start together; right: both end together; centre: same middle.
  EXPECT_NEAR(leftShort.x0, leftLong.x0, 4);
  EXPECT_GT(rightShort.x0, leftLong.x0 + left.width / 2);
  EXPECT_NEAR(rightShort.x1, rightLong.x1, 4);
  EXPECT_NEAR(centreShort.x0 + centreShort.x1, centreLong.x0 + centreLong.x1, 4);
  EXPECT_GT(centreShort.x0, leftShort.x0 + 10);
  EXPECT_LT(centreShort.x1, rightShort.x1 - 10);
}

TEST(TextRendering, ResizeAndStretchChangeTheRenderedSize) {
  Object object = rendertest::textObject("Resized caption", 48);
  const Rendered natural = rendertest::render(object.get());
  const double half = 50, zero = 0;
  int32_t result = 0;
  ASSERT_TRUE(qrResizeObj(object.get(), &half, &zero, &result));
  EXPECT_EQ(result, 1);
  const Rendered halved = rendertest::render(object.get());
  EXPECT_NEAR(halved.width, natural.width / 2.0, 1.5);
  EXPECT_NEAR(halved.height, natural.height / 2.0, 1.5);
  EXPECT_NEAR(rendertest::coverageSum(halved), rendertest::coverageSum(natural) / 4.0,
              rendertest::coverageSum(natural) / 20.0);

  const double l = 100, t = 50, r = 400, b = 250;
  ASSERT_TRUE(qrStretchObj(object.get(), &l, &t, &r, &b, &result));
  const Rendered stretched = rendertest::render(object.get());
  EXPECT_EQ(stretched.width, 300);
  EXPECT_EQ(stretched.height, 200);
}

TEST(TextRendering, ColourAndOpacityComeFromTheColourRecord) {
  Object object = rendertest::textObject("Colour");
  // 0x00BBGGRR: red 0x20, green 0x80, blue 0xF0.
  const QrColorRecord color = rendertest::colorRecord(0x00F08020, 128);
  ASSERT_TRUE(qrSetColorValue(object.get(), &color));
  const Rendered r = rendertest::render(object.get());
  ASSERT_TRUE(r.ok);
  int maxCoverage = 0;
  for (size_t i = 0; i < r.mask.size(); ++i) {
    maxCoverage = std::max<int>(maxCoverage, r.mask[i]);
    ASSERT_EQ(r.rgb[3 * i], 0x20);
    ASSERT_EQ(r.rgb[3 * i + 1], 0x80);
    ASSERT_EQ(r.rgb[3 * i + 2], 0xF0);
  }
  EXPECT_EQ(maxCoverage, 128);
}

TEST(TextRendering, FontAttributesChangeTheGlyphs) {
  Object plain = rendertest::textObject("Weight");
  Object bold = rendertest::textObject("Weight");
  QrFontRecord font{};
  ASSERT_TRUE(qrGetFont(bold.get(), &font));
  font.logFont.lfWeight = 700;
  ASSERT_TRUE(qrSetFont(bold.get(), &font));
  EXPECT_GT(rendertest::coverageSum(rendertest::render(bold.get())),
            rendertest::coverageSum(rendertest::render(plain.get())) * 11 / 10);
  // A positive height is the character cell, smaller glyphs than the same em height.
  font.logFont.lfWeight = 400;
  font.logFont.lfHeight = 32;
  ASSERT_TRUE(qrSetFont(bold.get(), &font));
  EXPECT_LT(rendertest::render(bold.get()).width, rendertest::render(plain.get()).width);
}

TEST(TextRendering, RenderingReplacesTheHandles) {
  Object object = rendertest::textObject("Again");
  BufHandle image = 0, mask = 0;
  ASSERT_TRUE(qrRenderObject(object.get(), &image, &mask, 0, 0, nullptr));
  const BufHandle firstImage = image, firstMask = mask;
  ASSERT_TRUE(qrSetString(object.get(), "Again and again"));
  ASSERT_TRUE(qrRenderObject(object.get(), &image, &mask, 0, 0, nullptr));
  EXPECT_NE(image, firstImage);
  EXPECT_EQ(buf32GetWHU(firstImage, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(buf32GetWHU(firstMask, nullptr, nullptr, nullptr), 0);
  int w = 0, bpp = 0, maskBpp = 0;
  ASSERT_TRUE(buf32GetWHU(image, &w, nullptr, &bpp));
  ASSERT_TRUE(buf32GetWHU(mask, nullptr, nullptr, &maskBpp));
  EXPECT_EQ(bpp, 3);
  EXPECT_EQ(maskBpp, 1);
  buf32Free(image);
  buf32Free(mask);
}

TEST(TextRendering, FailuresLeaveAMessageAndTheOldHandles) {
  Object object = rendertest::textObject("Huge");
  const double percent = 10000;
  ASSERT_TRUE(qrResizeObj(object.get(), &percent, &percent, nullptr));
  BufHandle image = 0, mask = 0;
  uint8_t out[kRenderOutRecordSize] = {};
  EXPECT_EQ(qrRenderObject(object.get(), &image, &mask, 0, 0, out), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(out + 100), "rendered size too large");
  EXPECT_EQ(image, 0u);
  EXPECT_EQ(qrRenderObject(object.get(), nullptr, &mask, 0, 0, out), 0);
  EXPECT_EQ(qrRenderObject(0, &image, &mask, 0, 0, out), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(out + 100), "unknown render object");
}

// Texts whose layout would overflow Pango's integer measures are refused with a message, before
// they are laid out; a long but sensible title still renders.
TEST(TextRendering, TextsBeyondWhatCanBeLaidOutAreRefused) {
  struct Case {
    std::string text;
    int pixels;
  } refused[] = {{std::string(5000, 'W'), 2000},
                 {std::string(100000, '\n') + "x", 32},
                 {std::string(1 << 20, 'a'), 24}};
  for (const Case& test : refused) {
    Object object = rendertest::textObject(test.text, test.pixels);
    BufHandle image = 0, mask = 0;
    uint8_t out[kRenderOutRecordSize] = {};
    EXPECT_EQ(qrRenderObject(object.get(), &image, &mask, 0, 0, out), 0) << test.text.size();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(out + 100)).rfind("text too large", 0), 0u);
    EXPECT_EQ(image, 0u);
  }
  const Rendered title = renderText(std::string(200, 'W'), 64);
  EXPECT_GT(title.width, 200 * 32);
}

TEST(TextRendering, ThreadsRenderIndependently) {
  const Rendered reference = renderText("Thread caption 7");
  Object shared = rendertest::textObject("Thread caption 7");
  std::vector<std::thread> threads;
  std::vector<int> matches(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      Object own = rendertest::textObject("Thread caption " + std::to_string(t));
      for (int i = 0; i < 10; ++i) {
        qrSetString(own.get(), "Thread caption " + std::to_string(i));
        const Rendered mine = rendertest::render(own.get());
        const Rendered common = rendertest::render(shared.get());
        if (i == 7 && mine.ok && mine.mask == reference.mask) ++matches[t];
        if (common.ok && common.mask == reference.mask) ++matches[t];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int count : matches) EXPECT_EQ(count, 11);
}

TEST(TextRendering, GoldenCaption) {
  Object object = rendertest::textObject("Summer 2024\nBeach & sunset", 40);
  qrSetAlign(object.get(), 2);
  const QrColorRecord color = rendertest::colorRecord(0x00603010);
  qrSetColorValue(object.get(), &color);
  const Rendered r = rendertest::render(object.get());
  ASSERT_TRUE(r.ok);
  rendertest::expectMatchesGolden(rendertest::overWhite(r), "caption");
}

TEST(TextRendering, GoldenJapaneseLine) {
  Object object = rendertest::textObject("こんにちは、世界 テーマ", 40);
  QrFontRecord font{};
  qrGetFont(object.get(), &font);
  font.logFont.lfCharSet = SHIFTJIS_CHARSET;
  ASSERT_TRUE(qrSetFont(object.get(), &font));
  const Rendered r = rendertest::render(object.get());
  ASSERT_TRUE(r.ok);
  rendertest::expectMatchesGolden(rendertest::overWhite(r), "japanese");
}

TEST(TextRendering, StrokeOutlinesTheGlyphs) {
  Object plain = rendertest::textObject("Outline", 96);
  Object outlined = rendertest::textObject("Outline", 96);
  // Blue fill, red outline 3 pixels wide.
  const QrColorRecord color = rendertest::colorRecord(0x00FF0000, 255, 0x000000FF, 300);
  ASSERT_TRUE(qrSetColorValue(outlined.get(), &color));
  const Rendered a = rendertest::render(plain.get());
  const Rendered b = rendertest::render(outlined.get());
  ASSERT_TRUE(a.ok && b.ok) << b.message;
  EXPECT_GT(rendertest::coverageSum(b), rendertest::coverageSum(a) * 5 / 4);
  int red = 0, blue = 0;
  for (size_t i = 0; i < b.mask.size(); ++i) {
    if (b.mask[i] != 255) continue;
    red += b.rgb[3 * i] == 0xFF && b.rgb[3 * i + 2] == 0;
    blue += b.rgb[3 * i + 2] == 0xFF && b.rgb[3 * i] == 0;
  }
  EXPECT_GT(red, 100);
  EXPECT_GT(blue, 100);
}

TEST(TextRendering, EveryLineOfRightToLeftTextKeepsToItsAlignment) {
  // Two Hebrew lines of different lengths: each line's ink reaches the edge, or the centre,
  // that the alignment names, as the lines of a Latin text do.
  for (int alignment : {0, 1, 2}) {
    const Rendered r = renderText("שלום עולם יפה\nשלום", 40, alignment);
    ASSERT_TRUE(r.ok) << r.message;
    const auto [first, second] = lineInks(r);
    ASSERT_GT(first.width(), second.width() * 2) << alignment;
    for (const rendertest::Ink& line : {first, second}) {
      if (alignment == 0) {
        EXPECT_LE(line.x0, 4) << "left";
      }
      if (alignment == 1) {
        EXPECT_GE(line.x1, r.width - 4) << "right";
      }
      if (alignment == 2) {
        EXPECT_NEAR(line.x0 + line.x1, r.width, 6) << "centre";
      }
    }
  }
}

TEST(TextRendering, ColourGlyphsKeepTheirColours) {
  // Black fill: a colour emoji still shows its own colours, the letters the fill colour.
  const Rendered r = renderText("A🎉", 64);
  ASSERT_TRUE(r.ok) << r.message;
  int coloured = 0, black = 0;
  for (size_t i = 0; i < r.mask.size(); ++i) {
    if (r.mask[i] != 255) continue;
    const uint8_t* p = &r.rgb[3 * i];
    const int chroma = std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]});
    coloured += chroma > 80;
    black += p[0] == 0 && p[1] == 0 && p[2] == 0;
  }
  EXPECT_GT(coloured, 400);
  EXPECT_GT(black, 200);
}
