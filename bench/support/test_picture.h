#pragma once
// A detailed synthetic picture for resize measurements: smooth gradients, a zone plate whose
// rings reach near the pixel frequency, hard-edged checkers and thin lines, and a field of
// pseudo-random single-pixel detail. Packed 3 bytes a pixel.
#include <cstdint>
#include <vector>

namespace kvxbench {

std::vector<uint8_t> makeTestPicture(int width, int height);

// Peak signal-to-noise ratio in dB between two equally sized byte arrays.
double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

}  // namespace kvxbench
