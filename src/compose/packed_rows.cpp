#include "compose/packed_rows.h"

#include <cstddef>

unsigned char* packedRows(unsigned char** rows, int height, int width) {
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  for (int i = 1; i < height; ++i)
    if (rows[i] != rows[0] + i * rowBytes) return nullptr;
  return rows[0];
}
