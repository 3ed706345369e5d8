#pragma once
// Maps a packed 24-bit picture onto four corner points. The result lives in the document's
// transform scratch, reused from frame to frame while the corners' bounding box keeps its size.
#include <cstdint>

#include "compose/corners.h"

struct TransformScratch;

class TransformPicture {
 public:
  TransformPicture(const uint8_t* picture, int width, int height, TransformScratch* scratch)
      : picture_(picture), width_(width), height_(height), scratch_(scratch) {}

  // 0 when the corners are degenerate or their bounding box cannot be held.
  int transform(CornerPoint topLeft, CornerPoint bottomLeft, CornerPoint topRight,
                CornerPoint bottomRight);
  int resultSize(int* width, int* height) const;
  // The result's packed rows, top row first; valid until the scratch is next used.
  const uint8_t* result() const;

 private:
  const uint8_t* picture_;
  int width_, height_;
  TransformScratch* scratch_;
  bool done_ = false;
};
