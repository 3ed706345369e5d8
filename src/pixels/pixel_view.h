#pragma once
// A picture someone else owns: `height` rows of `width` pixels of `bytesPerPixel` bytes each,
// `stride` bytes apart. Views are cheap to copy and never free what they show.
#include <cstddef>
#include <cstdint>

namespace kvx::pixels {

template <typename Byte>
struct BasicPixelView {
  Byte* data = nullptr;
  int width = 0;
  int height = 0;
  ptrdiff_t stride = 0;
  int bytesPerPixel = 3;

  Byte* row(int y) const { return data + y * stride; }
  // Rows [first, end) of this view.
  BasicPixelView rows(int first, int end) const {
    return {row(first), width, end - first, stride, bytesPerPixel};
  }
};

using PixelView = BasicPixelView<uint8_t>;
using ConstPixelView = BasicPixelView<const uint8_t>;

// A view of packed rows (stride = width × bytesPerPixel).
template <typename Byte>
BasicPixelView<Byte> packedView(Byte* data, int width, int height, int bytesPerPixel = 3) {
  return {data, width, height, static_cast<ptrdiff_t>(width) * bytesPerPixel, bytesPerPixel};
}

}  // namespace kvx::pixels
