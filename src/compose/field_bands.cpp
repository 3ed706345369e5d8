#include "compose/field_bands.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <utility>

#include "pixels/bands/band_pool.h"
#include "pixels/resize/banded_scale.h"

namespace {

using kvx::resize::BandedScale;
using kvx::resize::DestinationRows;

// Rows merged at a time: with the placeholder's rows and the stretch's window they stay in
// the cache.
constexpr int kBandRows = 32;
// A thread's run is at least this long, or its straddling lines outweigh the saving.
constexpr int kMinRunRows = 64;

// The frame's rows [first, end) on the calling thread, band by band, and the host lines whose
// windows lie within them.
class FieldRun {
 public:
  FieldRun(ClipState& clip, const FrameStart& start, const DeferredFit& fit, BandedScale& stretch,
           const DestinationRows& lines, int lineCount)
      : clip_(clip),
        start_(start),
        fit_(fit),
        stretch_(stretch),
        lines_(lines),
        lineCount_(lineCount) {}

  bool run(int first, int end) {
    BandedScale holder(fit_.rows, fit_.width, fit_.height, fit_.target ? fit_.target->width : 0,
                       fit_.target ? fit_.target->height : 0, 3);
    if (fit_.target && fit_.rows && !holder.valid()) return false;
    // Windows start in order: the lines of this run begin at the first that starts in it.
    int next = 0;
    while (next < lineCount_ && window(next).first < first) ++next;
    for (int band = first; band < end; band += kBandRows) {
      const int bandEnd = std::min(band + kBandRows, end);
      if (!fitPlaceholder(holder, band, bandEnd)) return false;
      mergeBand(clip_, start_, clip_.frameBuffer.data(), band, bandEnd, MergedRows::kReadAgain);
      int ready = next;
      while (ready < lineCount_ && window(ready).second <= bandEnd) ++ready;
      if (!stretch_.scale(next, ready, lines_)) return false;
      next = ready;
    }
    return true;
  }

 private:
  // The frame rows [first, end) a host line's stretch reads.
  std::pair<int, int> window(int line) const {
    std::pair<int, int> rows;
    stretch_.sourceWindow(line, &rows.first, &rows.second);
    return rows;
  }

  // The placeholder's rows that land on frame rows [first, end).
  bool fitPlaceholder(BandedScale& holder, int first, int end) {
    ThemeLayer* target = fit_.target;
    if (!target || !fit_.rows) return true;
    const int from = std::max(first - target->y, 0), to = std::min(end - target->y, target->height);
    if (from >= to) return true;
    const size_t rowBytes = static_cast<size_t>(target->width) * 3;
    // A placeholder that is the frame's start is scaled straight into the frame.
    uint8_t* const pixels = start_.layer == target ? clip_.frameBuffer.data() : target->pixels;
    if (fit_.width == target->width && fit_.height == target->height) {
      for (int y = from; y < to; ++y) std::memcpy(pixels + y * rowBytes, fit_.rows[y], rowBytes);
      return true;
    }
    DestinationRows rows;
    rows.packed = pixels;
    rows.stride = rowBytes;
    return holder.scale(from, to, rows);
  }

  ClipState& clip_;
  const FrameStart& start_;
  const DeferredFit& fit_;
  BandedScale& stretch_;
  const DestinationRows& lines_;
  int lineCount_;
};

}  // namespace

bool composeFieldInBands(ClipState& clip, const FrameStart& start, const DeferredFit& fit,
                         int width, int lines, int firstLine, unsigned char** dstRows) {
  const int height = clip.frameHeight;
  const size_t rowBytes = static_cast<size_t>(clip.frameWidth) * 3;
  // Listed again only when the frame buffer changed.
  if (clip.frameRows.size() != static_cast<size_t>(height) ||
      clip.frameRows.front() != clip.frameBuffer.data() ||
      clip.frameRows.back() != clip.frameBuffer.data() + (height - 1) * rowBytes) {
    try {
      clip.frameRows.resize(height);
    } catch (const std::bad_alloc&) {
      return false;
    }
    for (int y = 0; y < height; ++y) clip.frameRows[y] = clip.frameBuffer.data() + y * rowBytes;
  }
  DestinationRows hostLines;
  hostLines.rows = dstRows;
  hostLines.firstRow = firstLine;
  hostLines.rowStep = 2;

  // The start layer is exactly the frame (see coveringLayer): a placeholder there is scaled
  // into the frame's rows, which then need no copy.
  FrameStart frameStart = start;
  if (fit.target && fit.rows && start.layer == fit.target)
    frameStart.pixels = clip.frameBuffer.data();

  const int runs = std::max(1, std::min(kvx::bands::threadCount(), height / kMinRunRows));
  std::atomic<bool> failed{false};
  auto runBand = [&](int index) {
    // Each thread scales with its own storage; the windows are the same for all.
    BandedScale stretch(clip.frameRows.data(), clip.frameWidth, height, width, lines, 3);
    int first = 0, end = 0;
    kvx::bands::bandRows(height, runs, index, &first, &end);
    FieldRun run(clip, frameStart, fit, stretch, hostLines, lines);
    if (!stretch.valid() || !run.run(first, end)) failed.store(true, std::memory_order_relaxed);
  };
  kvx::bands::forEachBand(runs, runBand);
  if (failed.load(std::memory_order_relaxed)) return false;
  if (runs == 1) return true;

  // The lines no run could finish alone: their windows reach into the next run.
  BandedScale stretch(clip.frameRows.data(), clip.frameWidth, height, width, lines, 3);
  if (!stretch.valid()) return false;
  int run = 0, runFirst = 0, runEnd = 0;
  kvx::bands::bandRows(height, runs, run, &runFirst, &runEnd);
  for (int line = 0; line < lines; ++line) {
    int first = 0, end = 0;
    stretch.sourceWindow(line, &first, &end);
    while (first >= runEnd) kvx::bands::bandRows(height, runs, ++run, &runFirst, &runEnd);
    if (end > runEnd && !stretch.scale(line, line + 1, hostLines)) return false;
  }
  return true;
}
