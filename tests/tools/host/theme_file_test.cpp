#include "host/theme_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/test_support.h"

namespace {

using kvxhost::ThemeStatus;

TEST(ThemeFile, RefusesWhatIsNotAThemeInOneWordingForEveryHost) {
  kvxtest::TempDir folder;
  std::ofstream(folder.file("passwd.kvx")) << "root:x:0:0:root:/root:/bin/bash\n";
  std::ofstream(folder.file("empty.kvx"));
  const struct {
    std::string path;
    ThemeStatus status;
    const char* says;
  } cases[] = {
      {folder.file("missing.kvx"), ThemeStatus::NotFound, "does not exist"},
      {folder.path().string(), ThemeStatus::Folder, "is a folder"},
      {folder.file("passwd.kvx"), ThemeStatus::NotATheme, "is not a theme file: "},
      {folder.file("empty.kvx"), ThemeStatus::NotATheme, "is not a theme file: "},
      {"/dev/null", ThemeStatus::NotATheme, "not a regular file"},
  };
  for (const auto& test : cases) {
    const kvxhost::ThemeCheck check = kvxhost::checkThemeFile(test.path);
    EXPECT_FALSE(check.ok()) << test.path;
    EXPECT_EQ(check.status, test.status) << test.path;
    EXPECT_NE(check.message.find(test.says), std::string::npos) << check.message;
  }
}

TEST(ThemeFile, AcceptsASampleThemeAsItsAbsolutePath) {
  const std::filesystem::path theme = kvxtest::buildPath("themes/lower-third.kvx");
  ASSERT_TRUE(std::filesystem::is_regular_file(theme)) << "the sample themes are built with ALL";
  const std::filesystem::path roundabout = theme.parent_path() / ".." / "themes" / theme.filename();
  const kvxhost::ThemeCheck check = kvxhost::checkThemeFile(roundabout.string());
  EXPECT_TRUE(check.ok()) << check.message;
  EXPECT_TRUE(check.message.empty());
  EXPECT_EQ(check.path, std::filesystem::absolute(theme).lexically_normal().string());
}

}  // namespace
