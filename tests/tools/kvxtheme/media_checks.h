#pragma once
// What the segment and join tests read back from the files the tool writes, through ffmpeg.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tools/hosts/host_runner.h"

namespace kvxtest {

// One frame (or, copied, one packet) as ffmpeg's framemd5 lists it.
struct FrameLine {
  int64_t pts = 0;
  int64_t duration = 0;
  std::string hash;
  std::string line;  // all of it: stream, dts, pts, duration, size, hash
};

// The decoded video frames of a file ("v"), or its audio packets as stored ("a").
inline std::vector<FrameLine> frameLines(const std::string& file, const std::string& stream) {
  const std::string copy = stream == "a" ? " -c copy" : "";
  const RunResult result =
      run("ffmpeg -v error -i " + quote(file) + " -map 0:" + stream + copy + " -f framemd5 -");
  std::vector<FrameLine> lines;
  std::istringstream text(result.output);
  for (std::string line; std::getline(text, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::istringstream columns(line);
    for (std::string field; std::getline(columns, field, ',');) {
      field.erase(0, field.find_first_not_of(' '));
      fields.push_back(field);
    }
    if (fields.size() != 6) continue;
    lines.push_back(
        FrameLine{std::atoll(fields[2].c_str()), std::atoll(fields[3].c_str()), fields[5], line});
  }
  return lines;
}

inline std::vector<std::string> hashes(const std::vector<FrameLine>& lines) {
  std::vector<std::string> result;
  for (const FrameLine& line : lines) result.push_back(line.hash);
  return result;
}

inline size_t distinct(std::vector<std::string> values) {
  std::sort(values.begin(), values.end());
  return static_cast<size_t>(std::unique(values.begin(), values.end()) - values.begin());
}

inline std::vector<std::string> entriesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// An 8-second clip at 25 frames a second (200 frames), 320x180, H.264 with a key frame every
// 30 frames and B-frames, and AAC audio no longer than the video.
inline bool makeClip(const std::string& path) {
  return run("ffmpeg -v error -f lavfi -i testsrc2=size=320x180:rate=25 -f lavfi -i "
             "sine=frequency=440:sample_rate=48000 -t 8 -c:v libx264 -g 30 -c:a aac -shortest " +
             quote(path))
             .status == 0;
}

}  // namespace kvxtest
