#include "render_job.h"

#include <cmath>
#include <filesystem>
#include <fstream>

#include "cli_error.h"
#include "frame_sink.h"
#include "frame_source.h"
#include "progress.h"

namespace kvxcli {
namespace {

constexpr const char* kTestPatternName = "testsrc";

std::unique_ptr<FrameSource> openSource(const RenderOptions& options, int64_t frameLimit) {
  if (options.input == kTestPatternName) {
    int64_t frames =
        frameLimit >= 0 ? frameLimit : std::llround(2.0 * options.rate.num / options.rate.den);
    return makeTestPattern(options.width, options.height, options.rate,
                           std::max<int64_t>(frames, 1));
  }
  // A symbolic link to itself or a name longer than the system takes is an error to report,
  // not an exception to end the program with.
  std::error_code error;
  const bool exists = std::filesystem::exists(options.input, error);
  if (error) fail(options.input, "cannot be read: " + error.message());
  if (!exists) fail(options.input, "does not exist");
  return openMediaSource(options.input);
}

// The theme file as an absolute path, checked to be a readable file: the effect itself goes on
// with an empty page when a theme cannot be loaded, which would hide a mistyped name.
std::string themeFilePath(const std::string& theme) {
  if (theme.empty()) return {};
  std::error_code error;
  if (!std::filesystem::is_regular_file(theme, error)) fail(theme, "is not a theme file");
  if (!std::ifstream(theme, std::ios::binary)) fail(theme, "cannot be read");
  const std::filesystem::path absolute = std::filesystem::absolute(theme, error);
  if (error) fail(theme, "cannot be read: " + error.message());
  return absolute.lexically_normal().string();
}

int64_t frameLimit(const RenderOptions& options, Rational rate) {
  int64_t limit = options.maxFrames;
  if (options.duration > 0) {
    int64_t byDuration = std::max<int64_t>(1, std::llround(options.duration * rate.num / rate.den));
    limit = limit < 0 ? byDuration : std::min(limit, byDuration);
  }
  return limit;
}

}  // namespace

int64_t render(const RenderOptions& options) {
  const OutputKind kind = outputKind(options.output);
  const std::string theme = themeFilePath(options.themePath);
  std::unique_ptr<FrameSource> source = openSource(options, frameLimit(options, options.rate));
  SourceInfo info = source->info();
  // A still picture is repeated at the requested rate; a video keeps its own.
  if (options.rateGiven && info.expectedFrames == 1) info.rate = options.rate;
  int64_t limit = frameLimit(options, info.rate);
  if (kind == OutputKind::SinglePng) {
    if (limit > 1) fail(options.output, "holds one picture; use a numbered name like out_%04d.png");
    limit = 1;
  }
  const bool interlaced = options.fieldOrder != kvxhost::FieldOrder::Progressive;
  if (interlaced && info.height % 2 != 0)
    fail(options.input, "has an odd number of lines and cannot be split into two fields");

  SinkSettings settings;
  settings.width = info.width;
  settings.height = info.height;
  settings.rate = info.rate;
  settings.interlaced = interlaced;
  settings.topFieldFirst = options.fieldOrder == kvxhost::FieldOrder::TopFieldFirst;
  settings.audio = kind == OutputKind::Video ? source->audio() : AudioTrack{};
  std::unique_ptr<FrameSink> sink = kind == OutputKind::Video
                                        ? openVideoSink(options.output, settings)
                                        : openPngSink(options.output, settings, kind);
  if (sink->takesAudio()) {
    FrameSink* target = sink.get();
    source->setAudioHandler([target](AVPacket* packet) { target->writeAudio(packet); });
  }

  kvxhost::ReferenceHost host;
  host.setThemePath(theme);
  const TextSchedule& texts = options.texts;
  host.setTextSource([&texts](int frameIndex, const std::string& key, std::string* text) {
    return texts.lookup(frameIndex, key, text);
  });
  if (!host.begin(info.width, info.height, options.fieldOrder))
    fail(theme.empty() ? "default page" : theme, "the effect refused to start the clip");
  if (!host.loadFailure().empty()) fail(theme, host.loadFailure());

  const size_t frameBytes = static_cast<size_t>(info.width) * info.height * 3;
  std::vector<uint8_t> in;
  std::vector<uint8_t> out(frameBytes);
  const int64_t expected = limit >= 0 ? limit : info.expectedFrames;
  Progress progress(!options.quiet, expected);
  int64_t frames = 0;
  bool still = false;
  while (limit < 0 || frames < limit) {
    if (!still && !source->read(&in)) {
      // A single picture lasts as long as the render asks for; anything else ends here.
      if (frames != 1 || limit < 0) break;
      still = true;
    }
    if (in.size() != frameBytes) fail(options.input, "changed its frame size");
    if (!host.renderFrame(static_cast<int>(frames), in.data(), info.width * 3u, out.data(),
                          info.width * 3u))
      fail(options.input, "the effect could not compose frame " + std::to_string(frames) +
                              " in full (not enough memory for this theme at this size?)");
    sink->write(out.data());
    ++frames;
    progress.update(frames);
  }
  host.end();
  progress.finish(frames);
  sink->finish();
  return frames;
}

}  // namespace kvxcli
