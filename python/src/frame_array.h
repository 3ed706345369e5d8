#pragma once
// Frames as numpy arrays: checks of shape and type, and the packed 24-bit view the effect
// renders, taken without a copy where the array's layout allows.
#include <pybind11/numpy.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kvxpy {

namespace py = pybind11;

// A height × width picture of 3 bytes a pixel with rows `stride` bytes apart.
struct PackedView {
  uint8_t* data = nullptr;
  size_t stride = 0;
};

// Refuses (ValueError) anything but a height × width × 3 uint8 array; `what` names it.
void checkFrameArray(const py::array& array, int width, int height, const char* what);
// The array's pixels in place when they are packed (any row stride), else null.
PackedView packedView(const py::array& array);
// A fresh height × width × 3 uint8 array.
py::array_t<uint8_t> newFrame(int width, int height);

// Copies `height` rows of `width` pixels, swapping red and blue when `swap`.
void copyPixels(const uint8_t* source, size_t sourceStride, uint8_t* destination,
                size_t destinationStride, int width, int height, bool swap);

}  // namespace kvxpy
