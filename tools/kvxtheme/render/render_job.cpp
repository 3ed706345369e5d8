#include "render_job.h"

#include <cmath>
#include <filesystem>
#include <limits>
#include <utility>
#include <vector>

#include "cli_error.h"
#include "frame_sink.h"
#include "frame_source.h"
#include "host/theme_file.h"
#include "progress.h"
#include "render_pipeline.h"

namespace kvxcli {
namespace {

constexpr const char* kTestPatternName = "testsrc";

// The frames --duration leaves of the clip; -1 without it.
int64_t durationFrames(const RenderOptions& options, Rational rate) {
  if (options.duration <= 0) return -1;
  return std::max<int64_t>(1, std::llround(options.duration * rate.num / rate.den));
}

std::unique_ptr<FrameSource> openSource(const RenderOptions& options, int64_t start) {
  if (options.input == kTestPatternName) {
    if (options.width < 0 || options.height < 0)
      fail("--size", "keeps the aspect of a video or picture; give the test pattern WxH");
    // The pattern lasts --duration, else as long as the frames asked for, else two seconds.
    int64_t frames = durationFrames(options, options.rate);
    if (frames < 0)
      frames = options.maxFrames >= 0 ? start + options.maxFrames
                                      : std::llround(2.0 * options.rate.num / options.rate.den);
    return makeTestPattern(options.width, options.height, options.rate,
                           std::max<int64_t>(frames, 1));
  }
  // A symbolic link to itself or a name longer than the system takes is an error to report,
  // not an exception to end the program with.
  std::error_code error;
  const bool exists = std::filesystem::exists(options.input, error);
  if (error) fail(options.input, "cannot be read: " + error.message());
  if (!exists) fail(options.input, "does not exist");
  return options.sizeGiven ? openMediaSource(options.input, options.width, options.height)
                           : openMediaSource(options.input);
}

// Makes frame `start` the source's next. A source of one picture is repeated for as long as the
// clip lasts (`bounded`), so that picture is every frame: then true, with it in `picture`.
bool seekStart(std::unique_ptr<FrameSource>& source, const RenderOptions& options, int64_t start,
               bool bounded, std::vector<uint8_t>* picture) {
  int64_t frames = 0;
  if (source->seekFrame(start, &frames)) return false;
  if (frames == 1 && bounded) {
    source = openSource(options, start);
    if (source->read(picture)) return true;
  }
  std::string cause = std::to_string(start) + " is past the end of " + options.input;
  if (frames == 0)
    cause += ", which has no frames";
  else
    cause += " (its last frame is " + std::to_string(frames - 1) + ")";
  if (frames == 1) cause += "; --duration or --frames repeat a picture";
  fail("--start-frame", cause);
}

// The theme file as an absolute path, checked to be a readable theme: the effect itself goes
// on with an empty page when a theme cannot be loaded, which would hide a mistyped name.
std::string themeFilePath(const std::string& theme) {
  if (theme.empty()) return {};
  const kvxhost::ThemeCheck check = kvxhost::checkThemeFile(theme);
  if (!check.ok()) fail(theme, check.message);
  return check.path;
}

// Refuses an output that would replace a file the render reads: the finished output is renamed
// over it, so the source would be lost.
void checkOutputIsNew(const RenderOptions& options, const std::string& theme) {
  std::vector<std::pair<std::string, const char*>> reads = {{options.input, "the input"},
                                                            {theme, "the theme"}};
  for (const std::string& texts : options.textFiles) reads.emplace_back(texts, "a --texts file");
  for (const auto& [path, what] : reads) {
    std::error_code error;
    if (!path.empty() && std::filesystem::equivalent(options.output, path, error))
      fail(options.output, std::string("is also ") + what + " of the render (" + path +
                               "); choose another output name");
  }
}

}  // namespace

int64_t render(const RenderOptions& options) {
  const OutputKind kind = outputKind(options.output);
  if (kind != OutputKind::Video) {
    const std::pair<bool, const char*> encoderChoices[] = {
        {options.codecGiven, "--codec"},
        {options.bitRate > 0, "--bitrate"},
        {!options.encoderOptions.empty(), "--encoder-option"},
        {options.audioCodec != AudioCodec::Auto, "--audio-codec"}};
    for (const auto& [given, option] : encoderChoices)
      if (given)
        fail(option, "chooses how a video output (.mp4, .mkv, .mov, .webm) is encoded, not " +
                         options.output);
  }
  const std::string theme = themeFilePath(options.themePath);
  checkOutputIsNew(options, theme);
  const int64_t start = std::max<int64_t>(0, options.startFrame);
  std::unique_ptr<FrameSource> source = openSource(options, start);
  SourceInfo info = source->info();
  // A still picture is repeated at the requested rate; a video keeps its own.
  if (options.rateGiven && info.expectedFrames == 1) info.rate = options.rate;
  // Frames [start, start + limit) of the clip, which ends at --duration or with the source.
  const int64_t end = durationFrames(options, info.rate);
  if (end >= 0 && start >= end)
    fail("--start-frame", std::to_string(start) + " is past the end --duration sets (its last " +
                              "frame is " + std::to_string(end - 1) + ")");
  int64_t limit = options.maxFrames;
  if (end >= 0) limit = limit < 0 ? end - start : std::min(limit, end - start);
  if (kind == OutputKind::SinglePng) {
    if (limit > 1) fail(options.output, "holds one picture; use a numbered name like out_%04d.png");
    limit = 1;
  }
  // An overlay is composed from whole frames, whatever the source's fields.
  const kvxhost::FieldOrder sourceFields =
      !info.interlaced || options.overlay ? kvxhost::FieldOrder::Progressive
      : info.topFieldFirst                ? kvxhost::FieldOrder::TopFieldFirst
                                          : kvxhost::FieldOrder::BottomFieldFirst;
  const kvxhost::FieldOrder fieldOrder = options.fieldOrder.value_or(sourceFields);
  const bool interlaced = fieldOrder != kvxhost::FieldOrder::Progressive;
  if (options.overlay && interlaced)
    fail("--overlay", "an overlay is composed from whole frames; leave out --interlaced");
  if (interlaced && info.height % 2 != 0)
    fail(options.input, std::string("has an odd number of lines and cannot be split into two "
                                    "fields") +
                            (options.fieldOrder ? "" : "; give --interlaced progressive"));
  std::vector<uint8_t> in;
  bool still = start > 0 && seekStart(source, options, start, limit >= 0, &in);

  SinkSettings settings;
  settings.width = info.width;
  settings.height = info.height;
  settings.rate = info.rate;
  settings.interlaced = interlaced;
  settings.topFieldFirst = fieldOrder == kvxhost::FieldOrder::TopFieldFirst;
  settings.alpha = options.overlay;
  settings.crf = options.crf;
  settings.preset = options.preset;
  settings.pixelFormat = options.pixelFormat;
  settings.bitRate = options.bitRate;
  settings.encoderOptions = options.encoderOptions;
  settings.audioCodec = options.audioCodec;
  settings.colorimetry = info.colorimetry;
  if (kind == OutputKind::Video)
    settings.codec =
        options.codecGiven ? options.codec : defaultCodec(options.output, settings.alpha);
  // Part of a clip, a segment leaves the audio to the join of all of them.
  const bool wholeClip = options.startFrame < 0;
  settings.audio =
      kind == OutputKind::Video && wholeClip && !options.overlay ? source->audio() : AudioTrack{};
  std::unique_ptr<FrameSink> sink = kind == OutputKind::Video
                                        ? openVideoSink(options.output, settings)
                                        : openPngSink(options.output, settings, kind);

  // Subtitle cues are timed by the clip's frames: frame i starts at i / rate.
  TextSchedule texts = options.texts;
  texts.setFrameRate(info.rate);
  kvxhost::ReferenceHost host;
  host.setThemePath(theme);
  host.setTextSource([&texts](int frameIndex, const std::string& key, std::string* text) {
    return texts.lookup(frameIndex, key, text);
  });
  if (!host.begin(info.width, info.height, fieldOrder))
    fail(theme.empty() ? "default page" : theme, "the effect refused to start the clip");
  if (!host.loadFailure().empty()) fail(theme, host.loadFailure());

  const size_t frameBytes = static_cast<size_t>(info.width) * info.height * 3;
  const size_t outChannels = options.overlay ? 4 : 3;
  const size_t outBytes = static_cast<size_t>(info.width) * info.height * outChannels;
  const int64_t expected = limit >= 0 ? limit
                           : info.expectedFrames >= 0
                               ? std::max<int64_t>(0, info.expectedFrames - start)
                               : -1;
  Progress progress(!options.quiet, expected);
  RenderPipeline pipeline;
  if (sink->takesAudio())
    source->setAudioHandler([&pipeline](AVPacket* packet) { pipeline.holdAudio(packet); });

  PipelineStages stages;
  int64_t read = 0;
  stages.read = [&](PipelineFrame& frame) {
    if (limit >= 0 && read >= limit) return false;
    // An overlay takes only the source's frame count, not its pictures.
    std::vector<uint8_t>* picture = options.overlay ? nullptr : &frame.picture;
    if (!still && !source->read(picture)) {
      // A single picture lasts as long as the render asks for; anything else ends here.
      if (start + read != 1 || limit < 0) return false;
      still = true;
    }
    if (still)
      frame.picture = in;
    else if (start + read == 0 && picture)
      in = frame.picture;  // the picture to repeat if it turns out to be the only one
    if (picture && frame.picture.size() != frameBytes)
      fail(options.input, "changed its frame size");
    ++read;
    return true;
  };
  stages.compose = [&](int64_t frame, const std::vector<uint8_t>& picture,
                       std::vector<uint8_t>& out) {
    // The effect counts frames in an int, fields in twice as many.
    const int64_t index = start + frame;
    if (index > std::numeric_limits<int>::max())
      fail(options.input, "has more frames than the effect counts");
    out.resize(outBytes);
    const bool drawn =
        options.overlay
            ? host.renderOverlay(static_cast<int>(index), out.data(), info.width * outChannels)
            : host.renderFrame(static_cast<int>(index), picture.data(), info.width * 3u, out.data(),
                               info.width * 3u);
    if (!drawn)
      fail(options.input, "the effect could not compose frame " + std::to_string(index) +
                              " in full (not enough memory for this theme at this size?)");
    progress.update(frame + 1);
  };
  stages.write = [&](const std::vector<uint8_t>& out) { sink->write(out.data()); };
  stages.writeAudio = [&](AVPacket* packet) { sink->writeAudio(packet); };
  const int64_t frames = pipeline.run(stages);
  host.end();
  progress.finish(frames);
  sink->finish();
  return frames;
}

}  // namespace kvxcli
