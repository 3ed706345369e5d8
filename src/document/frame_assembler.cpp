#include "document/frame_assembler.h"

#include <cstring>
#include <new>

uint8_t* FrameAssembler::allocate(int rowCount, int width) {
  // A new frame of the same size reuses the buffer: every line is rewritten before it is read.
  const size_t bytes = static_cast<size_t>(rowCount) * static_cast<size_t>(width) * 3;
  if (bytes > capacity_ || !packedFrame_) {
    packedFrame_.reset(new uint8_t[bytes ? bytes : 1]);
    capacity_ = bytes;
  }
  width_ = width;
  rowCount_ = rowCount;
  return packedFrame_.get();
}

uint8_t* FrameAssembler::gather(int frameIndex, unsigned char* const* rows, int rowCount, int width,
                                int fieldMode) {
  if (rowCount < 0 || width < 0) return nullptr;
  if (frameIndex != frameIndex_ || width != width_ || rowCount != rowCount_) {
    allocate(rowCount, width);
    frameIndex_ = frameIndex;
    firstFieldSeen_ = 0;
    secondFieldSeen_ = 0;
  }
  uint8_t* frame = packedFrame_.get();
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  if (fieldMode == 0) {
    for (int i = 0; i < rowCount; ++i) std::memcpy(frame + i * rowBytes, rows[i], rowBytes);
    return frame;
  }
  bool doubling;
  if (fieldMode == 1) {
    firstFieldSeen_ = 1;
    doubling = secondFieldSeen_ == 0;
  } else {
    secondFieldSeen_ = 1;
    doubling = firstFieldSeen_ == 0;
  }
  const int own = fieldMode == 1 ? 0 : 1;
  for (int j = 0; j < rowCount / 2; ++j) {
    std::memcpy(frame + (2 * j + own) * rowBytes, rows[j], rowBytes);
    if (doubling) std::memcpy(frame + (2 * j + 1 - own) * rowBytes, rows[j], rowBytes);
  }
  return frame;
}
