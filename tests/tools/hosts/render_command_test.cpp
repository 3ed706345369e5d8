// The kvxtheme tool's render command, run as a separate program over real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/hostile_themes.h"
#include "tools/hosts/host_runner.h"

namespace kvxtest {
namespace {

RunResult render(const std::string& arguments) {
  return run(quote(kvxthemeTool()) + " render --quiet " + arguments);
}

size_t entriesIn(const std::filesystem::path& folder) {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                           std::filesystem::directory_iterator()));
}

std::string entryNames(const std::filesystem::path& folder) {
  std::string names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names += " " + entry.path().filename().string();
  return names;
}

class RenderCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveProgram("ffmpeg") || !haveProgram("ffprobe"))
      GTEST_SKIP() << "ffmpeg is not installed (scripts/install-deps.sh)";
  }
  TempDir folder_;
};

TEST_F(RenderCommandTest, VideoKeepsFrameCountSizeRateAndAudio) {
  std::string clip = folder_.file("clip.mp4");
  ASSERT_EQ(run("ffmpeg -v error -f lavfi -i testsrc2=size=176x144:rate=30000/1001 -f lavfi -i "
                "sine=frequency=440:sample_rate=48000 -t 0.5 -c:v libx264 -c:a aac -shortest " +
                quote(clip))
                .status,
            0);
  auto source = probe(clip);
  ASSERT_EQ(source["audio_streams"], "1");
  for (const char* name : {"out.mp4", "out.mkv"}) {
    std::string out = folder_.file(name);
    RunResult result = render("--input " + quote(clip) + " --output " + quote(out) + " --title T");
    ASSERT_EQ(result.status, 0) << result.output;
    auto rendered = probe(out);
    EXPECT_EQ(rendered["width"], source["width"]) << name;
    EXPECT_EQ(rendered["height"], source["height"]) << name;
    EXPECT_EQ(rendered["r_frame_rate"], "30000/1001") << name;
    EXPECT_EQ(rendered["nb_read_frames"], source["nb_read_frames"]) << name;
    EXPECT_EQ(rendered["audio_streams"], "1") << name;
  }
  // --size scales the source; its frames, rate and sound stay.
  const std::string scaled = folder_.file("scaled.mkv");
  RunResult result = render("--input " + quote(clip) + " --size 320x240 --output " + quote(scaled));
  ASSERT_EQ(result.status, 0) << result.output;
  auto rendered = probe(scaled);
  EXPECT_EQ(rendered["width"], "320");
  EXPECT_EQ(rendered["height"], "240");
  EXPECT_EQ(rendered["nb_read_frames"], source["nb_read_frames"]);
  EXPECT_EQ(rendered["audio_streams"], "1");
  // One side given, the other follows the source's aspect (176x144), even.
  const std::string aspect = folder_.file("aspect.mkv");
  result = render("--input " + quote(clip) + " --size 100:-2 --output " + quote(aspect));
  ASSERT_EQ(result.status, 0) << result.output;
  EXPECT_EQ(probe(aspect)["height"], "82");
}

TEST_F(RenderCommandTest, QualityOptionsChangeWhatTheyShould) {
  // Detail that costs bits: the test pattern alone is mostly flat.
  const std::string noisy = folder_.file("noisy.mkv");
  ASSERT_EQ(run("ffmpeg -v error -f lavfi -i testsrc2=size=160x120:rate=25,noise=alls=30:allf=t "
                "-frames:v 10 -c:v ffv1 " +
                quote(noisy))
                .status,
            0);
  const auto rendered = [&](const std::string& name, const std::string& options) {
    const std::string out = folder_.file(name);
    const RunResult result =
        render("--input " + quote(noisy) + " " + options + " --output " + quote(out));
    EXPECT_EQ(result.status, 0) << options << ": " << result.output;
    return out;
  };
  const auto bytes = [](const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  };
  EXPECT_GT(std::filesystem::file_size(rendered("fine.mp4", "--crf 10")),
            2 * std::filesystem::file_size(rendered("coarse.mp4", "--crf 40")));
  // x264 records its settings in the stream: the fastest preset turns CABAC off.
  EXPECT_NE(bytes(rendered("ultrafast.mp4", "--preset ultrafast")).find("cabac=0"),
            std::string::npos);
  EXPECT_NE(bytes(rendered("default.mp4", "")).find("cabac=1"), std::string::npos);
  EXPECT_EQ(probe(folder_.file("default.mp4"))["pix_fmt"], "yuv420p");
  EXPECT_EQ(probe(rendered("full.mp4", "--pix-fmt yuv444p"))["pix_fmt"], "yuv444p");
  EXPECT_EQ(probe(rendered("odd.mp4", "--size 65x47 --pix-fmt yuv444p"))["width"], "65");
  EXPECT_NE(bytes(folder_.file("fine.mp4")).find("crf=10.0"), std::string::npos);
  // An average rate instead of a quality; an encoder's own option reaches it.
  const std::string low = rendered("low.mp4", "--bitrate 100k");
  const std::string high = rendered("high.mp4", "--bitrate 2M");
  EXPECT_GT(std::filesystem::file_size(high), 4 * std::filesystem::file_size(low));
  EXPECT_GT(std::atoll(probe(high)["bit_rate"].c_str()),
            4 * std::atoll(probe(low)["bit_rate"].c_str()));
  EXPECT_NE(bytes(rendered("keys.mp4", "--encoder-option g=7")).find("keyint=7"),
            std::string::npos);

  const std::string out = folder_.file("refused.mp4");
  const std::pair<std::string, std::string> refusals[] = {
      {"--size 65x48", "is 65 x 48, which yuv420p cannot hold"},
      {"--size 64x48 --pix-fmt yuv422p --size 65x48", "yuv422p cannot hold"},
      {"--crf 52", "--crf: runs from 0 to 51 for h264"},
      {"--crf 64", "--crf"},
      {"--preset quick", "--preset: \"quick\" is not one of ultrafast"},
      {"--pix-fmt rgb24", "--pix-fmt: \"rgb24\" is not one of yuv420p"},
      {"--codec ffv1 --crf 20", "--crf: sets the quality of h264 and vp9, not of ffv1"},
      {"--bitrate fast", "--bitrate"},
      {"--bitrate 2M --crf 20", "--bitrate: and --crf each set the quality"},
      {"--codec ffv1 --bitrate 2M", "--bitrate: sets the bit rate of h264 and vp9, not of ffv1"},
      {"--encoder-option bogus=1", "--encoder-option: 'bogus' is not an option of the libx264"},
      {"--encoder-option g=often", "--encoder-option: g=often"},
      {"--encoder-option =1", "--encoder-option: '=1' is not KEY=VALUE"},
  };
  for (const auto& [options, says] : refusals) {
    const RunResult result =
        render("--input testsrc --frames 2 " + options + " --output " + quote(out));
    EXPECT_EQ(result.status, 1) << options;
    EXPECT_NE(result.output.find(says), std::string::npos) << options << ": " << result.output;
    EXPECT_FALSE(std::filesystem::exists(out)) << options;
  }
}

// The source's audio reaches every container: copied where it fits, else encoded again in the
// container's usual codec, or as --audio-codec says.
TEST_F(RenderCommandTest, AudioIsKeptInEveryContainer) {
  const std::string clip = folder_.file("clip.mp4");
  ASSERT_EQ(run("ffmpeg -v error -f lavfi -i testsrc2=size=160x120:rate=25 -f lavfi -i "
                "sine=frequency=440:sample_rate=44100 -t 0.5 -c:v libx264 -c:a aac -shortest " +
                quote(clip))
                .status,
            0);
  const struct {
    const char* output;
    const char* options;
    const char* audio;  // the output's audio codecs, one a line
  } cases[] = {
      {"copy.mp4", "", "aac\n"},
      {"copy.mkv", "", "aac\n"},
      {"copy.mov", "", "aac\n"},
      {"opus.webm", "", "opus\n"},
      {"opus.mkv", "--audio-codec opus", "opus\n"},
      {"aac.mov", "--audio-codec aac", "aac\n"},
      {"silent.mp4", "--audio-codec none", ""},
  };
  for (const auto& test : cases) {
    const std::string out = folder_.file(test.output);
    const RunResult result =
        render("--input " + quote(clip) + " " + test.options + " --output " + quote(out));
    ASSERT_EQ(result.status, 0) << test.output << ": " << result.output;
    EXPECT_EQ(run("ffprobe -v error -select_streams a -show_entries stream=codec_name -of "
                  "csv=p=0 " +
                  quote(out))
                  .output,
              test.audio)
        << test.output;
    // The audio decodes without an error.
    if (*test.audio)
      EXPECT_EQ(run("ffmpeg -v error -i " + quote(out) + " -map 0:a -f null -").output, "")
          << test.output;
  }
  const std::string refused = folder_.file("refused.webm");
  const RunResult result =
      render("--input " + quote(clip) + " --audio-codec aac --output " + quote(refused));
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.output.find("--audio-codec: aac cannot be written into"), std::string::npos)
      << result.output;
  EXPECT_FALSE(std::filesystem::exists(refused));
}

// The finished output is renamed over its name: an output that is also a file the render reads
// would replace it, however the name is spelt.
TEST_F(RenderCommandTest, AnOutputThatIsTheInputOrTheThemeIsRefusedAndLeftAlone) {
  const std::string clip = folder_.file("clip.mkv");
  ASSERT_EQ(
      render("--input testsrc --frames 3 --size 64x48 --codec ffv1 --output " + quote(clip)).status,
      0);
  // A theme is known by its content, whatever its name says.
  const std::string theme = folder_.file("theme.mkv");
  std::filesystem::copy_file(kvxtest::buildPath("themes/lower-third.kvx"), theme);
  std::filesystem::create_directory(folder_.file("sub"));
  const auto bytes = [](const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  };
  // Subtitles are recognised by their content under any name.
  const std::string cues = folder_.file("cues.mkv");
  std::ofstream(cues) << "1\n00:00:00,000 --> 00:00:01,000\nCue\n";
  const std::string clipBefore = bytes(clip), themeBefore = bytes(theme), cuesBefore = bytes(cues);
  const struct {
    std::string arguments;
    const char* says;
  } cases[] = {
      {"--input " + quote(clip) + " --output " + quote(clip), "is also the input"},
      {"--input " + quote(clip) + " --output " + quote(folder_.file("sub/../clip.mkv")),
       "is also the input"},
      {"--input testsrc --frames 1 --theme " + quote(theme) + " --output " + quote(theme),
       "is also the theme"},
      {"--input testsrc --frames 1 --texts " + quote(cues) + " --output " + quote(cues),
       "is also a --texts file"},
  };
  for (const auto& test : cases) {
    const RunResult result = render(test.arguments);
    EXPECT_EQ(result.status, 1) << test.arguments;
    EXPECT_NE(result.output.find(test.says), std::string::npos) << result.output;
  }
  EXPECT_EQ(bytes(clip), clipBefore);
  EXPECT_EQ(bytes(theme), themeBefore);
  EXPECT_EQ(bytes(cues), cuesBefore);
}

TEST_F(RenderCommandTest, TestPatternAndPictureSequences) {
  std::string pattern = folder_.file("frame_%03d.png");
  RunResult result =
      render("--input testsrc --size 96x64 --rate 10 --duration 0.5 --output " + quote(pattern));
  ASSERT_EQ(result.status, 0) << result.output;
  for (int i = 1; i <= 5; ++i) {
    Picture picture;
    char name[32];
    std::snprintf(name, sizeof(name), "frame_%03d.png", i);
    ASSERT_TRUE(readPng(folder_.file(name), &picture)) << name;
    EXPECT_EQ(picture.width, 96);
    EXPECT_EQ(picture.height, 64);
  }
  EXPECT_EQ(entriesIn(folder_.path()), 5u);

  std::string clip = folder_.file("pattern.mkv");
  ASSERT_EQ(
      render("--input testsrc --size 64x48 --rate 30 --frames 7 --output " + quote(clip)).status,
      0);
  auto info = probe(clip);
  EXPECT_EQ(info["nb_read_frames"], "7");
  EXPECT_EQ(info["r_frame_rate"], "30/1");
}

TEST_F(RenderCommandTest, StillPictureIsRepeatedForTheDuration) {
  Picture still{64, 48, 3, std::vector<uint8_t>(64 * 48 * 3, 200)};
  std::string picture = folder_.file("still.png");
  ASSERT_TRUE(writePng(picture, still));
  std::string out = folder_.file("still.mp4");
  ASSERT_EQ(render("--input " + quote(picture) + " --rate 25 --duration 0.4 --output " + quote(out))
                .status,
            0);
  EXPECT_EQ(probe(out)["nb_read_frames"], "10");
}

TEST_F(RenderCommandTest, SlidesChangeTheCaptionOnTheirFrames) {
  std::string texts = folder_.file("texts.json");
  std::ofstream(texts) << R"([{"from": 0, "to": 1, "title": "First slide"},
                             {"from": 2, "title": "Second", "date": "2024-07-01"}])";
  // A still picture, so that only the caption can change between frames.
  Picture still{200, 100, 3, std::vector<uint8_t>(200 * 100 * 3, 230)};
  std::string picture = folder_.file("still.png");
  ASSERT_TRUE(writePng(picture, still));
  std::string pattern = folder_.file("slide_%d.png");
  ASSERT_EQ(render("--input " + quote(picture) + " --frames 4 --texts " + quote(texts) +
                   " --output " + quote(pattern))
                .status,
            0);
  Picture frames[4];
  for (int i = 0; i < 4; ++i)
    ASSERT_TRUE(readPng(folder_.file("slide_" + std::to_string(i + 1) + ".png"), &frames[i]));
  EXPECT_EQ(compare(frames[0], frames[1]).max, 0);
  EXPECT_GT(compare(frames[1], frames[2]).max, 100);
  EXPECT_EQ(compare(frames[2], frames[3]).max, 0);
}

TEST_F(RenderCommandTest, InterlacedLinesComeFromTheirOwnFields) {
  // Top field (even lines) red, bottom field (odd lines) blue.
  Picture lines{128, 96, 3, std::vector<uint8_t>(128 * 96 * 3, 0)};
  for (int y = 0; y < lines.height; ++y)
    for (int x = 0; x < lines.width; ++x) lines.row(y)[x * 3 + (y % 2 ? 2 : 0)] = 255;
  std::string source = folder_.file("lines.png");
  ASSERT_TRUE(writePng(source, lines));
  auto renderFields = [&](const std::string& order) {
    std::string out = folder_.file(order + ".png");
    RunResult result = render("--input " + quote(source) + " --output " + quote(out) +
                              (order == "progressive" ? "" : " --interlaced " + order));
    EXPECT_EQ(result.status, 0) << result.output;
    Picture picture;
    EXPECT_TRUE(readPng(out, &picture));
    return picture;
  };
  // Below the caption, in the middle of the placeholder.
  const int x = 64;
  Picture progressive = renderFields("progressive");
  ASSERT_EQ(progressive.height, lines.height);
  for (int y = 40; y < 60; ++y)
    EXPECT_EQ(progressive.row(y)[x * 3 + (y % 2 ? 2 : 0)], 255) << "line " << y;

  // The field rendered first sees only its own lines; the second sees the whole frame.
  Picture top = renderFields("tff");
  Picture bottom = renderFields("bff");
  ASSERT_EQ(top.height, lines.height);
  ASSERT_EQ(bottom.height, lines.height);
  for (int y = 40; y < 60; y += 2) {
    const uint8_t* even = top.row(y) + x * 3;
    EXPECT_GT(even[0], 240) << "tff line " << y;
    EXPECT_LT(even[2], 15) << "tff line " << y;
    EXPECT_GT(top.row(y + 1)[x * 3 + 2], 100) << "tff line " << y + 1 << " lacks the bottom field";
    const uint8_t* odd = bottom.row(y + 1) + x * 3;
    EXPECT_GT(odd[2], 240) << "bff line " << y + 1;
    EXPECT_LT(odd[0], 15) << "bff line " << y + 1;
    EXPECT_GT(bottom.row(y)[x * 3], 100) << "bff line " << y << " lacks the top field";
  }
}

// An interlaced source is rendered as fields in its own order and written interlaced, as
// --interlaced with that order would; --interlaced overrides what the source says.
TEST_F(RenderCommandTest, InterlacedSourcesKeepTheirFields) {
  for (const char* order : {"tff", "bff"}) {
    const std::string top = std::string(order) == "tff" ? "1" : "0";
    ASSERT_EQ(
        run("ffmpeg -v error -f lavfi -i testsrc2=size=1920x1080:rate=25 -frames:v 1 "
            "-vf setfield=" +
            std::string(order) + " -flags +ildct+ilme -top " + top +
            " -c:v libx264 -preset ultrafast " + quote(folder_.file(std::string(order) + ".mkv")))
            .status,
        0);
  }
  const struct {
    const char* source;
    const char* options;
    const char* fieldOrder;
    const char* sameAs;  // the options whose render this one equals
  } cases[] = {
      {"tff", "", "tt", "--interlaced tff"},
      {"bff", "", "bb", "--interlaced bff"},
      {"tff", "--interlaced progressive", "progressive", nullptr},
      {"bff", "--interlaced tff", "tt", nullptr},
  };
  for (const auto& test : cases) {
    const std::string source = folder_.file(std::string(test.source) + ".mkv");
    const auto rendered = [&](const std::string& options, const std::string& name) {
      const std::string out = folder_.file(name);
      const RunResult result =
          render("--input " + quote(source) + " " + options + " --output " + quote(out));
      EXPECT_EQ(result.status, 0) << options << ": " << result.output;
      return out;
    };
    const std::string out = rendered(test.options, "out.mp4");
    EXPECT_EQ(probe(out)["field_order"], test.fieldOrder) << test.source << " " << test.options;
    // The decoded frames, as ffmpeg's framemd5 lists them.
    const auto frames = [](const std::string& file) {
      return run("ffmpeg -v error -i " + quote(file) + " -map 0:v -f framemd5 -").output;
    };
    if (test.sameAs)
      EXPECT_EQ(frames(out), frames(rendered(test.sameAs, "same.mp4"))) << test.source;
  }
}

TEST_F(RenderCommandTest, FailuresNameTheFileAndLeaveNoOutput) {
  const std::string out = folder_.file("out.mp4");
  const std::string missing = folder_.file("missing.mov");
  struct Case {
    std::string arguments;
    std::string named;
  } cases[] = {
      {"--input " + quote(missing) + " --output " + quote(out), missing},
      {"--input testsrc --theme " + quote(folder_.file("none.kvx")) + " --output " + quote(out),
       "none.kvx"},
      {"--input testsrc --output " + quote(folder_.file("out.avi")), "out.avi"},
      {"--input testsrc --output " + quote(folder_.file("no/such/folder/out.mp4")), "out.mp4"},
      {"--input testsrc --size 64x47 --interlaced tff --output " + quote(out), "testsrc"},
      {"--input testsrc --frames 3 --output " + quote(folder_.file("one.png")), "one.png"},
      {"--input testsrc --rate fast --output " + quote(out), "--rate"},
      {"--input testsrc --bogus --output " + quote(out), "--bogus"},
      {"--input testsrc --rate 0.001 --output " + quote(out), "--rate"},
      {"--input testsrc --rate 1/1000000 --output " + quote(out), "--rate"},
      {"--input testsrc --duration 1e18 --output " + quote(out), "--duration"},
      {"--input testsrc --size 16384x16383 --output " + quote(out), "--size"},
      {"--input testsrc --size 320:-2 --output " + quote(out), "--size"},
      {"--input testsrc --texts /dev/zero --output " + quote(out), "/dev/zero"},
      {"--input testsrc --texts " + quote(folder_.path().string()) + " --output " + quote(out),
       "is a folder"},
      {"--input " + quote(folder_.file(std::string(5000, 'n'))) + " --output " + quote(out),
       "cannot be read"},
      {"--input " + quote(folder_.file("loop.mp4")) + " --output " + quote(out), "loop.mp4"},
  };
  std::filesystem::create_symlink(folder_.file("loop.mp4"), folder_.file("loop.mp4"));
  for (const auto& test : cases) {
    RunResult result = render(test.arguments);
    EXPECT_NE(result.status, 0) << test.arguments;
    EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1) << result.output;
    EXPECT_NE(result.output.find(test.named), std::string::npos) << result.output;
    EXPECT_EQ(entriesIn(folder_.path()), 1u) << test.arguments;  // the looping link
  }
  std::filesystem::remove(folder_.file("loop.mp4"));
  // A damaged input fails part-way: nothing appears under the target name.
  std::string broken = folder_.file("broken.mp4");
  std::ofstream(broken) << "not a video at all";
  RunResult result = render("--input " + quote(broken) + " --output " + quote(out));
  EXPECT_NE(result.status, 0);
  EXPECT_NE(result.output.find("broken.mp4"), std::string::npos) << result.output;
  EXPECT_EQ(entriesIn(folder_.path()), 1u);
}

// What the effect cannot do reaches the user: a theme whose records declare more picture memory
// than a theme may hold (two 15,000 × 15,000 one-colour pictures in a 5 KB file), and a frame
// whose placement asks for more than there is (corners 30,000 pixels beyond a small page).
TEST_F(RenderCommandTest, TheEffectsFailuresReachTheUser) {
  const auto packed = [&](const std::string& name, const std::string& objects) {
    const std::string json = folder_.file(name + ".json");
    std::ofstream(json) << R"({"page": {"width": 64, "height": 48}, "objects": [)" << objects
                        << "]}";
    const std::string theme = folder_.file(name + ".kvx");
    EXPECT_EQ(run(quote(kvxthemeTool()) + " pack " + quote(json) + " -o " + quote(theme)).status,
              0);
    return theme;
  };
  const std::string huge = packed("huge", kvxtest::kOverBudgetObjects);
  const std::string far = packed("far", kvxtest::kFarPlacementObjects);
  const std::string out = folder_.file("out.png");
  RunResult result =
      render("--theme " + quote(huge) + " --input testsrc --frames 1 --output " + quote(out));
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.output.find("huge.kvx: the theme's pictures declare more than 1024 MiB"),
            std::string::npos)
      << result.output;
  result = run(quote(kvxthemeTool()) + " texture " + quote(huge) + " -o " + quote(out));
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.output.find("1024 MiB"), std::string::npos) << result.output;
  result = render("--theme " + quote(far) + " --input testsrc --size 64x48 --frames 1 --output " +
                  quote(out));
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.output.find("could not compose frame 0 in full"), std::string::npos)
      << result.output;
  EXPECT_FALSE(std::filesystem::exists(out));
}

// Stopped by a signal, the tool removes the hidden temporaries of its outputs, keeps what was
// there before and ends with the shell's status for that signal.
TEST_F(RenderCommandTest, StopSignalsLeaveNoTemporaryFiles) {
  const std::string earlier = folder_.file("out_0001.png");
  std::ofstream(earlier) << "an earlier render";
  for (const auto& [signal, status] :
       {std::pair{"INT", 130}, std::pair{"TERM", 143}, std::pair{"HUP", 129}}) {
    const std::string script = quote(kvxthemeTool()) +
                               " render --quiet --input testsrc --size 320x180 --duration 600 " +
                               "--output " + quote(folder_.file("out_%04d.png")) + " & pid=$!; " +
                               "for i in $(seq 200); do ls -A " + quote(folder_.path().string()) +
                               " | grep -q '^\\.out_0005' && break; sleep 0.05; done; kill -" +
                               signal + " $pid; wait $pid; echo status=$?";
    const RunResult result = run("sh -c " + quote(script));
    EXPECT_NE(result.output.find("status=" + std::to_string(status)), std::string::npos)
        << signal << ": " << result.output;
    EXPECT_EQ(entriesIn(folder_.path()), 1u) << signal << ":" << entryNames(folder_.path());
    EXPECT_TRUE(std::filesystem::exists(earlier));
  }
  // A write past the file size limit (100 KiB here) stops the render the same way.
  const RunResult limited = run(
      "sh -c " + quote("ulimit -f 100; " + quote(kvxthemeTool()) +
                       " render --quiet --input testsrc --size 320x180 --duration 60 --output " +
                       quote(folder_.file("out.mp4")) + "; echo status=$?"));
  EXPECT_NE(limited.output.find("status=153"), std::string::npos) << limited.output;
  EXPECT_EQ(entriesIn(folder_.path()), 1u);
}

TEST_F(RenderCommandTest, HelpListsTheCommands) {
  RunResult help = run(quote(kvxthemeTool()) + " --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.output.find("render"), std::string::npos);
  RunResult unknown = run(quote(kvxthemeTool()) + " no-such-command");
  EXPECT_NE(unknown.status, 0);
  RunResult renderHelp = run(quote(kvxthemeTool()) + " render --help");
  for (const char* named :
       {"--interlaced", "--bitrate", "--audio-codec", "--encoder-option", ".webm"})
    EXPECT_NE(renderHelp.output.find(named), std::string::npos) << named;
}

}  // namespace
}  // namespace kvxtest
