#include "ass_text.h"

#include <cctype>

namespace kvxsubs {
namespace {

// The fields before Text: ReadOrder, Layer, Style, Name, MarginL, MarginR, MarginV, Effect.
constexpr int kLeadingFields = 8;

// Whether an override block switches drawing mode on (\p1 and up) or off (\p0); \pos and \pbo
// are other tags. The last \p in a block counts.
void followDrawingMode(std::string_view block, bool* drawing) {
  for (size_t at = block.find("\\p"); at != std::string_view::npos;
       at = block.find("\\p", at + 2)) {
    size_t digit = at + 2;
    if (digit >= block.size() || !std::isdigit(static_cast<unsigned char>(block[digit]))) continue;
    bool on = false;
    for (; digit < block.size() && std::isdigit(static_cast<unsigned char>(block[digit])); ++digit)
      on = on || block[digit] != '0';
    *drawing = on;
  }
}

}  // namespace

std::string eventText(std::string_view event) {
  size_t start = 0;
  for (int field = 0; field < kLeadingFields; ++field) {
    const size_t comma = event.find(',', start);
    if (comma == std::string_view::npos) return {};
    start = comma + 1;
  }
  return plainText(event.substr(start));
}

std::string plainText(std::string_view text) {
  std::string plain;
  plain.reserve(text.size());
  bool drawing = false;
  for (size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '{') {
      const size_t close = text.find('}', at + 1);
      if (close != std::string_view::npos) {
        followDrawingMode(text.substr(at + 1, close - at - 1), &drawing);
        at = close;
        continue;
      }
    }
    if (drawing) continue;
    if (c == '\\' && at + 1 < text.size()) {
      const char next = text[at + 1];
      const char replacement = next == 'N' || next == 'n'   ? '\n'
                               : next == 'h'                ? ' '
                               : next == '{' || next == '}' ? next
                                                            : '\0';
      if (replacement != '\0') {
        plain += replacement;
        ++at;
        continue;
      }
    }
    plain += c;
  }
  return plain;
}

}  // namespace kvxsubs
