#include "host/theme_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "kvxtheme/kvx_writer.h"
#include "support/test_support.h"

namespace {

using kvxhost::ThemeStatus;

TEST(ThemeFile, RefusesWhatIsNotAThemeInOneWordingForEveryHost) {
  kvxtest::TempDir folder;
  std::ofstream(folder.file("passwd.kvx")) << "root:x:0:0:root:/root:/bin/bash\n";
  std::ofstream(folder.file("empty.kvx"));
  // A record declaring 20,000 × 20,000 pixels over a one-colour picture: a small file that
  // loading would turn into 1.6 GB.
  kvx::KvxWriter huge;
  huge.setPageSize(320, 240);
  kvx::KvxObjectRecord record;
  record.setName("huge");
  record.setRect(0, 0, 20000, 20000);
  huge.addObject(record).setPicture(kvx::KvxPicture::oneColour(8, 4, 24, 0));
  std::string error;
  ASSERT_TRUE(huge.write(folder.file("huge.kvx"), &error)) << error;
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
      {folder.file("huge.kvx"), ThemeStatus::OverBudget, "more than 1024 MiB"},
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
