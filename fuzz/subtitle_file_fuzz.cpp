// Feeds arbitrary bytes as a subtitle file to the reader, under each name the reader knows
// (.srt, .vtt, .ass) and one it must recognise by content, then looks cues up across the file.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "subtitles/subtitle_file.h"

#define KVX_FUZZ_TARGET "subtitle_file_fuzz"
#include "fuzz_support.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxInputBytes = 256 << 10;
const char* const kNames[] = {"cues.srt", "cues.vtt", "cues.ass", "cues.txt"};

fs::path gFolder;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  gFolder = kvxfuzz::temporaryFolder(KVX_FUZZ_TARGET, "kvx-subtitle-fuzz");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > kMaxInputBytes) return 0;
  // The first byte chooses the name, the rest is the file.
  const std::string path = (gFolder / kNames[data[0] % std::size(kNames)]).string();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) kvxfuzz::broken(KVX_FUZZ_TARGET, "the input could not be written");
  if (size > 1) std::fwrite(data + 1, 1, size - 1, file);
  std::fclose(file);

  kvxsubs::SubtitleCues cues;
  std::string error;
  if (!kvxsubs::readSubtitleFile(path, &cues, &error)) {
    KVX_FUZZ_CHECK(error.rfind(path + ": ", 0) == 0, "a refusal does not name the file");
    KVX_FUZZ_CHECK(cues.empty(), "a refused file left cues behind");
  } else {
    KVX_FUZZ_CHECK(!cues.empty(), "a file was accepted without a cue");
    KVX_FUZZ_CHECK(cues.size() <= kvxsubs::kMaxCues, "more cues than the reader allows");
    for (int64_t at :
         {INT64_MIN, int64_t{-1}, int64_t{0}, int64_t{500000}, int64_t{3600000000}, INT64_MAX})
      if (const std::string* text = cues.textAt(at)) kvxfuzz::touch(text->data(), text->size());
  }
  unlink(path.c_str());
  return 0;
}
