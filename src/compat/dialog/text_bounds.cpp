#include "compat/dialog/text_bounds.h"

#include <cstring>

namespace {

bool isContinuationByte(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

}  // namespace

size_t boundedTextLength(const char* text, size_t maxBytes) {
  if (!text) return 0;
  const size_t length = strnlen(text, maxBytes);
  if (length < maxBytes) return length;
  // The text may go on past the limit: drop a character whose bytes would be cut apart.
  size_t cut = length;
  while (cut > 0 && isContinuationByte(static_cast<unsigned char>(text[cut]))) --cut;
  return cut;
}
