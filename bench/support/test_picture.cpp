#include "support/test_picture.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kvxbench {
namespace {

uint32_t hash(uint32_t x, uint32_t y) {
  uint32_t h = x * 0x9E3779B1u ^ (y + 0x7F4A7C15u) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return h;
}

uint8_t toByte(double value) {
  return static_cast<uint8_t>(std::clamp(value, 0.0, 255.0) + 0.5);
}

}  // namespace

std::vector<uint8_t> makeTestPicture(int width, int height) {
  std::vector<uint8_t> picture(static_cast<size_t>(width) * height * 3);
  const double plateRadius = 0.22 * std::min(width, height);
  const double plateX = 0.27 * width, plateY = 0.5 * height;
  const double ringRate = 0.45 * M_PI / plateRadius;  // 0.45 cycles a pixel at the rim
  const int checker = std::max(2, width / 240);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
      double r = 255 * u, g = 255 * v, b = 128 + 100 * std::sin(6 * u + 4 * v);
      const double dx = x - plateX, dy = y - plateY;
      const double distance2 = dx * dx + dy * dy;
      if (distance2 < plateRadius * plateRadius) {
        const double ring = 127.5 + 127.5 * std::cos(ringRate * distance2);
        r = ring;
        g = ring;
        b = 255 - ring;
      } else if (u > 0.55 && u < 0.8 && v > 0.1 && v < 0.45) {
        const bool dark = ((x / checker) + (y / checker)) % 2;
        r = dark ? 20 : 235;
        g = dark ? 40 : 220;
        b = dark ? 200 : 30;
      } else if (u > 0.55 && v > 0.55 && v < 0.9) {
        if ((x + y) % 9 == 0 || (x - 2 * y) % 13 == 0) r = g = b = 255;
      } else if (u > 0.82 && v < 0.5) {
        const uint32_t h = hash(x, y);
        r = h & 255;
        g = (h >> 8) & 255;
        b = (h >> 16) & 255;
      }
      uint8_t* pixel = &picture[(static_cast<size_t>(y) * width + x) * 3];
      pixel[0] = toByte(b);
      pixel[1] = toByte(g);
      pixel[2] = toByte(r);
    }
  }
  return picture;
}

double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return 0;
  double squared = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    const double d = static_cast<double>(a[i]) - b[i];
    squared += d * d;
  }
  const double mean = squared / a.size();
  if (mean == 0) return std::numeric_limits<double>::infinity();
  return 10 * std::log10(255.0 * 255.0 / mean);
}

}  // namespace kvxbench
