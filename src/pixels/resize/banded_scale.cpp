#include "pixels/resize/banded_scale.h"

#include <algorithm>
#include <limits>
#include <list>
#include <memory>
#include <new>
#include <vector>

#include "pixels/resize/filter_weights.h"
#include "pixels/resize/resample_passes.h"

namespace kvx::resize {
namespace {

// Up to this many output rows whose windows overlap are weighed together, reading the union
// of their source rows once, when windows are at most kGroupTaps long (the scales of frames
// and fields); longer windows share too little.
constexpr int kGroupRows = 4;
constexpr int kGroupTaps = 16;

// The filter tables of the last few size pairs: a host resizes the same sizes on every frame.
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

}  // namespace

bool rowBytesFit(int width, int height, int channels) {
  if (width <= 0 || height <= 0) return false;
  const int64_t rowBytes = static_cast<int64_t>(width) * channels;
  return rowBytes <= std::numeric_limits<int32_t>::max() &&
         rowBytes <= std::numeric_limits<int64_t>::max() / height;
}

// A thread's storage for one scale in progress. It lives on after the scale, so scaling frame
// after frame allocates nothing once the sizes settle.
struct ScaleScratch {
  bool busy = false;
  FilterCache filters;
  const AxisFilter* horizontal = nullptr;
  const AxisFilter* vertical = nullptr;
  // Horizontally filtered source rows in `slots` slots indexed by row modulo their count:
  // window starts never decrease, so a window's rows never share a slot.
  std::vector<int16_t> rowStorage;
  std::vector<int> heldRows;
  size_t rowStride = 0;
  int slots = 0;
  // One window's taps.
  std::vector<const int16_t*> rows;
  std::vector<const uint8_t*> byteRows;
  std::vector<int16_t> weights;
  std::vector<int> tapRows;
  // A group's weights, one row of them per output.
  std::vector<int16_t> groupWeights;
};

namespace {

// A thread's scratches: a scale running while another is under way (a placeholder scaled
// band by band between the bands of a field's stretch) takes the next one.
ScaleScratch* leaseScratch() {
  thread_local std::vector<std::unique_ptr<ScaleScratch>> pool;
  for (auto& scratch : pool)
    if (!scratch->busy) {
      scratch->busy = true;
      return scratch.get();
    }
  pool.push_back(std::make_unique<ScaleScratch>());
  pool.back()->busy = true;
  return pool.back().get();
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

}  // namespace

BandedScale::BandedScale(const uint8_t* const* sourceRows, int sourceWidth, int sourceHeight,
                         int destinationWidth, int destinationHeight, int channels, Kernels kernels)
    : sourceRows_(sourceRows),
      sourceHeight_(sourceHeight),
      destinationWidth_(destinationWidth),
      channels_(channels),
      kernels_(kernels) {
  if (!sourceRows || channels < 1 || channels > 4 ||
      !rowBytesFit(sourceWidth, sourceHeight, channels) ||
      !rowBytesFit(destinationWidth, destinationHeight, channels))
    return;
  ScaleScratch* scratch = leaseScratch();
  try {
    scratch->horizontal = scratch->filters.get(sourceWidth, destinationWidth);
    scratch->vertical =
        scratch->horizontal ? scratch->filters.get(sourceHeight, destinationHeight) : nullptr;
    if (scratch->vertical) {
      // At the same width the Lanczos weights are one tap of exactly one: the vertical pass
      // reads the source bytes themselves and no row is kept.
      const bool sameWidth = sourceWidth == destinationWidth;
      const int values = sameWidth ? 0 : destinationWidth * channels;
      // A group's union spans at most two windows, and one padding row.
      const int windowTaps = scratch->vertical->taps;
      const int taps = windowTaps <= kGroupTaps ? 2 * windowTaps + 1 : windowTaps;
      scratch->slots = sameWidth ? 1 : taps;
      scratch->rowStride = values + kIntermediatePadding;
      scratch->rowStorage.assign(scratch->slots * scratch->rowStride, 0);
      scratch->heldRows.assign(scratch->slots, -1);
      scratch->rows.assign(taps, nullptr);
      scratch->byteRows.assign(taps, nullptr);
      scratch->weights.assign(taps, 0);
      scratch->tapRows.assign(taps, 0);
      scratch->groupWeights.assign(static_cast<size_t>(kGroupRows) * taps, 0);
      scratch_ = scratch;
      return;
    }
  } catch (const std::bad_alloc&) {
  }
  scratch->busy = false;
}

BandedScale::~BandedScale() {
  if (scratch_) scratch_->busy = false;
}

void BandedScale::sourceWindow(int row, int* first, int* end) const {
  const AxisFilter& vertical = *scratch_->vertical;
  *first = vertical.start[row];
  *end = std::min(vertical.start[row] + vertical.taps, sourceHeight_);
}

bool BandedScale::scale(int first, int end, const DestinationRows& destination) {
  if (!scratch_) return false;
  ScaleScratch& scratch = *scratch_;
  const AxisFilter& vertical = *scratch.vertical;
  for (int y = first; y < end;) {
    // The next wanted rows whose windows together span at most twice one window.
    uint8_t* outs[kGroupRows];
    int ys[kGroupRows];
    int count = 0;
    for (; y < end && count < kGroupRows; ++y) {
      uint8_t* out = destination.at(y);
      if (!out) continue;
      if (count > 0 &&
          vertical.start[y] + vertical.taps - vertical.start[ys[0]] > 2 * vertical.taps)
        break;
      outs[count] = out;
      ys[count++] = y;
    }
    if (count == 0) break;
    if (count == 1 || kernels_ == Kernels::kScalar || vertical.taps > kGroupTaps) {
      for (int n = 0; n < count; ++n) scaleRow(ys[n], outs[n]);
    } else {
      scaleGroup(ys, outs, count);
    }
  }
  return true;
}

const int16_t* const* BandedScale::filteredRows(int taps) {
  ScaleScratch& scratch = *scratch_;
  for (int k = 0; k < taps; ++k) {
    const int row = scratch.tapRows[k];
    const int slot = row % scratch.slots;
    int16_t* values = scratch.rowStorage.data() + slot * scratch.rowStride;
    if (scratch.heldRows[slot] != row) {
      if (kernels_ == Kernels::kFast)
        horizontalPassFast(scratch.byteRows[k], channels_, *scratch.horizontal, destinationWidth_,
                           values);
      else
        horizontalPassScalar(scratch.byteRows[k], channels_, *scratch.horizontal, destinationWidth_,
                             values);
      scratch.heldRows[slot] = row;
    }
    scratch.rows[k] = values;
  }
  return scratch.rows.data();
}

void BandedScale::scaleRow(int y, uint8_t* out) {
  ScaleScratch& scratch = *scratch_;
  const AxisFilter& vertical = *scratch.vertical;
  const int values = destinationWidth_ * channels_;
  const int taps =
      mergeRepeatedRows(sourceRows_, sourceHeight_, vertical.start[y],
                        &vertical.weights[static_cast<size_t>(y) * vertical.taps], vertical.taps,
                        scratch.byteRows, scratch.weights, scratch.tapRows);
  const int16_t* weights = scratch.weights.data();
  const bool fast = kernels_ == Kernels::kFast;
  if (scratch.horizontal->sourceSize == destinationWidth_) {
    const auto* rows = scratch.byteRows.data();
    if (fast)
      verticalPassFast(rows, weights, taps, values, out);
    else
      verticalPassScalar(rows, weights, taps, values, out);
    return;
  }
  const int16_t* const* rows = filteredRows(taps);
  if (fast)
    verticalPassFast(rows, weights, taps, values, out);
  else
    verticalPassScalar(rows, weights, taps, values, out);
}

void BandedScale::scaleGroup(const int* ys, uint8_t* const* outs, int count) {
  ScaleScratch& scratch = *scratch_;
  const AxisFilter& vertical = *scratch.vertical;
  const int windowTaps = vertical.taps;
  const int unionFirst = vertical.start[ys[0]];
  const int unionEnd = vertical.start[ys[count - 1]] + windowTaps;
  // The union's rows with repeats weighed once (see mergeRepeatedRows), one weight per output.
  int taps = 0;
  const int stride = static_cast<int>(scratch.byteRows.size());
  std::fill(scratch.groupWeights.begin(), scratch.groupWeights.end(), 0);
  for (int row = unionFirst; row < unionEnd; ++row) {
    const int clamped = std::min(row, sourceHeight_ - 1);
    if (taps == 0 || scratch.byteRows[taps - 1] != sourceRows_[clamped]) {
      scratch.byteRows[taps] = sourceRows_[clamped];
      scratch.tapRows[taps] = clamped;
      ++taps;
    }
    for (int n = 0; n < count; ++n) {
      const int k = row - vertical.start[ys[n]];
      if (k < 0 || k >= windowTaps) continue;
      int16_t& weight = scratch.groupWeights[n * stride + taps - 1];
      weight = static_cast<int16_t>(weight +
                                    vertical.weights[static_cast<size_t>(ys[n]) * windowTaps + k]);
    }
  }
  if (taps % 2) {
    scratch.byteRows[taps] = scratch.byteRows[taps - 1];
    scratch.tapRows[taps] = scratch.tapRows[taps - 1];
    ++taps;
  }
  int pairBegin[kGroupRows], pairEnd[kGroupRows];
  for (int n = 0; n < count; ++n) {
    const int16_t* weights = &scratch.groupWeights[n * stride];
    int begin = 0, end = taps / 2;
    while (begin < end && !weights[2 * begin] && !weights[2 * begin + 1]) ++begin;
    while (end > begin && !weights[2 * end - 2] && !weights[2 * end - 1]) --end;
    pairBegin[n] = begin;
    pairEnd[n] = end;
  }
  // The kernel reads weights[n × taps + k]: close the rows of outputs up.
  for (int n = 1; n < count; ++n)
    std::copy_n(&scratch.groupWeights[n * stride], taps, &scratch.groupWeights[n * taps]);
  const int values = destinationWidth_ * channels_;
  const int16_t* weights = scratch.groupWeights.data();
  if (scratch.horizontal->sourceSize == destinationWidth_)
    verticalGroupFast(scratch.byteRows.data(), weights, taps, pairBegin, pairEnd, count, values,
                      outs);
  else
    verticalGroupFast(filteredRows(taps), weights, taps, pairBegin, pairEnd, count, values, outs);
}

}  // namespace kvx::resize
