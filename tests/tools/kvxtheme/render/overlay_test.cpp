// kvxtheme render --overlay: the theme alone over transparency, checked against normal renders.
#include <gtest/gtest.h>

#include <filesystem>

#include "tools/hosts/host_runner.h"

namespace kvxtest {
namespace {

constexpr int kFrames = 4;

class OverlayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveProgram("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
    if (sampleThemes().empty()) GTEST_SKIP() << "the sample themes are not built";
  }

  // A lossless clip of `kFrames` frames from an ffmpeg source description.
  std::string clip(const std::string& name, const std::string& lavfi) {
    const std::string path = folder_.file(name + ".mkv");
    EXPECT_EQ(run("ffmpeg -v error -f lavfi -i " + quote(lavfi) + " -frames:v " +
                  std::to_string(kFrames) + " -c:v ffv1 -pix_fmt bgr0 " + quote(path))
                  .status,
              0);
    return path;
  }

  // Renders `input` into numbered PNGs named after `name`; returns the pictures.
  std::vector<Picture> render(const std::string& theme, const std::string& input,
                              const std::string& name, bool overlay) {
    std::string command = quote(kvxthemeTool()) + " render --quiet --title Overlay --input " +
                          quote(input) + " --output " + quote(folder_.file(name + "_%04d.png"));
    if (!theme.empty()) command += " --theme " + quote(theme);
    if (overlay) command += " --overlay";
    RunResult result = run(command);
    EXPECT_EQ(result.status, 0) << result.output;
    return pictures(name, overlay ? 4 : 3);
  }

  std::vector<Picture> pictures(const std::string& name, int channels) {
    std::vector<Picture> all(kFrames);
    for (int i = 0; i < kFrames; ++i) {
      char file[64];
      std::snprintf(file, sizeof file, "%s_%04d.png", name.c_str(), i + 1);
      EXPECT_TRUE(readPng(folder_.file(file), &all[i], channels)) << file;
    }
    return all;
  }

  std::string theme(const std::string& name) { return buildPath("themes/" + name + ".kvx"); }

  TempDir folder_;
};

// Where the placeholder is the whole page, unturned, the overlay laid over the source with
// ffmpeg's overlay filter is the normal render.
TEST_F(OverlayTest, LaidOverTheSourceItIsTheNormalRender) {
  const std::string source = clip("source", "testsrc2=size=320x240:rate=25");
  for (const std::string& name :
       {std::string(), std::string("lower-third"), std::string("video-window")}) {
    const std::string path = name.empty() ? "" : theme(name);
    const std::string label = name.empty() ? "default" : name;
    std::vector<Picture> normal = render(path, source, label + "_normal", false);
    render(path, source, label + "_overlay", true);
    RunResult laid = run("ffmpeg -v error -i " + quote(source) + " -framerate 25 -i " +
                         quote(folder_.file(label + "_overlay_%04d.png")) +
                         " -filter_complex '[0][1]overlay=format=rgb' " +
                         quote(folder_.file(label + "_laid_%04d.png")));
    ASSERT_EQ(laid.status, 0) << laid.output;
    std::vector<Picture> composed = pictures(label + "_laid", 3);
    for (int i = 0; i < kFrames; ++i) {
      Difference difference = compare(composed[i], normal[i]);
      EXPECT_LE(difference.max, 2)
          << label << ", frame " << i << " (mean " << difference.mean << ")";
    }
  }
}

// A turned or mapped placeholder: the hole is the area where the normal render shows the
// source (found by rendering over black and over white), and the page around it is opaque with
// the normal render's colours.
TEST_F(OverlayTest, HoleIsExactlyThePlacedArea) {
  const std::string black = clip("black", "color=black:size=320x240:rate=25");
  const std::string white = clip("white", "color=white:size=320x240:rate=25");
  const std::string bars = clip("bars", "smptebars=size=320x240:rate=25");
  for (const std::string name : {"picture-frame", "holder-ref"}) {
    std::vector<Picture> overBlack = render(theme(name), black, name + "_black", false);
    std::vector<Picture> overWhite = render(theme(name), white, name + "_white", false);
    std::vector<Picture> overBars = render(theme(name), bars, name + "_bars", false);
    std::vector<Picture> overlay = render(theme(name), bars, name + "_overlay", true);
    int inside = 0, outside = 0;
    for (int y = 0; y < 240; ++y)
      for (int x = 0; x < 320; ++x) {
        const uint8_t* b = overBlack[0].row(y) + x * 3;
        const uint8_t* w = overWhite[0].row(y) + x * 3;
        const uint8_t* bars = overBars[0].row(y) + x * 3;
        const uint8_t* o = overlay[0].row(y) + x * 4;
        const bool hole = w[0] - b[0] == 255 && w[1] - b[1] == 255 && w[2] - b[2] == 255;
        const bool page = w[0] == b[0] && w[1] == b[1] && w[2] == b[2];
        if (hole) {
          ++inside;
          ASSERT_LE(o[3], 2) << name << ": inside the placed area at " << x << "," << y;
        } else if (page) {
          ++outside;
          ASSERT_GE(o[3], 253) << name << ": page at " << x << "," << y;
          for (int c = 0; c < 3; ++c)
            ASSERT_NEAR(o[c], bars[c], 2) << name << ": page colour at " << x << "," << y;
        }
      }
    EXPECT_GT(inside, 320 * 240 / 10) << name << ": the placed area is too small to check";
    EXPECT_GT(outside, 320 * 240 / 10) << name << ": the page around it is too small to check";
  }
}

TEST_F(OverlayTest, EveryOutputKeepsTheAlpha) {
  const std::string source = clip("source", "testsrc2=size=320x240:rate=25");
  const struct {
    const char* output;
    const char* codecOption;
    const char* codec;
    const char* pixelFormat;
    const char* decoder;
    const char* colours;  // the source's colour tags as the container keeps them
  } cases[] = {
      {"prores.mov", "", "prores", "yuva444p", "", "tv,smpte170m,smpte170m"},
      // QuickTime keeps no colour tags for QuickTime Animation.
      {"animation.mov", "--codec qtrle", "qtrle", "argb", "", ""},
      // VP9 keeps its alpha beside the colour planes; only libvpx's decoder reads it.
      {"vp9.webm", "", "vp9", "yuv420p", "-c:v libvpx-vp9", "tv,smpte170m,smpte170m"},
      // RGB has no matrix or range; the primaries are the source's.
      {"lossless.mkv", "", "ffv1", "bgra", "", "unknown,unknown,smpte170m"},
  };
  render(theme("lower-third"), source, "reference", true);
  std::vector<Picture> reference = pictures("reference", 4);
  for (const auto& c : cases) {
    const std::string output = folder_.file(c.output);
    RunResult rendered = run(quote(kvxthemeTool()) + " render --quiet --overlay --title Overlay " +
                             c.codecOption + " --theme " + quote(theme("lower-third")) +
                             " --input " + quote(source) + " --output " + quote(output));
    ASSERT_EQ(rendered.status, 0) << c.output << ": " << rendered.output;
    RunResult stream =
        run("ffprobe -v error -show_entries stream=codec_name,pix_fmt,color_range,"
            "color_space,color_primaries -of csv=p=0 " +
            quote(output));
    EXPECT_NE(stream.output.find(c.codec), std::string::npos) << c.output << ": " << stream.output;
    EXPECT_NE(stream.output.find(c.colours), std::string::npos)
        << c.output << ": " << stream.output;
    // The alpha plane decoded again is the overlay's, within the codec's loss.
    const std::string decoded = folder_.file(std::string(c.output) + "_%04d.png");
    ASSERT_EQ(run(std::string("ffmpeg -v error ") + c.decoder + " -i " + quote(output) +
                  " -pix_fmt rgba " + quote(decoded))
                  .status,
              0);
    std::vector<Picture> frames = pictures(std::string(c.output), 4);
    double alphaError = 0;
    for (size_t i = 3; i < frames[0].pixels.size(); i += 4)
      alphaError += std::abs(frames[0].pixels[i] - reference[0].pixels[i]);
    EXPECT_LT(alphaError / (320 * 240), 1.0) << c.output << ": the alpha was not kept";
    EXPECT_NE(stream.output.find(c.pixelFormat), std::string::npos)
        << c.output << ": " << stream.output;
  }
}

TEST_F(OverlayTest, OutputsWithoutAlphaAndFieldsAreRefused) {
  const struct {
    const char* arguments;
    const char* message;
  } cases[] = {
      {"--output over.mp4", "cannot hold an overlay's alpha"},
      {"--output over.mov --codec h264", "h264 has no alpha"},
      {"--output over.mov --interlaced tff", "leave out --interlaced"},
      {"--output over.webm --codec qtrle", "qtrle cannot be written into"},
  };
  for (const auto& c : cases) {
    RunResult refused =
        run("cd " + quote(folder_.path().string()) + " && " + quote(kvxthemeTool()) +
            " render --overlay --input testsrc " + c.arguments);
    EXPECT_NE(refused.status, 0) << c.arguments;
    EXPECT_NE(refused.output.find(c.message), std::string::npos)
        << c.arguments << ": " << refused.output;
    EXPECT_FALSE(std::filesystem::exists(folder_.file("over.mp4")));
  }
}

}  // namespace
}  // namespace kvxtest
