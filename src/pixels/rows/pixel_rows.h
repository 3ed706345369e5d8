#pragma once
// Rows of pixels from one byte order to another: the engine's packed B, G, R, hosts' R, G, B and
// frei0r's R, G, B, A. Each conversion has a vector form (the best instruction set the
// processor has) and the scalar reference it is held to.
#include <cstddef>
#include <cstdint>

namespace kvx::rows {

// A copy whose destination is not read again soon: it is written past the cache, which also
// spares reading the destination in first. The ranges must not overlap.
void copyPastCache(const uint8_t* from, uint8_t* to, size_t bytes);

// B, G, R ↔ R, G, B. `from` and `to` may be the same row.
void swapRedBlue(const uint8_t* from, uint8_t* to, size_t pixels);
void swapRedBlueScalar(const uint8_t* from, uint8_t* to, size_t pixels);

// B, G, R, A ↔ R, G, B, A. `from` and `to` may be the same row.
void swapRedBlueAlpha(const uint8_t* from, uint8_t* to, size_t pixels);
void swapRedBlueAlphaScalar(const uint8_t* from, uint8_t* to, size_t pixels);

// R, G, B, A → B, G, R.
void rgbaToBgr(const uint8_t* rgba, uint8_t* bgr, size_t pixels);
void rgbaToBgrScalar(const uint8_t* rgba, uint8_t* bgr, size_t pixels);

// B, G, R with the alpha bytes of `alphaFrom` (R, G, B, A) → R, G, B, A.
void bgrToRgba(const uint8_t* bgr, const uint8_t* alphaFrom, uint8_t* rgba, size_t pixels);
void bgrToRgbaScalar(const uint8_t* bgr, const uint8_t* alphaFrom, uint8_t* rgba, size_t pixels);

}  // namespace kvx::rows
