#pragma once
#include <cstddef>

// Length of `text` in bytes, at most `maxBytes`, cut so that no UTF-8 character is split.
// Reads no byte past the first NUL and at most maxBytes + 1 bytes.
size_t boundedTextLength(const char* text, size_t maxBytes);
