// Output naming and the write-then-rename discipline of the tool's outputs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli_error.h"
#include "pending_file.h"
#include "render/frame_sink.h"
#include "support/test_support.h"

namespace kvxcli {
namespace {

size_t entriesIn(const std::filesystem::path& folder) {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                           std::filesystem::directory_iterator()));
}

TEST(OutputFilesTest, PatternsTakeOneNumber) {
  EXPECT_EQ(formatPattern("out_%04d.png", 7), "out_0007.png");
  EXPECT_EQ(formatPattern("out_%d.png", 12345), "out_12345.png");
  EXPECT_EQ(formatPattern("100%%_%02d.png", 3), "100%_03.png");
  for (const char* bad : {"out.png", "%d_%d.png", "%s.png", "%4d.png", "%00d.png", "out_%", "%x"})
    EXPECT_THROW(formatPattern(bad, 1), CliError) << bad;
}

TEST(OutputFilesTest, KindFollowsTheName) {
  EXPECT_EQ(outputKind("a/b.MP4"), OutputKind::Video);
  EXPECT_EQ(outputKind("b.mkv"), OutputKind::Video);
  EXPECT_EQ(outputKind("frame.png"), OutputKind::SinglePng);
  EXPECT_EQ(outputKind("frame_%03d.png"), OutputKind::PngSequence);
  EXPECT_THROW(outputKind("movie.avi"), CliError);
  EXPECT_THROW(outputKind("noextension"), CliError);
}

TEST(OutputFilesTest, PendingFileAppearsUnderItsNameOnlyWhenCommitted) {
  kvxtest::TempDir folder;
  const std::string target = folder.file("result.mp4");
  std::ofstream(target) << "older result";
  {
    PendingFile abandoned(target);
    EXPECT_NE(abandoned.temporaryPath(), target);
    EXPECT_EQ(std::filesystem::path(abandoned.temporaryPath()).parent_path(), folder.path());
    std::ofstream(abandoned.temporaryPath()) << "half";
  }
  EXPECT_EQ(entriesIn(folder.path()), 1u);
  std::string kept;
  std::getline(std::ifstream(target), kept);
  EXPECT_EQ(kept, "older result");

  {
    PendingFile done(target);
    std::ofstream(done.temporaryPath()) << "new result";
    done.commit();
  }
  std::string replaced;
  std::getline(std::ifstream(target), replaced);
  EXPECT_EQ(replaced, "new result");
  EXPECT_EQ(entriesIn(folder.path()), 1u);
  EXPECT_THROW(PendingFile(folder.file("missing/folder/x.mp4")), CliError);
}

}  // namespace
}  // namespace kvxcli
