#include "compose/frame_assembler.h"

#include <cstring>
#include <new>

#include "pixels/bands/band_pool.h"

namespace {

// Rows a copy band moves: large enough that handing it out costs nothing beside the copy.
constexpr int kCopyBandRows = 64;

// rows[0 .. count) to destination rows `step` bytes apart, in bands: one thread cannot fill
// the memory's bandwidth.
void copyRows(unsigned char* const* rows, int count, size_t rowBytes, uint8_t* destination,
              size_t step) {
  auto copy = [&](int first, int end) {
    for (int i = first; i < end; ++i) std::memcpy(destination + i * step, rows[i], rowBytes);
  };
  kvx::bands::forEachRowBand(count, kCopyBandRows, copy);
}

}  // namespace

uint8_t* FrameAssembler::allocate(int rowCount, int width) {
  // A new frame of the same size reuses the buffer: every line is rewritten before it is read.
  const size_t bytes = static_cast<size_t>(rowCount) * static_cast<size_t>(width) * 3;
  if (bytes > capacity_ || !packedFrame_) {
    packedFrame_.reset(new uint8_t[bytes ? bytes : 1]);
    capacity_ = bytes;
  }
  rowPointers_.resize(static_cast<size_t>(rowCount));
  width_ = width;
  rowCount_ = rowCount;
  return packedFrame_.get();
}

bool FrameAssembler::takeRows(int frameIndex, unsigned char* const* rows, int rowCount, int width,
                              int fieldMode) {
  if (frameIndex != frameIndex_ || width != width_ || rowCount != rowCount_) {
    allocate(rowCount, width);
    frameIndex_ = frameIndex;
    firstFieldSeen_ = 0;
    secondFieldSeen_ = 0;
  }
  uint8_t* frame = packedFrame_.get();
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  if (fieldMode == 0) {
    copyRows(rows, rowCount, rowBytes, frame, rowBytes);
    return false;
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
  copyRows(rows, rowCount / 2, rowBytes, frame + own * rowBytes, 2 * rowBytes);
  return doubling;
}

uint8_t* FrameAssembler::gather(int frameIndex, unsigned char* const* rows, int rowCount, int width,
                                int fieldMode) {
  if (rowCount < 0 || width < 0) return nullptr;
  const bool doubling = takeRows(frameIndex, rows, rowCount, width, fieldMode);
  uint8_t* frame = packedFrame_.get();
  if (doubling) {
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    const int other = fieldMode == 1 ? 1 : 0;
    copyRows(rows, rowCount / 2, rowBytes, frame + other * rowBytes, 2 * rowBytes);
  }
  return frame;
}

const uint8_t* const* FrameAssembler::gatherRows(int frameIndex, unsigned char* const* rows,
                                                 int rowCount, int width, int fieldMode) {
  if (rowCount < 0 || width < 0) return nullptr;
  const bool doubling = takeRows(frameIndex, rows, rowCount, width, fieldMode);
  const uint8_t* frame = packedFrame_.get();
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  const int own = fieldMode == 2 ? 1 : 0;
  for (int i = 0; i < rowCount; ++i) {
    const int line = doubling ? (i & ~1) + own : i;
    rowPointers_[i] = frame + line * rowBytes;
  }
  return rowPointers_.data();
}
