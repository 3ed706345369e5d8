#pragma once
// One Lanczos-3 scale (see filter_weights.h) worked through on the calling thread a band of
// destination rows at a time. A pass that makes the source rows just before a band needs them
// (a field composed and stretched band by band) finds them still in the cache. Every row is
// computed exactly as a scale of the whole picture computes it.
#include <cstddef>
#include <cstdint>

namespace kvx::resize {

enum class Kernels { kFast, kScalar };

// Where destination rows go: row y to packed + y × stride; or, given `rows`, only rows
// y = firstRow + i × rowStep, to rows[i].
struct DestinationRows {
  uint8_t* packed = nullptr;
  size_t stride = 0;
  uint8_t* const* rows = nullptr;
  int firstRow = 0;
  int rowStep = 1;

  // Null for a row that is not wanted.
  uint8_t* at(int y) const {
    if (!rows) return packed + static_cast<size_t>(y) * stride;
    if (y < firstRow || (y - firstRow) % rowStep != 0) return nullptr;
    return rows[(y - firstRow) / rowStep];
  }
};

// True when rows of `width` pixels of `channels` bytes fit int32 and `height` of them fit
// int64: the sizes a scale accepts.
bool rowBytesFit(int width, int height, int channels);

struct ScaleScratch;

class BandedScale {
 public:
  // `sourceRows` may repeat a row (a field's lines standing in for the other field's): a
  // window that meets a row twice reads it once. The rows must outlive the scale.
  BandedScale(const uint8_t* const* sourceRows, int sourceWidth, int sourceHeight,
              int destinationWidth, int destinationHeight, int channels,
              Kernels kernels = Kernels::kFast);
  ~BandedScale();
  BandedScale(const BandedScale&) = delete;
  BandedScale& operator=(const BandedScale&) = delete;

  // False for null rows, non-positive sizes, channel counts outside 1..4, rows whose bytes
  // overflow, or exhausted memory.
  bool valid() const { return scratch_ != nullptr; }

  // The source rows [*first, *end) that destination row `row` reads.
  void sourceWindow(int row, int* first, int* end) const;

  // Computes the rows of [first, end) that `destination` wants. Horizontally filtered source
  // rows are kept from one band to the next. False on exhausted memory.
  bool scale(int first, int end, const DestinationRows& destination);

 private:
  void scaleRow(int y, uint8_t* out);
  void scaleGroup(const int* ys, uint8_t* const* outs, int count);
  // The window's first `taps` rows, horizontally filtered (each row once while it is kept).
  const int16_t* const* filteredRows(int taps);

  ScaleScratch* scratch_ = nullptr;
  const uint8_t* const* sourceRows_;
  int sourceHeight_, destinationWidth_, channels_;
  Kernels kernels_;
};

}  // namespace kvx::resize
