#pragma once
// The four corner points a picture is mapped onto.
#include <cstdint>

struct CornerPoint {
  int x = 0;
  int y = 0;
  bool operator==(const CornerPoint&) const = default;
};

struct Corners {
  CornerPoint topLeft, topRight, bottomLeft, bottomRight;
};

// From a 32-byte transform record: top-left, top-right, bottom-left, bottom-right, each value
// a signed pixel coordinate in its upper 16 bits.
Corners cornersFromRecord(const uint8_t* record);

// The corners of a width × height picture rotated by `angle` radians about its top-left corner,
// truncated toward zero.
Corners rotatedCorners(int width, int height, double angle);
