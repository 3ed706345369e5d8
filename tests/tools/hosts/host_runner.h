#pragma once
// Running the real hosts (the kvxtheme tool, ffmpeg, ffprobe, melt) from the tests.
#include <map>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace kvxtest {

struct RunResult {
  int status = -1;
  std::string output;  // standard output and standard error together
};

// Runs a shell command line.
RunResult run(const std::string& command);
bool haveProgram(const std::string& name);
// Quotes one argument for the shell.
std::string quote(const std::string& text);

// <build>/kvxtheme
std::string kvxthemeTool();
// The sample themes packed by the build (<build>/themes/*.kvx), possibly none.
std::vector<std::string> sampleThemes();

// ffprobe's answer about the first video stream (width, height, r_frame_rate, nb_read_frames,
// pix_fmt, its colour tags, field_order, bit_rate) and the number of audio streams under
// "audio_streams".
std::map<std::string, std::string> probe(const std::string& file);

// Mean difference per byte of two pictures inside a rectangle.
double meanDifference(const Picture& a, const Picture& b, int x0, int y0, int x1, int y1);

}  // namespace kvxtest
