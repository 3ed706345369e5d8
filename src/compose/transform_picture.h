#pragma once
// Maps a packed 24-bit picture onto four corner points through TransformLib.
#include <cstdint>

#include "compose/corners.h"
#include "kvxtheme/bufferlib.h"

class TransformPicture {
 public:
  TransformPicture(const uint8_t* picture, int width, int height);
  virtual ~TransformPicture();
  TransformPicture(const TransformPicture&) = delete;
  TransformPicture& operator=(const TransformPicture&) = delete;

  int transform(CornerPoint topLeft, CornerPoint bottomLeft, CornerPoint topRight,
                CornerPoint bottomRight);
  int resultSize(int* width, int* height) const;
  // Writes the result as packed rows, top row first.
  int readResult(uint8_t* destination) const;

 private:
  BufHandle sourceBuffer_ = 0;
  BufHandle resultBuffer_ = 0;
};
