#pragma once
// ShadowLib: drop-shadow masks.
#include <cstdint>

#include "kvxtheme/bufferlib.h"

// `params` is a 24-byte block: size 24, then kind, x offset, y offset, opacity percent and blur
// radius. On success *shadowMask receives a new 8-bit mask and `rect` (four int32) the shadow's
// x and y relative to the object, its width and height.
int qCreateShadow(BufHandle mask, const int32_t* params, BufHandle* shadowMask, int32_t* rect,
                  int reserved1, int reserved2, int reserved3);
