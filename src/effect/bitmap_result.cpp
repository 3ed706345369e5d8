#include "effect/bitmap_result.h"

#include <cstring>

#include "compose/bitmap_rows.h"
#include "kvxtheme/globalmem.h"

BITMAPINFOHEADER* packedToBitmap(const uint8_t* packed, int width, int height,
                                 const BITMAPINFOHEADER* header) {
  const size_t rowBytes = bitmapRowBytes(width);
  if (rowBytes == 0 || height <= 0) return nullptr;
  auto* block = static_cast<uint8_t*>(
      GlobalAlloc(GPTR, rowBytes * static_cast<size_t>(height) + sizeof(BITMAPINFOHEADER)));
  if (!block) return nullptr;
  const size_t packedRow = static_cast<size_t>(width) * 3;
  uint8_t* rows = block + sizeof(BITMAPINFOHEADER);
  for (int r = 0; r < height; ++r)
    std::memcpy(rows + (height - 1 - r) * rowBytes, packed + r * packedRow, packedRow);
  auto* result = reinterpret_cast<BITMAPINFOHEADER*>(block);
  std::memcpy(result, header, sizeof(BITMAPINFOHEADER));
  result->biWidth = width;
  result->biHeight = height;
  return result;
}
