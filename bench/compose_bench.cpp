// A themed 1920 × 1080 frame composed by the effect, against ffmpeg's filter graph doing the
// same work (scale into a placeholder, pad, two full-frame overlays, a text with a shadow),
// both single-threaded, measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "compat/win32/module_directory.h"
#include "compose/clip_state.h"
#include "compose/compose_frame.h"
#include "document/theme_document.h"
#include "effect/default_page.h"
#include "support/figures.h"
#include "support/test_picture.h"
#include "support/video_writer.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

ThemeObject* addObject(ThemeDocument& document, const char* name) {
  document.objects.push_back(std::make_unique<ThemeObject>());
  ThemeObject* object = document.objects.back().get();
  copyToField(object->name, sizeof(object->name), name);
  return object;
}

ThemeObject* addText(ThemeDocument& document, const char* name, const char* text, int x, int y,
                     int alignment) {
  ThemeObject* object = addObject(document, name);
  object->createText(text, x, y);
  object->renderObject->state.font.logFont.lfHeight = -kHeight / 15;
  object->renderObject->state.alignment = alignment;
  QrColorRecord colour;
  makeDefaultColorRecord(&colour);
  const int32_t white = 0xFFFFFF;
  std::memcpy(colour.bytes + 4, &white, 4);
  object->setColor(&colour);
  object->shadowEnabled = 1;
  object->shadowParams.offsetX = object->shadowParams.offsetY = 4;
  object->needsRender = 1;
  object->render();
  return object;
}

// Six layers: a full-frame picture with a soft-edged mask, the placeholder, two texts with
// their shadows.
std::unique_ptr<ThemeDocument> sixLayerTheme() {
  auto document = std::make_unique<ThemeDocument>();
  document->pageWidth = kWidth;
  document->pageHeight = kHeight;
  addText(*document, "SlideShowTitle", "Summer 2026", kWidth / 20, kHeight * 5 / 6, 0);
  addText(*document, "DateTaken", "2026-07-14", kWidth * 19 / 20, kHeight / 20, 1);
  ThemeObject* frame = addObject(*document, "frame");
  frame->width = kWidth;
  frame->height = kHeight;
  const uint32_t tint = 0x804020;
  frame->imageBuffer = kvx::pixels::makeFilledBuffer(24, kWidth, kHeight, tint);
  frame->maskBuffer = kvx::pixels::makeBuffer(8, kWidth, kHeight);
  std::vector<uint8_t> mask(kWidth * kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const int edge = std::min(std::min(x, kWidth - 1 - x), std::min(y, kHeight - 1 - y));
      mask[y * kWidth + x] = static_cast<uint8_t>(edge < 160 ? 255 - edge * 255 / 160 : 102);
    }
  kvx::pixels::writeRect(*frame->maskBuffer, 0, 0, kWidth, kHeight, mask.data());
  ThemeObject* placeholder = addObject(*document, "placeholder");
  placeholder->width = kWidth * 5 / 6 / 2 * 2;
  placeholder->height = kHeight * 5 / 6 / 2 * 2;
  placeholder->x = (kWidth - placeholder->width) / 2;
  placeholder->y = (kHeight - placeholder->height) / 2;
  const uint32_t white = 0xFFFFFF, opaque = 255;
  placeholder->imageBuffer =
      kvx::pixels::makeFilledBuffer(24, placeholder->width, placeholder->height, white);
  placeholder->maskBuffer =
      kvx::pixels::makeFilledBuffer(8, placeholder->width, placeholder->height, opaque);
  return document;
}

std::unique_ptr<ThemeDocument> defaultPage() {
  auto document = std::make_unique<ThemeDocument>();
  BuildDefaultPage(document.get(), kWidth, kHeight);
  return document;
}

struct Source {
  std::vector<uint8_t> pixels = kvxbench::makeTestPicture(kWidth, kHeight);
  std::vector<uint8_t> output = std::vector<uint8_t>(pixels.size());
};

Source& source() {
  static Source instance;
  return instance;
}

// One frame through composeFrame: progressive, or its two fields.
void composeOne(ClipState& clip, int frameIndex, bool interlaced) {
  Source& s = source();
  static std::vector<unsigned char*> sourceRows, outputRows;
  if (!interlaced) {
    sourceRows.resize(kHeight);
    outputRows.resize(kHeight);
    for (int y = 0; y < kHeight; ++y) {
      sourceRows[y] = s.pixels.data() + y * kWidth * 3;
      outputRows[y] = s.output.data() + y * kWidth * 3;
    }
    composeFrame(clip, sourceRows.data(), outputRows.data(), kHeight, kWidth, frameIndex, 0);
    return;
  }
  sourceRows.resize(kHeight / 2);
  outputRows.resize(kHeight / 2);
  for (int parity : {0, 1}) {
    for (int y = 0; y < kHeight / 2; ++y) {
      sourceRows[y] = s.pixels.data() + (2 * y + parity) * kWidth * 3;
      outputRows[y] = s.output.data() + (2 * y + parity) * kWidth * 3;
    }
    composeFrame(clip, sourceRows.data(), outputRows.data(), kHeight / 2, kWidth, frameIndex,
                 parity == 0 ? 1 : 2);
  }
}

template <std::unique_ptr<ThemeDocument> (*Make)(), bool Interlaced>
void BM_Compose(benchmark::State& state) {
  std::unique_ptr<ThemeDocument> document = Make();
  ClipState clip(*document);
  clip.buildLayers(kWidth, Interlaced ? kHeight / 2 : kHeight);
  int frame = 0;
  for (auto _ : state) {
    composeOne(clip, frame++, Interlaced);
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_Compose<sixLayerTheme, false>)
    ->Name("BM_ComposeTheme/progressive")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Compose<sixLayerTheme, true>)
    ->Name("BM_ComposeTheme/interlaced")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Compose<defaultPage, false>)
    ->Name("BM_ComposeDefault/progressive")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Compose<defaultPage, true>)
    ->Name("BM_ComposeDefault/interlaced")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// A full-frame "video" layer playing a sequential 1080p H.264 clip, against the same page with
// a still picture in its place: the difference is the decode and one row copy per frame.
constexpr int kVideoFrames = 50;

const std::string& benchVideo() {
  static const std::string name = [] {
    const std::string file = "kvx-bench-1080p.mp4";
    kvxvideo::VideoWriterOptions options;
    options.codecOptions = "preset=veryfast:crf=20";
    kvxvideo::VideoWriter writer;
    if (!writer.open(cachedModuleDirectory() + file, kWidth, kHeight, options)) return file;
    std::vector<uint8_t> picture = kvxbench::makeTestPicture(kWidth, kHeight);
    for (int frame = 0; frame < kVideoFrames; ++frame) {
      for (size_t i = 0; i < picture.size(); i += 97) picture[i] += 3;  // keep it moving
      writer.writeFrame(picture.data(), kWidth * 3);
    }
    writer.finish();
    return file;
  }();
  return name;
}

template <bool WithVideo>
void BM_ComposeVideoLayer(benchmark::State& state) {
  auto document = std::make_unique<ThemeDocument>();
  document->pageWidth = kWidth;
  document->pageHeight = kHeight;
  ThemeObject* video = addObject(*document, WithVideo ? "video" : "still");
  video->width = kWidth;
  video->height = kHeight;
  video->linkText = benchVideo();
  const uint32_t grey = 0x808080, opaque = 255;
  video->imageBuffer = kvx::pixels::makeFilledBuffer(24, kWidth, kHeight, grey);
  video->maskBuffer = kvx::pixels::makeFilledBuffer(8, kWidth, kHeight, opaque);
  ClipState clip(*document);
  clip.buildLayers(kWidth, kHeight);
  int frame = 0;
  for (auto _ : state) {
    composeOne(clip, frame++ % kVideoFrames, false);
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_ComposeVideoLayer<true>)
    ->Name("BM_ComposeVideoLayer/with_video")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComposeVideoLayer<false>)
    ->Name("BM_ComposeVideoLayer/without_video")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// ffmpeg's figure for the same work, from the shared script.
double ffmpegMilliseconds() {
  std::string script = std::string(KVX_SHARED_BENCH_DIR) + "/ffmpeg-theme-graph.sh";
  std::string command = "bash '" + script + "' 1920 1080 100 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return 0;
  char line[256];
  double value = 0;
  while (std::fgets(line, sizeof(line), pipe))
    std::sscanf(line, "ffmpeg_graph_ms_per_frame %lf", &value);
  pclose(pipe);
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  const auto times = kvxbench::runBenchmarks(argc, argv);
  const double compose = kvxbench::secondsOf(times, "BM_ComposeTheme/progressive") * 1000;
  if (compose <= 0) return 0;
  kvxbench::printFigure("compose_ms_per_frame", compose);
  kvxbench::printFigure("compose_interlaced_ms_per_frame",
                        kvxbench::secondsOf(times, "BM_ComposeTheme/interlaced") * 1000);
  const double withVideo = kvxbench::secondsOf(times, "BM_ComposeVideoLayer/with_video") * 1000;
  const double withoutVideo =
      kvxbench::secondsOf(times, "BM_ComposeVideoLayer/without_video") * 1000;
  if (withVideo > 0 && withoutVideo > 0)
    kvxbench::printFigure("video_layer_cost_ms_per_frame", withVideo - withoutVideo);
  const double ffmpeg = ffmpegMilliseconds();
  if (ffmpeg > 0) {
    kvxbench::printFigure("ffmpeg_graph_ms_per_frame", ffmpeg);
    kvxbench::printFigure("compose_vs_ffmpeg_ratio", ffmpeg / compose);
  } else {
    std::printf("ffmpeg_graph_ms_per_frame unavailable\n");
  }
  return 0;
}
