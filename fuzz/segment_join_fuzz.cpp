// Feeds arbitrary bytes as the part of a join (`kvxtheme join`), with the same file as the
// audio source for inputs of odd length. A join either writes its whole output or refuses with
// a message, leaving no output and no temporary file behind.

#include <filesystem>
#include <fstream>
#include <string>

#include "cli_error.h"
#include "segments/segment_joiner.h"

#define KVX_FUZZ_TARGET "segment_join_fuzz"
#include "fuzz_support.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxInputBytes = 1 << 20;

fs::path gFolder;

size_t entries() {
  return static_cast<size_t>(
      std::distance(fs::directory_iterator(gFolder), fs::directory_iterator()));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  gFolder = kvxfuzz::temporaryFolder(KVX_FUZZ_TARGET, "kvx-join-fuzz");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInputBytes) return 0;
  const std::string part = (gFolder / "part.mp4").string();
  std::ofstream(part, std::ios::binary)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  kvxcli::JoinOptions options;
  options.parts = {part};
  options.output = (gFolder / "joined.mkv").string();
  if (size % 2) options.audioSource = part;
  try {
    const kvxcli::JoinResult result = kvxcli::joinSegments(options);
    KVX_FUZZ_CHECK(result.frames > 0, "a join wrote no frame");
    KVX_FUZZ_CHECK(fs::exists(options.output), "a join succeeded without its output");
  } catch (const kvxcli::CliError& error) {
    KVX_FUZZ_CHECK(*error.what() != '\0', "a join was refused without a message");
    KVX_FUZZ_CHECK(!fs::exists(options.output), "a refused join left its output");
  }
  std::error_code ignored;
  fs::remove(options.output, ignored);
  fs::remove(part, ignored);
  KVX_FUZZ_CHECK(entries() == 0, "a join left a temporary file behind");
  return 0;
}
