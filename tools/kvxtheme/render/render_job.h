#pragma once
// One render: frames from a source, through the effect driven by the reference host, into a
// video file or PNG pictures.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "arguments.h"
#include "frame_sink.h"
#include "host/reference_host.h"
#include "text_schedule.h"

namespace kvxcli {

struct RenderOptions {
  std::string themePath;  // empty: the default page
  std::string input;      // a media file, or "testsrc"
  std::string output;
  std::vector<std::string> textFiles;  // the --texts files, which the output may not replace
  int width = 640;  // the output's size: the test pattern's, or a source scaled to it
  int height = 360;
  bool sizeGiven = false;
  int crf = -1;  // the encoder's quality options, as SinkSettings holds them
  std::string preset;
  std::string pixelFormat;
  int64_t bitRate = 0;
  std::vector<std::pair<std::string, std::string>> encoderOptions;
  AudioCodec audioCodec = AudioCodec::Auto;
  Rational rate{25, 1};  // test pattern rate, and the rate of a repeated still picture
  bool rateGiven = false;
  double duration = 0;  // seconds; 0: the whole source (the pattern: 2 seconds)
  int64_t maxFrames = -1;
  // The first frame to render, counted in the whole clip: frames keep the texts, fields and
  // theme video they have in a whole render. -1: the whole clip, with the source's audio.
  int64_t startFrame = -1;
  VideoCodec codec = VideoCodec::H264;
  bool codecGiven = false;
  bool overlay = false;  // the theme over transparency, with alpha
  // --interlaced; without it the source's fields are kept.
  std::optional<kvxhost::FieldOrder> fieldOrder;
  TextSchedule texts;
  bool quiet = false;
  bool verbose = false;
};

// Renders; failures throw CliError naming the file and the cause. Returns the frames written.
int64_t render(const RenderOptions& options);

}  // namespace kvxcli
