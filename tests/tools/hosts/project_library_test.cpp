// The project library as deployed in the build tree: found beside libkvxtheme.so with no
// variable set, so a placeholder's hyperlink text reaches the theme.
#include <gtest/gtest.h>

#include <fstream>

#include "tools/hosts/host_runner.h"

namespace kvxtest {
namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

// Four quadrants of different colours, so that a half turn moves every one of them.
Picture quadrants() {
  Picture picture{kWidth, kHeight, 3, std::vector<uint8_t>(kWidth * kHeight * 3)};
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      uint8_t* pixel = picture.row(y) + 3 * x;
      pixel[0] = x < kWidth / 2 ? 230 : 20;
      pixel[1] = y < kHeight / 2 ? 200 : 40;
      pixel[2] = (x < kWidth / 2) == (y < kHeight / 2) ? 60 : 250;
    }
  return picture;
}

Picture halfTurn(const Picture& picture) {
  Picture turned = picture;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x)
      std::copy_n(picture.row(picture.height - 1 - y) + 3 * (picture.width - 1 - x), 3,
                  turned.row(y) + 3 * x);
  return turned;
}

class ProjectLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveProgram("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed (scripts/install-deps.sh)";
    ASSERT_TRUE(writePng(folder_.file("in.png"), quadrants()));
  }

  // Packs a page whose placeholder covers it, with the hyperlink given (none when empty), and
  // renders the input's first frame through it with the data directory variable unset.
  Picture renderWithHyperlink(const std::string& hyperlink) {
    const std::string json = folder_.file("theme.json");
    std::ofstream(json)
        << R"({"page": {"width": 64, "height": 48}, "objects": [)"
        << R"({"name": "placeholder", "type": "picture", "width": 64, "height": 48, "color": "#808080")"
        << (hyperlink.empty() ? "" : R"(, "hyperlink": [")" + hyperlink + "\"]") << "}]}";
    const std::string theme = folder_.file("theme.kvx");
    const std::string out = folder_.file("out.png");
    EXPECT_EQ(run(quote(kvxthemeTool()) + " pack " + quote(json) + " -o " + quote(theme)).status,
              0);
    const RunResult rendered =
        run("env -u KVXTHEME_DATA_DIR " + quote(kvxthemeTool()) + " render --quiet --theme " +
            quote(theme) + " --input " + quote(folder_.file("in.png")) + " --output " + quote(out));
    EXPECT_EQ(rendered.status, 0) << rendered.output;
    Picture picture;
    EXPECT_TRUE(readPng(out, &picture));
    return picture;
  }

  TempDir folder_;
};

TEST_F(ProjectLibraryTest, HyperlinkRotationTurnsThePlaceholderWithoutAnyVariable) {
  const Picture turned = halfTurn(quadrants());
  const Picture plain = renderWithHyperlink("");
  ASSERT_EQ(plain.width, kWidth);
  ASSERT_EQ(plain.height, kHeight);
  EXPECT_LT(meanDifference(plain, quadrants(), 2, 2, kWidth - 2, kHeight - 2), 4.0);

  const Picture rotated = renderWithHyperlink("<rotation=180>");
  ASSERT_EQ(rotated.width, kWidth);
  ASSERT_EQ(rotated.height, kHeight);
  // Away from the anti-aliased edges the half turn is exact but for the resampling.
  EXPECT_LT(meanDifference(rotated, turned, 2, 2, kWidth - 2, kHeight - 2), 8.0);
  EXPECT_GT(meanDifference(rotated, quadrants(), 2, 2, kWidth - 2, kHeight - 2), 60.0);
}

}  // namespace
}  // namespace kvxtest
