#include "subtitle_cues.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kvxsubs {
namespace {

constexpr int64_t kEarliest = std::numeric_limits<int64_t>::min();
constexpr int64_t kLatest = std::numeric_limits<int64_t>::max();

int64_t clampToTimes(__int128 value) {
  if (value > kLatest) return kLatest;
  if (value < kEarliest) return kEarliest;
  return static_cast<int64_t>(value);
}

}  // namespace

SubtitleCues::SubtitleCues(std::vector<Cue> cues) {
  struct Entry {
    int64_t start;
    int64_t end;
    size_t text;
  };
  std::vector<Entry> entries;
  for (Cue& cue : cues) {
    if (cue.end <= cue.start || cue.text.empty()) continue;
    entries.push_back(Entry{cue.start, cue.end, texts_.size()});
    texts_.push_back(std::move(cue.text));
  }
  // Stable: of cues starting together, the later in the file comes later and wins.
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& a, const Entry& b) { return a.start < b.start; });

  // A sweep over the starts with the cues begun so far stacked, the latest start on top: the
  // topmost cue that has not ended is the one showing. Each cue is pushed and popped once, and
  // every span ends at a cue's end or at the next start, so there are at most twice as many
  // spans as cues.
  std::vector<const Entry*> begun;
  int64_t now = kEarliest;
  const auto advance = [&](int64_t until) {
    while (now < until) {
      while (!begun.empty() && begun.back()->end <= now) begun.pop_back();
      if (begun.empty()) break;
      const Entry* showing = begun.back();
      const int64_t end = std::min(showing->end, until);
      if (!spans_.empty() && spans_.back().end == now && spans_.back().text == showing->text)
        spans_.back().end = end;
      else
        spans_.push_back(Span{now, end, showing->text});
      now = end;
    }
    now = until;
  };
  for (const Entry& entry : entries) {
    advance(entry.start);
    begun.push_back(&entry);
  }
  advance(kLatest);
}

const std::string* SubtitleCues::textAt(int64_t microseconds) const {
  auto after = std::upper_bound(spans_.begin(), spans_.end(), microseconds,
                                [](int64_t time, const Span& span) { return time < span.start; });
  if (after == spans_.begin()) return nullptr;
  const Span& span = *(after - 1);
  return microseconds < span.end ? &texts_[span.text] : nullptr;
}

int64_t frameStartMicroseconds(int64_t index, int rateNumerator, int rateDenominator) {
  if (rateNumerator <= 0 || rateDenominator <= 0) return kEarliest;
  const __int128 scaled = static_cast<__int128>(index) * rateDenominator * 1000000;
  __int128 start = scaled / rateNumerator;
  if (scaled % rateNumerator != 0 && scaled < 0) --start;  // down, also before the clip
  return clampToTimes(start);
}

int64_t secondsToMicroseconds(double seconds) {
  if (std::isnan(seconds)) return kEarliest;
  const double microseconds = std::floor(seconds * 1e6 + 1e-3);
  // 2^63 is exact as a double; anything at or beyond it does not fit.
  if (microseconds >= 9223372036854775808.0) return kLatest;
  if (microseconds < -9223372036854775808.0) return kEarliest;
  return static_cast<int64_t>(microseconds);
}

}  // namespace kvxsubs
