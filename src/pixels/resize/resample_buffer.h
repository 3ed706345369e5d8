#pragma once
// A whole buffer scaled to a new size with the resampler. 1-bit buffers are scaled as 0/255
// masks and thresholded back to one bit.
#include "pixels/pixel_buffer.h"

namespace kvx::resize {

// Null for a size the buffer cannot take or exhausted memory.
kvx::pixels::SharedBuffer resampleBuffer(const kvx::pixels::PixelBuffer& from, int width,
                                         int height);

}  // namespace kvx::resize
