#include "compose/corners.h"

#include <cmath>
#include <cstring>

namespace {

int cornerValue(const uint8_t* record, int offset) {
  int16_t value;
  std::memcpy(&value, record + offset + 2, 2);
  return value;
}

int truncated(double value) {
  return static_cast<int>(std::trunc(value));
}

}  // namespace

Corners cornersFromRecord(const uint8_t* record) {
  return {{cornerValue(record, 0), cornerValue(record, 4)},
          {cornerValue(record, 8), cornerValue(record, 12)},
          {cornerValue(record, 16), cornerValue(record, 20)},
          {cornerValue(record, 24), cornerValue(record, 28)}};
}

Corners rotatedCorners(int width, int height, double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  return {{0, 0},
          {truncated(width * c), truncated(width * s)},
          {truncated(-height * s), truncated(height * c)},
          {truncated(width * c - height * s), truncated(width * s + height * c)}};
}
