#pragma once
// How many frames a video file holds.
#include <cstdint>
#include <string>

#include "io/video_reader.h"

namespace kvxvideo {

// Files larger than this are not demuxed just to count their frames.
constexpr int64_t kMaxCountedFileBytes = int64_t{1} << 30;

// The container's own count when it has one, else the duration times the frame rate, else
// the packets counted by demuxing `path` (up to kMaxCountedFileBytes). 0 when unknown.
uint32_t videoFrameCount(const VideoReader& reader, const std::string& path);

// Packets of the stream `streamIndex`, counted by demuxing the whole file; 0 on failure.
uint32_t countStreamPackets(const std::string& path, int streamIndex);

}  // namespace kvxvideo
