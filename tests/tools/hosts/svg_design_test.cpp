// SVG designs packed into themes and rendered by the tool, against librsvg's own rendering of
// the whole drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "tools/hosts/host_runner.h"

namespace kvxtest {
namespace {

constexpr const char* kHeader =
    R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink"
     xmlns:inkscape="http://www.inkscape.org/namespaces/inkscape"
     xmlns:sodipodi="http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd")";

// Layers under and over a placeholder, texts with each anchor (one with the usual shadow
// chain, one in a font size given in points), a video window and a text on a path.
std::string lowerThirdDesign(const std::string& placeholderTransform) {
  return std::string(kHeader) + R"svg( width="640" height="360" viewBox="0 0 1280 720">
  <defs>
    <linearGradient id="sky" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#203060"/><stop offset="1" stop-color="#6080c0"/>
    </linearGradient>
    <filter id="shadow" x="-0.1" y="-0.3" width="1.2" height="1.6">
      <feGaussianBlur in="SourceAlpha" stdDeviation="2" result="blur"/>
      <feOffset in="blur" dx="3" dy="3" result="moved"/>
      <feFlood flood-color="#000000" flood-opacity="0.8"/>
      <feComposite in2="moved" operator="in" result="shadow"/>
      <feMerge><feMergeNode in="shadow"/><feMergeNode in="SourceGraphic"/></feMerge>
    </filter>
    <path id="arc" d="M 100 300 Q 300 200 500 300"/>
  </defs>
  <g inkscape:groupmode="layer" inkscape:label="Background">
    <rect width="1280" height="720" fill="url(#sky)"/>
  </g>
  <g inkscape:groupmode="layer" inkscape:label="Photo">
    <rect id="placeholder" x="340" y="150" width="600" height="400" fill="#777777" transform=")svg" +
         placeholderTransform + R"svg("/>
    <rect x="330" y="140" width="620" height="420" fill="none" stroke="#ffffff" stroke-width="12"
          transform=")svg" +
         placeholderTransform + R"svg("/>
  </g>
  <rect id="video" x="1000" y="40" width="240" height="135" fill="#000000" data-file="clip.mp4"/>
  <g inkscape:groupmode="layer" inkscape:label="Lower third">
    <rect x="0" y="580" width="1280" height="100" fill="#000000" fill-opacity="0.6"/>
    <text id="SlideShowTitle" x="60" y="645" filter="url(#shadow)"
      style="font-family:DejaVu Sans;font-size:44px;font-weight:bold;fill:#ffffff"><tspan
      sodipodi:role="line" x="60" y="645">Summer holidays</tspan></text>
    <text id="DateTaken" x="1220" y="645" text-anchor="end"
      style="font-family:DejaVu Sans;font-size:22.5pt;font-style:italic;fill:#ffd36b">2024-07-14</text>
    <text id="Description" x="640" y="60" text-anchor="middle"
      style="font-family:DejaVu Sans;font-size:32px;fill:#ffffff">A centred caption</text>
    <text id="curved" style="font-size:20px;fill:#ffffff"><textPath xlink:href="#arc">along the arc</textPath></text>
  </g>
</svg>
)svg";
}

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

double psnr(const Picture& a, const Picture& b) {
  double sum = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    const double d = static_cast<double>(a.pixels[i]) - b.pixels[i];
    sum += d * d;
  }
  const double mse = sum / static_cast<double>(a.pixels.size());
  return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

class SvgDesignTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveProgram("rsvg-convert") || !haveProgram("ffmpeg"))
      GTEST_SKIP() << "rsvg-convert or ffmpeg is not installed (scripts/install-deps.sh)";
  }

  RunResult pack(const std::string& design, const std::string& extra = "") {
    return run(quote(kvxthemeTool()) + " pack " + quote(folder_.file(design)) + " -o " +
               quote(folder_.file("theme.kvx")) + extra);
  }

  // The theme over a frame of the placeholder's own grey, with the design's default texts.
  Picture renderTheme(int width, int height, const std::string& title = "Summer holidays") {
    const std::string grey = folder_.file("grey.png");
    Picture still{width, height, 3,
                  std::vector<uint8_t>(static_cast<size_t>(width) * height * 3, 0x77)};
    EXPECT_TRUE(writePng(grey, still));
    const RunResult result =
        run(quote(kvxthemeTool()) + " render --quiet --theme " + quote(folder_.file("theme.kvx")) +
            " --input " + quote(grey) + " --output " + quote(folder_.file("frame.png")) +
            " --size " + std::to_string(width) + "x" + std::to_string(height) + " --title " +
            quote(title) + " --date 2024-07-14 --description 'A centred caption'");
    EXPECT_EQ(result.status, 0) << result.output;
    Picture frame;
    EXPECT_TRUE(readPng(folder_.file("frame.png"), &frame));
    return frame;
  }

  Picture librsvg(const std::string& design, int width, int height) {
    const std::string png = folder_.file("librsvg.png");
    EXPECT_EQ(run("rsvg-convert -w " + std::to_string(width) + " -h " + std::to_string(height) +
                  " -b '#000000' " + quote(folder_.file(design)) + " -o " + quote(png))
                  .status,
              0);
    Picture picture;
    EXPECT_TRUE(readPng(png, &picture));
    return picture;
  }

  std::string info() {
    return run(quote(kvxthemeTool()) + " info " + quote(folder_.file("theme.kvx"))).output;
  }

  TempDir folder_;
};

TEST_F(SvgDesignTest, FramesMatchLibrsvgForEveryPlaceholderForm) {
  const struct {
    const char* transform;
    const char* placement;  // what the placeholder's frame is placed by
  } cases[] = {{"translate(0 0)", "plain"},
               {"rotate(-6 640 350)", "holder_ref"},  // not the page's proportions
               {"matrix(1 0.08 -0.15 0.95 80 -20)", "holder_ref"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.transform);
    writeFile(folder_.file("design.svg"), lowerThirdDesign(c.transform));
    const RunResult packed = pack("design.svg");
    ASSERT_EQ(packed.status, 0) << packed.output;
    EXPECT_NE(packed.output.find("curved: a text on a path"), std::string::npos) << packed.output;
    const std::string objects = info();
    for (const char* name : {"\"SlideShowTitle\" text", "\"DateTaken\" text",
                             "\"Description\" text", "\"video\" picture", "\"Lower third\""})
      EXPECT_NE(objects.find(name), std::string::npos) << name << "\n" << objects;
    EXPECT_NE(objects.find("text \"clip.mp4\""), std::string::npos) << objects;
    EXPECT_EQ(objects.find("\"curved\" text"), std::string::npos);
    EXPECT_EQ(objects.find("\"holder_ref\"") != std::string::npos,
              std::string(c.placement) == "holder_ref");
    EXPECT_NE(objects.find("page 640 x 360"), std::string::npos);

    const Picture frame = renderTheme(640, 360);
    const Picture reference = librsvg("design.svg", 640, 360);
    ASSERT_EQ(frame.width, reference.width);
    ASSERT_EQ(frame.height, reference.height);
    // Glyph edges differ a little between the engine's text and librsvg's.
    EXPECT_GT(psnr(frame, reference), 30.0);
    EXPECT_LT(compare(frame, reference).mean, 1.5);
  }
}

TEST_F(SvgDesignTest, TurnedPlaceholderOfPageProportionsUsesTheRotation) {
  std::string design = lowerThirdDesign("rotate(8 640 350)");
  const std::string rect = R"(x="340" y="150" width="600" height="400")";
  design.replace(design.find(rect), rect.size(), R"(x="320" y="170" width="640" height="360")");
  writeFile(folder_.file("design.svg"), design);
  ASSERT_EQ(pack("design.svg").status, 0);
  EXPECT_NE(info().find("text \"<rotation=8.000>\""), std::string::npos) << info();
  EXPECT_GT(psnr(renderTheme(640, 360), librsvg("design.svg", 640, 360)), 30.0);
}

TEST_F(SvgDesignTest, ChosenPageSizeAndTitleChangeOnlyTheirObjects) {
  writeFile(folder_.file("design.svg"), lowerThirdDesign("translate(0 0)"));
  ASSERT_EQ(pack("design.svg", " --size 960x540").status, 0);
  EXPECT_NE(info().find("page 960 x 540"), std::string::npos);
  const Picture defaults = renderTheme(960, 540);
  EXPECT_GT(psnr(defaults, librsvg("design.svg", 960, 540)), 30.0);
  const Picture titled = renderTheme(960, 540, "Winter");
  // The title sits in the lower third; everything above it stays.
  const int barTop = 580 * 540 / 720;
  EXPECT_EQ(meanDifference(defaults, titled, 0, 0, 960, barTop), 0.0);
  EXPECT_GT(meanDifference(defaults, titled, 0, barTop, 960 / 2, 540), 1.0);
}

TEST_F(SvgDesignTest, PreviewOfTheDrawingIsTheRenderOfItsTheme) {
  writeFile(folder_.file("design.svg"), lowerThirdDesign("rotate(-6 640 350)"));
  ASSERT_EQ(pack("design.svg").status, 0);
  const Picture rendered = renderTheme(640, 360);
  const RunResult preview =
      run(quote(kvxthemeTool()) + " preview " + quote(folder_.file("design.svg")) + " --input " +
          quote(folder_.file("grey.png")) + " --output " + quote(folder_.file("preview.png")) +
          " --title 'Summer holidays' --date 2024-07-14 --description 'A centred caption'");
  ASSERT_EQ(preview.status, 0) << preview.output;
  EXPECT_NE(preview.output.find("curved: a text on a path"), std::string::npos) << preview.output;
  Picture previewed;
  ASSERT_TRUE(readPng(folder_.file("preview.png"), &previewed));
  EXPECT_EQ(compare(previewed, rendered).max, 0);
}

// A drawing of a framed window whose layer casts a shadow: `layerFilter` names the layer's
// filter, `inside` adds to the layer.
std::string shadowedLayerDesign(const std::string& layerFilter, const std::string& inside = "") {
  return std::string(kHeader) + R"svg( width="640" height="360">
  <defs>
    <filter id="drop" x="-0.2" y="-0.2" width="1.5" height="1.5">
      <feGaussianBlur in="SourceAlpha" stdDeviation="3"/>
      <feOffset dx="6" dy="6" result="moved"/>
      <feFlood flood-color="#000000" flood-opacity="0.5"/>
      <feComposite in2="moved" operator="in"/>
      <feMerge><feMergeNode/><feMergeNode in="SourceGraphic"/></feMerge>
    </filter>
    <filter id="blur"><feGaussianBlur stdDeviation="2"/></filter>
  </defs>
  <rect id="placeholder" width="640" height="360" fill="#777777"/>
  <g inkscape:groupmode="layer" inkscape:label="Window" )svg" +
         layerFilter + R"svg(>
    <path fill="#202028" fill-rule="evenodd" d="M200,100 H440 V260 H200 Z M220,120 V240 H420 V120 Z"/>
    )svg" +
         inside + R"svg(
  </g>
</svg>
)svg";
}

TEST_F(SvgDesignTest, LayerDropShadowBecomesItsPicturesOwnShadow) {
  const std::string text =
      R"(<text id="SlideShowTitle" x="230" y="150" style="font-size:20px;fill:#ffffff">Hi</text>)";
  const struct {
    const char* what;
    std::string design;
    bool ownShadow;  // else librsvg draws the filter into the picture
  } cases[] = {
      {"attribute", shadowedLayerDesign(R"a(filter="url(#drop)")a"), true},
      {"style", shadowedLayerDesign(R"a(style="opacity:1;filter:url(#drop)")a"), true},
      {"not a shadow", shadowedLayerDesign(R"a(filter="url(#blur)")a"), false},
      {"layer holding a text", shadowedLayerDesign(R"a(filter="url(#drop)")a", text), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    writeFile(folder_.file("design.svg"), c.design);
    ASSERT_EQ(pack("design.svg").status, 0);
    const std::string objects = info();
    if (c.ownShadow) {
      EXPECT_NE(objects.find("\"Window\" picture at 200, 100 size 240 x 160"), std::string::npos)
          << objects;
      EXPECT_NE(objects.find("shadow on: kind 0, offset 6, 6, opacity 50"), std::string::npos)
          << objects;
    } else {
      EXPECT_EQ(objects.find("shadow on:"), std::string::npos) << objects;
    }
    const Picture frame = renderTheme(640, 360, "Hi");
    EXPECT_GT(psnr(frame, librsvg("design.svg", 640, 360)), 30.0);
  }
}

TEST_F(SvgDesignTest, HostileDrawingsAreRefusedWithTheReason) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {R"(<!DOCTYPE svg [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;">
<!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">]>
<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10"><text id="t">&c;</text></svg>)",
       "entit"},
      {R"(<!DOCTYPE svg [<!ENTITY x SYSTEM "file:///etc/passwd">]>
<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10"><text id="t">&x;</text></svg>)",
       "entities"},
      {R"(<svg xmlns="http://www.w3.org/2000/svg" width="40000" height="30000"/>)", "larger than"},
      {R"(<svg xmlns="http://www.w3.org/2000/svg" width="1e9" height="1"/>)", "larger than"},
      {R"(<svg xmlns="http://www.w3.org/2000/svg" width="50%"/>)", "no page size"},
      {"<html/>", "not an SVG drawing"},
      {"plain text", "not well-formed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    writeFile(folder_.file("hostile.svg"), c.text);
    const RunResult result = pack("hostile.svg");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.output.find(c.message), std::string::npos) << result.output;
    EXPECT_FALSE(std::filesystem::exists(folder_.file("theme.kvx")));
  }
  std::string deep = R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10">)";
  for (int i = 0; i < 5000; ++i) deep += "<g>";
  for (int i = 0; i < 5000; ++i) deep += "</g>";
  writeFile(folder_.file("deep.svg"), deep + "</svg>");
  const RunResult result = pack("deep.svg");
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.output.find("deeper than 256"), std::string::npos) << result.output;
}

}  // namespace
}  // namespace kvxtest
