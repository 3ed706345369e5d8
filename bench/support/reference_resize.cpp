#include "support/reference_resize.h"

#include <algorithm>
#include <cmath>

namespace kvxbench {
namespace {

constexpr int kLobes = 8;

double windowedSinc(double t) {
  t = std::fabs(t);
  if (t < 1e-12) return 1;
  if (t >= kLobes) return 0;
  const double a = M_PI * t;
  return kLobes * std::sin(a) * std::sin(a / kLobes) / (a * a);
}

struct Axis {
  int sourceSize, destinationSize;
};

std::vector<std::vector<std::pair<int, double>>> weightsFor(const Axis& axis) {
  const double scale = static_cast<double>(axis.sourceSize) / axis.destinationSize;
  const double widen = std::max(1.0, scale);
  std::vector<std::vector<std::pair<int, double>>> all(axis.destinationSize);
  for (int i = 0; i < axis.destinationSize; ++i) {
    const double center = (i + 0.5) * scale - 0.5;
    const int lo = static_cast<int>(std::floor(center - kLobes * widen));
    const int hi = static_cast<int>(std::ceil(center + kLobes * widen));
    double total = 0;
    for (int j = lo; j <= hi; ++j) {
      const double w = windowedSinc((j - center) / widen);
      if (w == 0) continue;
      all[i].push_back({std::clamp(j, 0, axis.sourceSize - 1), w});
      total += w;
    }
    for (auto& entry : all[i]) entry.second /= total;
  }
  return all;
}

}  // namespace

std::vector<uint8_t> referenceResize(const std::vector<uint8_t>& source, int sourceWidth,
                                     int sourceHeight, int destinationWidth,
                                     int destinationHeight) {
  const auto horizontal = weightsFor({sourceWidth, destinationWidth});
  const auto vertical = weightsFor({sourceHeight, destinationHeight});
  std::vector<double> wide(static_cast<size_t>(destinationWidth) * sourceHeight * 3);
  for (int y = 0; y < sourceHeight; ++y)
    for (int x = 0; x < destinationWidth; ++x)
      for (int c = 0; c < 3; ++c) {
        double sum = 0;
        for (const auto& [j, w] : horizontal[x])
          sum += w * source[(static_cast<size_t>(y) * sourceWidth + j) * 3 + c];
        wide[(static_cast<size_t>(y) * destinationWidth + x) * 3 + c] = sum;
      }
  std::vector<uint8_t> out(static_cast<size_t>(destinationWidth) * destinationHeight * 3);
  for (int y = 0; y < destinationHeight; ++y)
    for (int x = 0; x < destinationWidth; ++x)
      for (int c = 0; c < 3; ++c) {
        double sum = 0;
        for (const auto& [j, w] : vertical[y])
          sum += w * wide[(static_cast<size_t>(j) * destinationWidth + x) * 3 + c];
        out[(static_cast<size_t>(y) * destinationWidth + x) * 3 + c] =
            static_cast<uint8_t>(std::clamp(std::lround(sum), 0L, 255L));
      }
  return out;
}

}  // namespace kvxbench
