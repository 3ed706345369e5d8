#pragma once
// Which frei0r host calls the filter, told from the library the call comes from. Hosts differ in
// what they pass: the unit of the time (libavfilter milliseconds, every other host seconds, as
// frei0r itself says) and, in GStreamer's bridge, how a string changed while playing is handed
// over.
#include <string_view>

#include "frame_clock.h"

namespace kvxfrei0r {

enum class FrameHost { Unknown, Libavfilter, Mlt, GStreamerBridge };

// From the file name of the library or program that made the call.
FrameHost frameHostOfModule(std::string_view path);
// The host whose code holds `returnAddress`.
FrameHost frameHostOfCaller(const void* returnAddress);
TimeUnit timeUnitOf(FrameHost host);

// GStreamer's frei0r bridge hands a string parameter over as a pointer to the string (frei0r's
// way) only in the run of calls that sets every parameter in order right after it constructed
// the instance; a property changed later arrives as the string itself. The two cannot be told
// apart by their bytes, so only that first run is read from the bridge.
class StringPassing {
 public:
  // A set_param_value call for `index`: true when its value points to the string's pointer.
  bool byPointer(FrameHost host, int index);
  // The first frame ends the run after construction.
  void endConstruction() { next_ = -1; }

 private:
  int next_ = 0;
};

}  // namespace kvxfrei0r
