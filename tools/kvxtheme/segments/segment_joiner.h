#pragma once
// Segments rendered apart (kvxtheme render --start-frame) put together by stream copy into one
// file with continuous timestamps, with the audio of the clip's source beside them.
#include <cstdint>
#include <string>
#include <vector>

namespace kvxcli {

struct JoinOptions {
  std::vector<std::string> parts;  // in order
  std::string output;              // .mp4, .mkv or .mov
  std::string audioSource;         // empty: no audio
};

struct JoinResult {
  int64_t frames = 0;
  int audioStreams = 0;
};

// Each part's timestamps follow the end of the part before it. Parts must agree on codec, size,
// pixel format, time base and codec setup, and begin with a key frame. Failures throw CliError
// naming the part or file; the output appears only when complete.
JoinResult joinSegments(const JoinOptions& options);

}  // namespace kvxcli
