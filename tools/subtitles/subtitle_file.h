#pragma once
// The cues of a subtitle file, read with FFmpeg: libavformat's demuxer for the file and
// libavcodec's decoder for its subtitle stream.
#include <cstddef>
#include <cstdint>
#include <string>

#include "subtitles/subtitle_cues.h"

namespace kvxsubs {

// Demuxers read a subtitle file whole; a film's SubRip file is some 100 KiB.
constexpr uintmax_t kMaxSubtitleFileBytes = uintmax_t{64} << 20;
constexpr size_t kMaxCues = 1000000;

// Reads the cues of `path` into `cues`: each cue's text as plain text (ass_text.h), timed by
// its packet's time and duration. The extension chooses the format: .srt SubRip, .vtt WebVTT,
// .ass and .ssa ASS; under any other name the content is recognised among FFmpeg's text
// subtitle formats. Refuses, with "PATH: cause" in `error` and `cues` untouched: a file that
// is missing, a folder, not a regular file or larger than kMaxSubtitleFileBytes; one FFmpeg
// does not read as subtitles, or whose subtitles are pictures; a cue that does not decode
// (text that is not UTF-8); more than kMaxCues cues; and a file without a cue that shows text.
bool readSubtitleFile(const std::string& path, SubtitleCues* cues, std::string* error);

}  // namespace kvxsubs
