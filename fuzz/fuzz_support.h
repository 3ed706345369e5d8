#pragma once
// Helpers shared by the fuzz targets: reading every byte handed out, so that the sanitizers see
// each read, and stopping on a broken promise, so that libFuzzer keeps the input.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace kvxfuzz {

inline volatile uint32_t sink;

inline void touch(const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  uint32_t sum = 0;
  for (size_t i = 0; i < size; ++i) sum += bytes[i];
  sink = sink + sum;
}

// abort() is reported by libFuzzer as a crash with the input saved.
[[noreturn]] inline void broken(const char* target, const char* promise) {
  std::fprintf(stderr, "%s: %s\n", target, promise);
  std::abort();
}

// A new folder under $TMPDIR for a target's files, removed when the fuzzer exits normally (a
// crashed run leaves it for the inputs' files to be looked at). One a process.
inline std::filesystem::path temporaryFolder(const char* target, const char* stem) {
  static std::filesystem::path folder;
  const char* temporary = std::getenv("TMPDIR");
  std::string pattern =
      std::string(temporary && *temporary ? temporary : "/tmp") + "/" + stem + "-XXXXXX";
  if (!mkdtemp(pattern.data())) broken(target, "no temporary folder");
  folder = pattern;
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  });
  return folder;
}

}  // namespace kvxfuzz

#define KVX_FUZZ_CHECK(condition, promise)                       \
  do {                                                           \
    if (!(condition)) kvxfuzz::broken(KVX_FUZZ_TARGET, promise); \
  } while (0)
