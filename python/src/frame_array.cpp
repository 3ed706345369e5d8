#include "frame_array.h"

#include <algorithm>
#include <cstring>

#include "kvxtheme/pixel_rows.h"

namespace kvxpy {

void checkFrameArray(const py::array& array, int width, int height, const char* what) {
  auto describe = [&] {
    std::string shape;
    for (py::ssize_t axis = 0; axis < array.ndim(); ++axis)
      shape += (axis ? " × " : "") + std::to_string(array.shape(axis));
    return shape + " " + std::string(py::str(array.dtype()));
  };
  if (array.ndim() != 3 || array.shape(0) != height || array.shape(1) != width ||
      array.shape(2) != 3 || !array.dtype().is(py::dtype::of<uint8_t>()))
    throw py::value_error(std::string(what) + ": expected a " + std::to_string(height) + " × " +
                          std::to_string(width) + " × 3 uint8 array, got " + describe());
}

PackedView packedView(const py::array& array) {
  if (array.strides(2) != 1 || array.strides(1) != 3 || array.strides(0) < array.shape(1) * 3)
    return {};
  return {static_cast<uint8_t*>(const_cast<void*>(array.data())),
          static_cast<size_t>(array.strides(0))};
}

py::array_t<uint8_t> newFrame(int width, int height) {
  return py::array_t<uint8_t>({static_cast<py::ssize_t>(height), static_cast<py::ssize_t>(width),
                               static_cast<py::ssize_t>(3)});
}

void copyPixels(const uint8_t* source, size_t sourceStride, uint8_t* destination,
                size_t destinationStride, int width, int height, bool swap) {
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  for (int y = 0; y < height; ++y) {
    const uint8_t* from = source + y * sourceStride;
    uint8_t* to = destination + y * destinationStride;
    if (!swap) {
      std::memmove(to, from, rowBytes);
      continue;
    }
    kvxSwapRedBlue(from, to, static_cast<size_t>(width));
  }
}

}  // namespace kvxpy
