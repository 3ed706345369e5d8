// A render through a theme whose placeholder is the whole page gives back the source's picture
// as a player shows it: the source's colour tags on the output, its colours within 8-bit
// rounding.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "tools/hosts/host_runner.h"

namespace kvxtest {
namespace {

struct ColourCase {
  const char* name;
  const char* source;  // lavfi graph, encoded or written as a picture
  const char* encode;
  const char* renderOptions;
  const char* decodeMatrix;  // what a player takes an untagged source as
  const char* range;
  const char* matrix;
  const char* primaries;
  const char* transfer;
};

const ColourCase kColourCases[] = {
    {"sd601.mp4", "smptebars=size=720x576",
     "-colorspace smpte170m -color_primaries smpte170m -color_trc smpte170m -color_range tv", "",
     "", "tv", "smpte170m", "smpte170m", "smpte170m"},
    {"hd709.mp4", "smptehdbars=size=1280x720",
     "-colorspace bt709 -color_primaries bt709 -color_trc bt709 -color_range tv", "", "", "tv",
     "bt709", "bt709", "bt709"},
    {"full709.mkv", "testsrc2=size=1280x720",
     "-colorspace bt709 -color_primaries bt709 -color_trc bt709 -color_range pc", "", "", "pc",
     "bt709", "bt709", "bt709"},
    {"untagged.mp4", "smptehdbars=size=1280x720", "", "", "bt709", "tv", "bt709", "bt709", "bt709"},
    // RGB pictures at full chroma resolution: only the matrix and range can lose.
    {"hd.png", "smptehdbars=size=1280x720", "", "--pix-fmt yuv444p", "", "tv", "bt709", "bt709",
     "bt709"},
    {"sd.png", "smptebars=size=720x576", "", "--pix-fmt yuv444p", "", "tv", "smpte170m",
     "smpte170m", "smpte170m"},
    // JPEG's YUV is BT.601 at full range; the render is written as HD video is.
    {"hd.jpg", "smptehdbars=size=1280x720", "-q:v 2", "--pix-fmt yuv444p", "", "tv", "bt709",
     "bt709", "bt709"},
};

class RenderColoursTest : public ::testing::TestWithParam<ColourCase> {
 protected:
  void SetUp() override {
    if (!haveProgram("ffmpeg") || !haveProgram("ffprobe"))
      GTEST_SKIP() << "ffmpeg is not installed (scripts/install-deps.sh)";
  }

  // A theme of `width` x `height` that is all placeholder.
  std::string fullPageTheme(int width, int height) {
    const std::string json = folder_.file("page.json");
    std::ofstream(json) << R"({"page": {"width": )" << width << R"(, "height": )" << height
                        << R"(}, "objects": [{"name": "placeholder", "type": "picture", "width": )"
                        << width << R"(, "height": )" << height << R"(, "color": "#000000"}]})";
    const std::string theme = folder_.file("page.kvx");
    EXPECT_EQ(run(quote(kvxthemeTool()) + " pack " + quote(json) + " -o " + quote(theme)).status,
              0);
    return theme;
  }

  TempDir folder_;
};

// The mean PSNR of two files' frames decoded to RGB as ffmpeg decodes them by default, each by
// its own tags (the first with `sourceMatrix` where it has none); 0 when ffmpeg cannot say.
double psnr(const std::string& source, const std::string& sourceMatrix,
            const std::string& rendered) {
  const std::string matrix =
      sourceMatrix.empty() ? "" : "scale=in_color_matrix=" + sourceMatrix + ",";
  const RunResult result = run("ffmpeg -v info -nostats -i " + quote(source) + " -i " +
                               quote(rendered) + " -lavfi '[0:v]" + matrix +
                               "format=rgb24[a];[1:v]format=rgb24[b];[a][b]psnr' -f null - 2>&1");
  const size_t at = result.output.find("average:");
  return at == std::string::npos ? 0 : std::atof(result.output.c_str() + at + 8);
}

TEST_P(RenderColoursTest, OutputKeepsTheSourcesTagsAndColours) {
  const ColourCase& test = GetParam();
  const std::string source = folder_.file(test.name);
  const bool picture =
      !std::string(test.name).ends_with(".mp4") && !std::string(test.name).ends_with(".mkv");
  ASSERT_EQ(run("ffmpeg -v error -f lavfi -i " + std::string(test.source) + ":rate=25 " +
                (picture ? "-frames:v 1 " : "-frames:v 2 -c:v libx264 -pix_fmt yuv420p ") +
                test.encode + " " + quote(source))
                .status,
            0);
  auto size = probe(source);
  const std::string theme =
      fullPageTheme(std::atoi(size["width"].c_str()), std::atoi(size["height"].c_str()));
  const std::string out = folder_.file("out.mp4");
  const RunResult result = run(quote(kvxthemeTool()) + " render --quiet --theme " + quote(theme) +
                               " --input " + quote(source) + (picture ? " --frames 2 " : " ") +
                               test.renderOptions + " --output " + quote(out));
  ASSERT_EQ(result.status, 0) << result.output;
  auto rendered = probe(out);
  EXPECT_EQ(rendered["color_range"], test.range);
  EXPECT_EQ(rendered["color_space"], test.matrix);
  EXPECT_EQ(rendered["color_primaries"], test.primaries);
  EXPECT_EQ(rendered["color_transfer"], test.transfer);
  EXPECT_GE(psnr(source, test.decodeMatrix, out), 40);
}

INSTANTIATE_TEST_SUITE_P(Sources, RenderColoursTest, ::testing::ValuesIn(kColourCases),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           name.replace(name.find('.'), 1, "_");
                           return name;
                         });

}  // namespace
}  // namespace kvxtest
