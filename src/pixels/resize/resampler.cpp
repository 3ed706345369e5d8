#include "pixels/resize/resampler.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <vector>

#include "pixels/bands/band_pool.h"

namespace kvx::resize {
namespace {

// Bands shorter than this spend too much of their time on the rows their first window needs.
constexpr int kMinBandRows = 48;

// Scales the picture whose rows `sourceRows` lists into every row `destination` wants, in
// bands of rows spread over the band threads.
bool resample(const uint8_t* const* sourceRows, int sourceWidth, int sourceHeight,
              int destinationWidth, int destinationHeight, int channels, Kernels kernels,
              const DestinationRows& destination) {
  auto scaleRows = [&](int first, int end) {
    BandedScale scale(sourceRows, sourceWidth, sourceHeight, destinationWidth, destinationHeight,
                      channels, kernels);
    return scale.valid() && scale.scale(first, end, destination);
  };
  const int bands = std::min(bands::threadCount(), destinationHeight / kMinBandRows);
  if (bands <= 1) return scaleRows(0, destinationHeight);
  std::atomic<bool> failed{false};
  auto band = [&](int index) {
    int first = 0, end = 0;
    bands::bandRows(destinationHeight, bands, index, &first, &end);
    if (!scaleRows(first, end)) failed.store(true, std::memory_order_relaxed);
  };
  bands::forEachBand(bands, band);
  return !failed.load(std::memory_order_relaxed);
}

// The rows of a packed picture, listed in the thread's storage; null when they cannot be.
const uint8_t* const* packedSourceRows(const uint8_t* source, int width, int height, int channels) {
  if (!source || !rowBytesFit(width, height, channels)) return nullptr;
  thread_local std::vector<const uint8_t*> rows;
  try {
    rows.resize(height);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  const size_t stride = static_cast<size_t>(width) * channels;
  for (int y = 0; y < height; ++y) rows[y] = source + stride * y;
  return rows.data();
}

}  // namespace

bool resamplePacked(const uint8_t* source, int sourceWidth, int sourceHeight, uint8_t* destination,
                    int destinationWidth, int destinationHeight, int channels, Kernels kernels) {
  if (!source || !destination) return false;
  if (sourceWidth == destinationWidth && sourceHeight == destinationHeight &&
      rowBytesFit(sourceWidth, sourceHeight, channels) && channels >= 1 && channels <= 4) {
    std::memcpy(destination, source, static_cast<size_t>(sourceWidth) * channels * sourceHeight);
    return true;
  }
  DestinationRows rows;
  rows.packed = destination;
  rows.stride = static_cast<size_t>(destinationWidth) * channels;
  return resample(packedSourceRows(source, sourceWidth, sourceHeight, channels), sourceWidth,
                  sourceHeight, destinationWidth, destinationHeight, channels, kernels, rows);
}

bool resampleFromRows(const uint8_t* const* sourceRows, int sourceWidth, int sourceHeight,
                      uint8_t* destination, int destinationWidth, int destinationHeight,
                      int channels) {
  if (!destination) return false;
  DestinationRows rows;
  rows.packed = destination;
  rows.stride = static_cast<size_t>(destinationWidth) * channels;
  return resample(sourceRows, sourceWidth, sourceHeight, destinationWidth, destinationHeight,
                  channels, Kernels::kFast, rows);
}

bool resampleRows(const uint8_t* source, int sourceWidth, int sourceHeight, int destinationWidth,
                  int destinationHeight, int channels, int firstRow, int rowStep,
                  uint8_t* const* rows) {
  if (!rows || firstRow < 0 || rowStep < 1) return false;
  DestinationRows destination;
  destination.rows = rows;
  destination.firstRow = firstRow;
  destination.rowStep = rowStep;
  return resample(packedSourceRows(source, sourceWidth, sourceHeight, channels), sourceWidth,
                  sourceHeight, destinationWidth, destinationHeight, channels, Kernels::kFast,
                  destination);
}

}  // namespace kvx::resize
