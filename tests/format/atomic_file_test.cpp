#include "kvxtheme/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/test_support.h"

using kvx::PieceWriter;
using kvx::writeFileAtomically;

namespace {

std::string contentOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

size_t entriesIn(const std::filesystem::path& dir) {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir),
                                           std::filesystem::directory_iterator()));
}

}  // namespace

TEST(AtomicFile, PiecesArriveInOrder) {
  kvxtest::TempDir dir;
  const std::string path = dir.file("out.bin");
  std::string error;
  ASSERT_TRUE(writeFileAtomically(
      path, [](const PieceWriter& put) { return put("abc", 3) && put("", 0) && put("def", 3); },
      &error))
      << error;
  EXPECT_EQ(contentOf(path), "abcdef");
  EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(AtomicFile, AbandonedWriteLeavesTheTargetAlone) {
  kvxtest::TempDir dir;
  const std::string path = dir.file("out.bin");
  { std::ofstream(path) << "previous"; }
  std::string error;
  EXPECT_FALSE(writeFileAtomically(
      path, [](const PieceWriter& put) { return put("partial", 7) && false; }, &error));
  EXPECT_EQ(error, "writing was abandoned");
  EXPECT_EQ(contentOf(path), "previous");
  EXPECT_EQ(entriesIn(dir.path()), 1u) << "the temporary file is removed";
}

TEST(AtomicFile, TargetThatIsAFolderIsNotReplaced) {
  kvxtest::TempDir dir;
  std::filesystem::create_directory(dir.path() / "taken");
  std::filesystem::create_directory(dir.path() / "taken" / "inner");
  std::string error;
  EXPECT_FALSE(writeFileAtomically(
      dir.file("taken"), [](const PieceWriter& put) { return put("x", 1); }, &error));
  EXPECT_NE(error.find("cannot replace"), std::string::npos) << error;
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "taken" / "inner"));
  EXPECT_EQ(entriesIn(dir.path()), 1u);
}
