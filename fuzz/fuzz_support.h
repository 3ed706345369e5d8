#pragma once
// Helpers shared by the fuzz targets: reading every byte handed out, so that the sanitizers see
// each read, and stopping on a broken promise, so that libFuzzer keeps the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

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

}  // namespace kvxfuzz

#define KVX_FUZZ_CHECK(condition, promise)                       \
  do {                                                           \
    if (!(condition)) kvxfuzz::broken(KVX_FUZZ_TARGET, promise); \
  } while (0)
