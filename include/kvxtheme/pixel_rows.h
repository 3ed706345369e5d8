#pragma once
// Rows of pixels from one byte order to another, for hosts whose frames are not the effect's
// packed B, G, R: each uses the best vector instructions the processor has.
#include <cstddef>
#include <cstdint>

#include "kvxtheme/export.h"

extern "C" {
// B, G, R ↔ R, G, B for `pixels` pixels. `from` and `to` may be the same row.
KVX_API void kvxSwapRedBlue(const uint8_t* from, uint8_t* to, size_t pixels);
// B, G, R, A ↔ R, G, B, A. `from` and `to` may be the same row.
KVX_API void kvxSwapRedBlueAlpha(const uint8_t* from, uint8_t* to, size_t pixels);
// R, G, B, A → B, G, R.
KVX_API void kvxRgbaToBgr(const uint8_t* rgba, uint8_t* bgr, size_t pixels);
// B, G, R with the alpha bytes of `alphaFrom` (R, G, B, A) → R, G, B, A.
KVX_API void kvxBgrToRgba(const uint8_t* bgr, const uint8_t* alphaFrom, uint8_t* rgba,
                          size_t pixels);
}
