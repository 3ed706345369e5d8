#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

#include "kvx_test_files.h"

using namespace kvxtest;
using kvx::KvxObjectRecord;
using kvx::KvxPicture;
using kvx::KvxWriter;

namespace {

std::vector<std::string> filesIn(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

KvxWriter writerWithPicture(int width, int height) {
  KvxWriter writer;
  std::vector<uint8_t> rows(static_cast<size_t>(width) * height * 3);
  uint32_t state = 12345;
  for (auto& b : rows) b = static_cast<uint8_t>((state = state * 1103515245u + 12345u) >> 24);
  writer.addObject(KvxObjectRecord()).setPicture(KvxPicture::fromRows(width, height, 24, rows));
  return writer;
}

// Limits the size of files this process may write, and restores the limit afterwards.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved_;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit saved_{};
  void (*previousHandler_)(int);
};

}  // namespace

TEST(KvxWriter, UnsoundContentIsRefusedWithAReason) {
  struct Case {
    const char* expected;
    KvxPicture picture;
    bool asMask;
  };
  const std::vector<Case> cases = {
      {"pixel format", KvxPicture::fromRows(2, 2, 8, std::vector<uint8_t>(4)), false},
      {"row data", KvxPicture::fromRows(2, 2, 24, std::vector<uint8_t>(11)), false},
      {"depth", KvxPicture::oneColour(2, 2, 16, 0), false},
      {"32768", KvxPicture::oneColour(40000, 1, 24, 0), false},
      {"32768", KvxPicture::oneColour(-1, 1, 24, 0), false},
      {"too large", KvxPicture::oneColour(32768, 32768, 24, 0), false},
      {"8-bit", KvxPicture::oneColour(2, 2, 24, 0), true},
  };
  TempDir dir;
  for (const Case& c : cases) {
    KvxWriter writer;
    auto& object = writer.addObject(KvxObjectRecord());
    if (c.asMask)
      object.setMask(c.picture);
    else
      object.setPicture(c.picture);
    std::string error;
    EXPECT_FALSE(writer.write(dir.file("bad.kvx"), &error));
    EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    EXPECT_NE(error.find("object 0"), std::string::npos) << error;
  }
  EXPECT_TRUE(filesIn(dir.path()).empty()) << "nothing is written for unsound content";
}

TEST(KvxWriter, PixelFormatDecidesTheColourDepth) {
  for (auto [code, bits] : {std::pair{2, 24}, std::pair{64, 1}, std::pair{0, 8}, std::pair{5, 8}}) {
    KvxWriter writer;
    writer.setPixelFormat(code);
    writer.addObject(KvxObjectRecord()).setPicture(KvxPicture::oneColour(3, 3, bits, 1));
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(writer.serialize(&bytes, &error)) << code << ": " << error;
  }
}

TEST(KvxWriter, WriteReplacesTheFileAndLeavesNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir.file("theme.kvx");
  writeBytes(path, {'o', 'l', 'd'});
  std::string error;
  ASSERT_TRUE(writerWithPicture(8, 8).write(path, &error)) << error;
  EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"theme.kvx"});
  OpenKvx file(path);
  EXPECT_TRUE(file);
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST(KvxWriter, MissingFolderWritesNothing) {
  TempDir dir;
  std::string error;
  EXPECT_FALSE(writerWithPicture(4, 4).write(dir.file("no-such-folder/theme.kvx"), &error));
  EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
  writeBytes(dir.file("plain-file"), {1});
  EXPECT_FALSE(writerWithPicture(4, 4).write(dir.file("plain-file/theme.kvx"), &error));
  EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"plain-file"});
}

TEST(KvxWriter, FailureHalfwayKeepsTheOldFile) {
  TempDir dir;
  const std::string path = dir.file("theme.kvx");
  const std::vector<uint8_t> old = {'o', 'l', 'd', ' ', 't', 'h', 'e', 'm', 'e'};
  writeBytes(path, old);
  // Noise does not compress: the file is far larger than the limit.
  KvxWriter writer = writerWithPicture(200, 200);
  std::string error;
  bool written;
  {
    FileSizeLimit limit(4096);
    written = writer.write(path, &error);
  }
  EXPECT_FALSE(written);
  EXPECT_NE(error.find("write failed"), std::string::npos) << error;
  EXPECT_EQ(readBytes(path), old);
  EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"theme.kvx"});
}
