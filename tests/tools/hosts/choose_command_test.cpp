#include <gtest/gtest.h>

#include <filesystem>

#include "host_runner.h"

namespace kvxtest {
namespace {

// Without a display the page cannot open: the tool writes the preview of the given name.
std::string headless(const std::string& arguments) {
  return "env -u DISPLAY -u WAYLAND_DISPLAY " + quote(kvxthemeTool()) + " choose " + arguments;
}

TEST(ChooseCommand, WithoutDisplayPrintsTheNameAndWritesItsPreview) {
  const std::vector<std::string> themes = sampleThemes();
  if (themes.empty()) GTEST_SKIP() << "no sample themes were built";
  TempDir folder;
  const std::filesystem::path theme(themes.front());
  const std::string themed = folder.file("themed.png"), plain = folder.file("plain.png");
  RunResult result = run(headless("--name " + quote(theme.filename().string()) + " --theme-dir " +
                                  quote(theme.parent_path().string()) +
                                  " --size 320x180 --preview " + quote(themed)));
  ASSERT_EQ(result.status, 0) << result.output;
  EXPECT_EQ(result.output, theme.filename().string() + "\n");
  result = run(headless("--size 320x180 --preview " + quote(plain)));
  ASSERT_EQ(result.status, 0) << result.output;

  Picture withTheme, defaultPage;
  ASSERT_TRUE(readPng(themed, &withTheme));
  ASSERT_TRUE(readPng(plain, &defaultPage));
  EXPECT_EQ(withTheme.width, 320);
  EXPECT_EQ(withTheme.height, 180);
  EXPECT_GT(meanDifference(withTheme, defaultPage, 0, 0, 320, 180), 5.0)
      << "the theme draws over the test picture";
}

TEST(ChooseCommand, UnknownThemesAndOverlongNamesAreRefused) {
  TempDir folder;
  const std::string preview = folder.file("p.png");
  RunResult result = run(headless("--name missing.kvx --preview " + quote(preview)));
  EXPECT_NE(result.status, 0);
  EXPECT_NE(result.output.find("missing.kvx"), std::string::npos) << result.output;
  EXPECT_FALSE(std::filesystem::exists(preview));
  result = run(headless("--name a-theme-name-far-too-long.kvx"));
  EXPECT_NE(result.status, 0);
  EXPECT_NE(result.output.find("19"), std::string::npos) << result.output;
}

}  // namespace
}  // namespace kvxtest
