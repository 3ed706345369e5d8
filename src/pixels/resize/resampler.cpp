#include "pixels/resize/resampler.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <list>
#include <new>
#include <vector>

#include "pixels/bands/band_pool.h"
#include "pixels/resize/filter_weights.h"
#include "pixels/resize/resample_passes.h"

namespace kvx::resize {
namespace {

bool rowBytesFit(int width, int height, int channels) {
  if (width <= 0 || height <= 0) return false;
  const int64_t rowBytes = static_cast<int64_t>(width) * channels;
  return rowBytes <= std::numeric_limits<int32_t>::max() &&
         rowBytes <= std::numeric_limits<int64_t>::max() / height;
}

// Horizontally filtered source rows, computed once each as the vertical window slides down.
// Window starts never decrease, so `taps` slots indexed by row modulo `taps` suffice.
// Its storage lives on between calls of a thread, so resizing frame after frame allocates
// nothing once the sizes settle.
class RowCache {
 public:
  RowCache(int taps, int values, std::vector<int16_t>& storage, std::vector<int>& held)
      : taps_(taps), stride_(values + kIntermediatePadding), storage_(storage), held_(held) {
    storage_.assign(static_cast<size_t>(taps_) * stride_, 0);
    held_.assign(taps_, -1);
  }
  int16_t* slot(int row) { return storage_.data() + static_cast<size_t>(row % taps_) * stride_; }
  bool holds(int row) const { return held_[row % taps_] == row; }
  void mark(int row) { held_[row % taps_] = row; }

 private:
  int taps_;
  size_t stride_;
  std::vector<int16_t>& storage_;
  std::vector<int>& held_;
};

// The filter tables of the last few size pairs of this thread: a host resizes the same sizes
// on every frame.
class FilterCache {
 public:
  // The entry stays valid through the next lookup: found entries move to the front and only
  // the back one is evicted.
  const AxisFilter* get(int sourceSize, int destinationSize) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->source == sourceSize && it->destination == destinationSize) {
        entries_.splice(entries_.begin(), entries_, it);
        return &entries_.front().filter;
      }
    }
    Entry fresh{sourceSize, destinationSize, {}};
    if (!buildAxisFilter(sourceSize, destinationSize, &fresh.filter)) return nullptr;
    if (entries_.size() == kEntries) entries_.pop_back();
    entries_.push_front(std::move(fresh));
    return &entries_.front().filter;
  }

 private:
  static constexpr size_t kEntries = 8;
  struct Entry {
    int source, destination;
    AxisFilter filter;
  };
  std::list<Entry> entries_;
};

struct ThreadScratch {
  FilterCache filters;
  std::vector<int16_t> rowStorage;
  std::vector<int> heldRows;
  std::vector<const int16_t*> rows;
  std::vector<const uint8_t*> byteRows;
  std::vector<int16_t> weights;
  std::vector<int> tapRows;
  std::vector<const uint8_t*> sourceRows;
};

ThreadScratch& threadScratch() {
  thread_local ThreadScratch scratch;
  return scratch;
}

// One output row's window with taps on the same source row weighed once (a field's lines
// doubled into the other field's refer to one row), padded to an even count with a zero weight.
// Returns the count of taps left.
int mergeRepeatedRows(const uint8_t* const* sourceRows, int sourceHeight, int start,
                      const int16_t* weights, int taps, std::vector<const uint8_t*>& rows,
                      std::vector<int16_t>& merged, std::vector<int>& tapRows) {
  int count = 0;
  for (int k = 0; k < taps; ++k) {
    // The zero-weight pad tap may fall past the last row: it reads that row instead.
    const int row = std::min(start + k, sourceHeight - 1);
    if (count > 0 && rows[count - 1] == sourceRows[row]) {
      // Any run of a window's weights sums to at most its positive lobes, under 1.3 ×
      // kWeightOne: the sum fits 16 bits.
      merged[count - 1] = static_cast<int16_t>(merged[count - 1] + weights[k]);
      continue;
    }
    rows[count] = sourceRows[row];
    merged[count] = weights[k];
    tapRows[count] = row;
    ++count;
  }
  if (count % 2) {
    rows[count] = rows[count - 1];
    merged[count] = 0;
    tapRows[count] = tapRows[count - 1];
    ++count;
  }
  return count;
}

// Scales destination rows [firstRow, endRow) that `rowOf` names (null: not wanted) from the
// picture whose rows `sourceRows` lists, with this thread's scratch.
template <typename RowOf>
bool resampleBand(const uint8_t* const* sourceRows, int sourceWidth, int sourceHeight,
                  int destinationWidth, int destinationHeight, int channels, Kernels kernels,
                  RowOf& rowOf, int firstRow, int endRow) {
  const int destinationValues = destinationWidth * channels;
  const bool fast = kernels == Kernels::kFast;
  // At the same width the Lanczos weights are one tap of exactly one: the vertical pass reads
  // the source bytes themselves.
  const bool sameWidth = sourceWidth == destinationWidth;
  try {
    ThreadScratch& scratch = threadScratch();
    const AxisFilter* horizontalEntry = scratch.filters.get(sourceWidth, destinationWidth);
    if (!horizontalEntry) return false;
    const AxisFilter& horizontal = *horizontalEntry;
    const AxisFilter* verticalEntry = scratch.filters.get(sourceHeight, destinationHeight);
    if (!verticalEntry) return false;
    const AxisFilter& vertical = *verticalEntry;
    // Windows are even: merging and padding never lengthen them.
    const int windowTaps = vertical.taps;
    RowCache cache(sameWidth ? 1 : vertical.taps, sameWidth ? 0 : destinationValues,
                   scratch.rowStorage, scratch.heldRows);
    scratch.rows.assign(windowTaps, nullptr);
    scratch.byteRows.assign(windowTaps, nullptr);
    scratch.weights.assign(windowTaps, 0);
    scratch.tapRows.assign(windowTaps, 0);
    for (int y = firstRow; y < endRow; ++y) {
      uint8_t* out = rowOf(y);
      if (!out) continue;
      const int taps =
          mergeRepeatedRows(sourceRows, sourceHeight, vertical.start[y],
                            &vertical.weights[static_cast<size_t>(y) * vertical.taps],
                            vertical.taps, scratch.byteRows, scratch.weights, scratch.tapRows);
      const int16_t* weights = scratch.weights.data();
      if (sameWidth) {
        if (fast)
          verticalPassFast(scratch.byteRows.data(), weights, taps, destinationValues, out);
        else
          verticalPassScalar(scratch.byteRows.data(), weights, taps, destinationValues, out);
        continue;
      }
      for (int k = 0; k < taps; ++k) {
        const int row = scratch.tapRows[k];
        int16_t* slot = cache.slot(row);
        if (!cache.holds(row)) {
          if (fast)
            horizontalPassFast(scratch.byteRows[k], channels, horizontal, destinationWidth, slot);
          else
            horizontalPassScalar(scratch.byteRows[k], channels, horizontal, destinationWidth, slot);
          cache.mark(row);
        }
        scratch.rows[k] = slot;
      }
      if (fast)
        verticalPassFast(scratch.rows.data(), weights, taps, destinationValues, out);
      else
        verticalPassScalar(scratch.rows.data(), weights, taps, destinationValues, out);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// Bands shorter than this spend too much of their time on the rows their first window needs.
constexpr int kMinBandRows = 48;

// Scales the picture whose rows `sourceRows` lists into every destination row `rowOf` names
// (null: not wanted), in bands of rows spread over the band threads.
template <typename RowOf>
bool resample(const uint8_t* const* sourceRows, int sourceWidth, int sourceHeight,
              int destinationWidth, int destinationHeight, int channels, Kernels kernels,
              RowOf rowOf) {
  if (!sourceRows || channels < 1 || channels > 4) return false;
  if (!rowBytesFit(sourceWidth, sourceHeight, channels) ||
      !rowBytesFit(destinationWidth, destinationHeight, channels))
    return false;
  const int bands = std::min(bands::threadCount(), destinationHeight / kMinBandRows);
  if (bands <= 1)
    return resampleBand(sourceRows, sourceWidth, sourceHeight, destinationWidth, destinationHeight,
                        channels, kernels, rowOf, 0, destinationHeight);
  std::atomic<bool> failed{false};
  auto band = [&](int index) {
    int first = 0, end = 0;
    bands::bandRows(destinationHeight, bands, index, &first, &end);
    if (!resampleBand(sourceRows, sourceWidth, sourceHeight, destinationWidth, destinationHeight,
                      channels, kernels, rowOf, first, end))
      failed.store(true, std::memory_order_relaxed);
  };
  bands::forEachBand(bands, band);
  return !failed.load(std::memory_order_relaxed);
}

// The rows of a packed picture, listed in the thread's scratch; null when they cannot be.
const uint8_t* const* packedSourceRows(const uint8_t* source, int width, int height, int channels) {
  if (!source || !rowBytesFit(width, height, channels)) return nullptr;
  std::vector<const uint8_t*>& rows = threadScratch().sourceRows;
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
  const size_t stride = static_cast<size_t>(destinationWidth) * channels;
  return resample(packedSourceRows(source, sourceWidth, sourceHeight, channels), sourceWidth,
                  sourceHeight, destinationWidth, destinationHeight, channels, kernels,
                  [&](int y) { return destination + y * stride; });
}

bool resampleFromRows(const uint8_t* const* sourceRows, int sourceWidth, int sourceHeight,
                      uint8_t* destination, int destinationWidth, int destinationHeight,
                      int channels) {
  if (!destination) return false;
  const size_t stride = static_cast<size_t>(destinationWidth) * channels;
  return resample(sourceRows, sourceWidth, sourceHeight, destinationWidth, destinationHeight,
                  channels, Kernels::kFast, [&](int y) { return destination + y * stride; });
}

bool resampleRows(const uint8_t* source, int sourceWidth, int sourceHeight, int destinationWidth,
                  int destinationHeight, int channels, int firstRow, int rowStep,
                  uint8_t* const* rows) {
  if (!rows || firstRow < 0 || rowStep < 1) return false;
  return resample(packedSourceRows(source, sourceWidth, sourceHeight, channels), sourceWidth,
                  sourceHeight, destinationWidth, destinationHeight, channels, Kernels::kFast,
                  [&](int y) -> uint8_t* {
                    if (y < firstRow || (y - firstRow) % rowStep != 0) return nullptr;
                    return rows[(y - firstRow) / rowStep];
                  });
}

}  // namespace kvx::resize
