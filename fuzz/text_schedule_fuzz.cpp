// Feeds arbitrary bytes as a `--texts` JSON schedule, then looks every key up on frames across
// the clip.
#include <cstdint>
#include <string>

#include "cli_error.h"
#include "kvxtheme/caption_keys.h"
#include "render/text_schedule.h"

#define KVX_FUZZ_TARGET "text_schedule_fuzz"
#include "fuzz_support.h"

namespace {

constexpr size_t kMaxInputBytes = 64 << 10;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInputBytes) return 0;
  kvxcli::TextSchedule schedule;
  schedule.setDefault(kvxtheme::kTitleKey, "Clip title");
  try {
    schedule.loadJson("fuzz.json", std::string(reinterpret_cast<const char*>(data), size));
  } catch (const kvxcli::CliError& error) {
    const std::string message = error.what();
    KVX_FUZZ_CHECK(message.rfind("fuzz.json", 0) == 0, "a refusal does not name the file");
    return 0;
  }
  for (int64_t frame :
       {INT64_MIN, int64_t{0}, int64_t{1}, int64_t{49}, int64_t{1000000}, INT64_MAX}) {
    for (const auto& caption : kvxtheme::kCaptionKeys) {
      std::string text;
      if (schedule.lookup(frame, caption.key, &text)) kvxfuzz::touch(text.data(), text.size());
    }
    std::string other;
    if (schedule.lookup(frame, "Place", &other)) kvxfuzz::touch(other.data(), other.size());
  }
  return 0;
}
