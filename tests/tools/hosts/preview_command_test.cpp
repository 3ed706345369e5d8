// The kvxtheme tool's preview command, run as a separate program: one still of a design, and
// with --watch a new one whenever the design or a file it reads is saved.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "tools/hosts/host_runner.h"

extern char** environ;

namespace kvxtest {
namespace {

// With the private folder of a packed design under `temporary`, when given.
RunResult preview(const std::string& arguments, const std::string& temporary = "") {
  const std::string environment = temporary.empty() ? "" : "TMPDIR=" + quote(temporary) + " ";
  // Bounded: a watch that should have been refused would wait for changes forever.
  return run(environment + "timeout 60 " + quote(kvxthemeTool()) + " preview " + arguments);
}

std::string contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

// Saved as editors do: a new file renamed over the old one.
void save(const std::string& path, const std::string& text) {
  std::ofstream(path + ".new", std::ios::binary) << text;
  std::filesystem::rename(path + ".new", path);
}

Picture filled(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  Picture picture{width, height, 3, {}};
  for (int i = 0; i < width * height; ++i) picture.pixels.insert(picture.pixels.end(), {r, g, b});
  return picture;
}

// A small description with badge.png at `badgeX`.
std::string description(int badgeX) {
  return R"({"page": {"width": 320, "height": 180}, "objects": [
    {"name": "SlideShowTitle", "type": "text", "x": 20, "y": 130, "string": "Title",
     "font": {"size": 24}},
    {"name": "badge", "type": "picture", "x": )" +
         std::to_string(badgeX) + R"(, "y": 10, "file": "badge.png"},
    {"name": "placeholder", "type": "picture", "width": 320, "height": 180, "color": "#404040"}]})";
}

bool waitFor(const std::function<bool()>& condition) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

TEST(PreviewCommandTest, SampleThemeAtPageSizeShowsTheTitleWhereItsLayerIs) {
  const std::string kvx = buildPath("themes/lower-third.kvx");
  if (!std::filesystem::exists(kvx)) GTEST_SKIP() << "sample themes not built (kvx_sample_themes)";
  TempDir folder;
  const std::string temporary = folder.file("tmp");
  std::filesystem::create_directory(temporary);
  const std::string picture = folder.file("photo.png");
  ASSERT_TRUE(writePng(picture, filled(1280, 720, 30, 90, 160)));
  for (const std::string& design : {kvx, buildPath("themes/lower-third.svg")})
    for (const std::string& input : {picture, std::string("testsrc")}) {
      SCOPED_TRACE(design + " over " + input);
      Picture shown[2];
      const char* titles[2] = {"Holiday", "Winter in the mountains"};
      for (int i = 0; i < 2; ++i) {
        const std::string out = folder.file("out" + std::to_string(i) + ".png");
        const RunResult result = preview(quote(design) + " --input " + quote(input) + " --output " +
                                             quote(out) + " --title " + quote(titles[i]),
                                         temporary);
        ASSERT_EQ(result.status, 0) << result.output;
        ASSERT_TRUE(readPng(out, &shown[i]));
        EXPECT_EQ(shown[i].width, 1280);
        EXPECT_EQ(shown[i].height, 720);
      }
      // The title's layer lies in the bar at the bottom (y 598); the page above it is the same.
      EXPECT_GT(meanDifference(shown[0], shown[1], 40, 560, 900, 700), 1.0);
      EXPECT_EQ(meanDifference(shown[0], shown[1], 0, 0, 1280, 500), 0.0);
    }
  // The packed drawing goes with the run.
  EXPECT_TRUE(std::filesystem::is_empty(temporary));
}

TEST(PreviewCommandTest, RefusesOutputsThatWouldReplaceASourceAndUnusableDesigns) {
  TempDir folder;
  const std::string design = folder.file("design.json");
  const std::string badge = folder.file("badge.png");
  const std::string photo = folder.file("photo.png");
  std::ofstream(design) << description(200);
  ASSERT_TRUE(writePng(badge, filled(40, 40, 255, 0, 0)));
  ASSERT_TRUE(writePng(photo, filled(320, 180, 0, 0, 255)));
  std::ofstream(folder.file("broken.json")) << "{\"page\": ";
  std::ofstream(folder.file("notes.txt")) << "a theme";
  // A refused output ends a watch too; a design that fails is waited on (the watch tests).
  const struct {
    std::string design, input, output, message;
    bool watchRefuses;
  } cases[] = {
      {design, photo, design, "is also the design", true},
      {design, photo, photo, "is also the input", true},
      {design, "testsrc", badge, "is also a file the design reads", true},
      {design, photo, folder.file("out.mp4"), "a preview is one picture", true},
      {folder.file("notes.txt"), photo, folder.file("out.png"), "is neither a theme file", false},
      {folder.file("broken.json"), photo, folder.file("out.png"), "broken.json", false},
      {design, folder.file("missing.png"), folder.file("out.png"), "missing.png", false},
  };
  for (const auto& refused : cases) {
    const std::string before = contents(refused.output);
    for (const std::string watch : {"", " --watch"}) {
      if (!watch.empty() && !refused.watchRefuses) continue;
      SCOPED_TRACE(refused.message + watch);
      const RunResult result = preview(quote(refused.design) + " --input " + quote(refused.input) +
                                       " --output " + quote(refused.output) + watch);
      EXPECT_EQ(result.status, 1) << result.output;
      EXPECT_NE(result.output.find(refused.message), std::string::npos) << result.output;
      // One line of the tool's own; a sanitizer may add its summary after it.
      size_t toolLines = 0;
      for (size_t at = result.output.find("kvxtheme:"); at != std::string::npos;
           at = result.output.find("kvxtheme:", at + 1))
        ++toolLines;
      EXPECT_EQ(toolLines, 1u) << result.output;
      EXPECT_EQ(contents(refused.output), before);
    }
  }
}

// `kvxtheme preview --watch` in the background over a description in its own folder.
class PreviewWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    design_ = folder_.file("design.json");
    output_ = folder_.file("preview.png");
    log_ = folder_.file("preview.log");
    std::filesystem::create_directory(folder_.file("tmp"));
    std::ofstream(design_) << description(200);
    ASSERT_TRUE(writePng(folder_.file("badge.png"), filled(40, 40, 255, 0, 0)));
    const std::string command = "cd " + quote(folder_.path().string()) + " && TMPDIR=tmp exec " +
                                quote(kvxthemeTool()) +
                                " preview design.json --input testsrc --output preview.png "
                                "--watch 2>preview.log";
    const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
    ASSERT_EQ(posix_spawn(&tool_, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ),
              0);
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(output_); })) << contents(log_);
    first_ = contents(output_);
  }

  void TearDown() override {
    if (tool_ > 0) stop();
  }

  // SIGTERM, then the exit status.
  int stop() {
    kill(tool_, SIGTERM);
    int status = 0;
    waitpid(tool_, &status, 0);
    tool_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  bool previewChanges(const std::string& from) {
    return waitFor([&] {
      const std::string now = contents(output_);
      return !now.empty() && now != from;
    });
  }

  TempDir folder_;
  std::string design_, output_, log_, first_;
  pid_t tool_ = -1;
};

TEST_F(PreviewWatchTest, RendersAgainWhenAPictureTheDesignNamesIsSaved) {
  ASSERT_TRUE(writePng(folder_.file("badge.new.png"), filled(40, 40, 0, 255, 0)));
  std::filesystem::rename(folder_.file("badge.new.png"), folder_.file("badge.png"));
  EXPECT_TRUE(previewChanges(first_)) << contents(log_);
  EXPECT_EQ(stop(), 0);
  // The packed design's private folder is gone with the process.
  EXPECT_TRUE(std::filesystem::is_empty(folder_.file("tmp")));
}

TEST_F(PreviewWatchTest, KeepsTheLastPreviewWhileTheDesignIsBrokenAndRendersOnceFixed) {
  std::ofstream(design_) << "{\"page\": {\"width\": 320,";  // written in place
  ASSERT_TRUE(waitFor([&] { return contents(log_).find("design.json:") != std::string::npos; }))
      << contents(log_);
  EXPECT_EQ(contents(output_), first_);
  save(design_, description(100));
  EXPECT_TRUE(previewChanges(first_)) << contents(log_);
  EXPECT_EQ(stop(), 0);
}

}  // namespace
}  // namespace kvxtest
