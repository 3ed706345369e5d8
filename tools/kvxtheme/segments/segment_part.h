#pragma once
// A segment opened for joining: its video stream checked against the first part's, and the
// timestamps of its frames read ahead, from which the joined file's are made.
#include <cstdint>
#include <string>
#include <vector>

#include "host/ffmpeg_ptr.h"

namespace kvxcli {

struct SegmentPart {
  std::string path;
  kvxhost::InputContextPtr input;
  AVStream* video = nullptr;
};

// Opens a part; refuses one that is not a readable file holding video, naming it.
SegmentPart openSegmentPart(const std::string& path);

// Refuses a part whose codec, size, pixel format, time base or codec setup differ from the
// first part's, naming the part and both values: stream copy keeps one setup for a whole file.
void checkAgreement(const SegmentPart& first, const SegmentPart& part);

// The length of one frame at the part's rate, in its time base.
int64_t frameTicks(const SegmentPart& part);

struct PartTiming {
  std::vector<int64_t> pts;  // when each frame is shown, in decoding order
  int64_t start = 0;         // the first frame shown
  int64_t end = 0;           // when the last frame shown ends
  int64_t reorder = 0;       // how many frames decoding runs ahead of showing, at most
};

// Reads the part's video packets to its end. Refuses a part without frames, one that does not
// begin with a key frame, and one with frames without a time or shown at the same time.
// `ticks`: the length of a frame that gives none.
PartTiming readTiming(SegmentPart& part, int64_t ticks);

}  // namespace kvxcli
