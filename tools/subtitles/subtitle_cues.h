#pragma once
// Subtitle cues as a lookup by time: which cue's text shows at a moment, or none.
//
// Times are whole microseconds, which hold the times of SubRip and WebVTT (milliseconds) and
// ASS (centiseconds) exactly. A cue covers [start, end): it shows from its start and is gone
// at its end. Where cues overlap, the one that starts later shows; of cues starting together,
// the one later in the file. The cues are flattened into disjoint spans once, so a lookup is a
// binary search.
#include <cstdint>
#include <string>
#include <vector>

namespace kvxsubs {

struct Cue {
  int64_t start = 0;  // microseconds
  int64_t end = 0;
  std::string text;
};

class SubtitleCues {
 public:
  SubtitleCues() = default;
  // Cues in file order. A cue that ends at or before its start, or has no text, shows nothing
  // and is dropped.
  explicit SubtitleCues(std::vector<Cue> cues);

  // The text showing at `microseconds`; null between cues.
  const std::string* textAt(int64_t microseconds) const;
  // The cues kept.
  size_t size() const { return texts_.size(); }
  bool empty() const { return texts_.empty(); }

 private:
  struct Span {
    int64_t start;
    int64_t end;
    size_t text;
  };
  std::vector<std::string> texts_;
  std::vector<Span> spans_;  // ordered, disjoint
};

// The start of frame `index` (frame i starts at i / rate seconds) in whole microseconds, rounded
// down. Cue times are whole microseconds, so a cue covers this time exactly when it covers the
// frame's true start: a cue ending on a frame's start does not cover that frame.
int64_t frameStartMicroseconds(int64_t index, int rateNumerator, int rateDenominator);

// A host's time in seconds as whole microseconds, rounded down after allowing a nanosecond for
// the rounding of the double (40 ms computed as 0.04 must not fall into the microsecond before).
// Times beyond the range of the cues are clamped.
int64_t secondsToMicroseconds(double seconds);

}  // namespace kvxsubs
