#include "kvxtheme/filelib.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Sets or clears KVXTHEME_DATA_DIR for the scope, restoring the previous value.
class DataDirVariable {
 public:
  explicit DataDirVariable(const char* value) {
    if (const char* old = std::getenv("KVXTHEME_DATA_DIR")) saved_ = old;
    if (value)
      setenv("KVXTHEME_DATA_DIR", value, 1);
    else
      unsetenv("KVXTHEME_DATA_DIR");
  }
  ~DataDirVariable() {
    if (saved_)
      setenv("KVXTHEME_DATA_DIR", saved_->c_str(), 1);
    else
      unsetenv("KVXTHEME_DATA_DIR");
  }

 private:
  std::optional<std::string> saved_;
};

std::string fioPath() {
  char buffer[260];
  int length = q32FileGetFIOPath(buffer, sizeof(buffer));
  EXPECT_EQ(length, static_cast<int>(std::string(buffer).size()));
  return length > 0 ? buffer : "";
}

}  // namespace

TEST(FioPath, EnvironmentNamesTheDataDirectory) {
  DataDirVariable variable("/opt/themes");
  EXPECT_EQ(fioPath(), "/opt/themes/");
  DataDirVariable withSlash("/opt/themes/");
  EXPECT_EQ(fioPath(), "/opt/themes/");
}

TEST(FioPath, DefaultsToShareBesideTheLibrary) {
  DataDirVariable variable(nullptr);
  const std::string path = fioPath();
  const std::string tail = "/share/kvxtheme/";
  ASSERT_GT(path.size(), tail.size());
  EXPECT_EQ(path.substr(path.size() - tail.size()), tail);
  EXPECT_EQ(path.front(), '/');
  EXPECT_EQ(path.find("/../"), std::string::npos);
}

TEST(FioPath, BufferTooSmallGivesZero) {
  DataDirVariable variable("/opt/themes");
  char buffer[13] = "untouched";
  EXPECT_EQ(q32FileGetFIOPath(buffer, 12), 0);  // "/opt/themes/" needs 13 bytes
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_EQ(q32FileGetFIOPath(buffer, 13), 12);
  EXPECT_STREQ(buffer, "/opt/themes/");
  EXPECT_EQ(q32FileGetFIOPath(nullptr, 100), 0);
  EXPECT_EQ(q32FileGetFIOPath(buffer, 0), 0);
}
