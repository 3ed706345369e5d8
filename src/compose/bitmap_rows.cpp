#include "compose/bitmap_rows.h"

#include <cstring>
#include <limits>

namespace {

constexpr int64_t kMaxBitmapBytes = int64_t{1} << 31;

}  // namespace

size_t bitmapRowBytes(int width) {
  if (width <= 0 || width > (std::numeric_limits<int>::max() - 3) / 3) return 0;
  return static_cast<size_t>((width * 3 + 3) / 4 * 4);
}

bool isReadableBitmap(const BITMAPINFOHEADER* bitmap) {
  if (!bitmap || bitmap->biSize != sizeof(BITMAPINFOHEADER) || bitmap->biBitCount != 24 ||
      bitmap->biCompression != 0 || bitmap->biWidth <= 0 || bitmap->biHeight <= 0)
    return false;
  const size_t rowBytes = bitmapRowBytes(bitmap->biWidth);
  return rowBytes != 0 && static_cast<int64_t>(rowBytes) * bitmap->biHeight <= kMaxBitmapBytes;
}

void bitmapToPacked(const BITMAPINFOHEADER* bitmap, uint8_t* packed) {
  const int width = bitmap->biWidth, height = bitmap->biHeight;
  const size_t rowBytes = bitmapRowBytes(width);
  const size_t packedRow = static_cast<size_t>(width) * 3;
  const auto* rows = reinterpret_cast<const uint8_t*>(bitmap) + sizeof(BITMAPINFOHEADER);
  for (int r = 0; r < height; ++r)
    std::memcpy(packed + r * packedRow, rows + (height - 1 - r) * rowBytes, packedRow);
}
