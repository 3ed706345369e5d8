#pragma once
// Gaussian-like blur of an 8-bit plane by three successive box filters per direction.
#include <cstdint>
#include <vector>

namespace kvx::shadow {

// Blurs `plane` (width × height, values 0..255) in place so that a single lit pixel spreads
// at most `radius` pixels in each direction; values beyond the plane count as 0.
void blurPlane(std::vector<uint16_t>& plane, int width, int height, int radius);

}  // namespace kvx::shadow
