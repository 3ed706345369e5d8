#pragma once
// A theme's colour and alpha from two compositions of one frame: over a black host frame and
// over a white one. Where the host's frame shows through with weight w (0–255, the mean of the
// channels' differences), alpha is 255 − w and the colour is the part over black, unpremultiplied.
#include <cstdint>

// One row of `width` pixels: B, G, R over black and over white in, B, G, R, A out.
void overlayRowFromBlackAndWhite(const uint8_t* overBlack, const uint8_t* overWhite, int width,
                                 uint8_t* bgra);
