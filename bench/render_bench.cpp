// Text and path rendering: a caption that changes every frame, at 1080p caption sizes.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "kvxtheme/bufferlib.h"
#include "kvxtheme/pathlib.h"
#include "kvxtheme/renderlib.h"
#include "support/figures.h"

namespace {

constexpr int kCaptionPixels = 54;  // a caption line on a 1920 × 1080 frame

RenderHandle captionObject() {
  const RenderHandle object = qrCreateTextObjectWithString("Holiday 2024");
  qrSetFontSize(object, kCaptionPixels);
  qrSetAlign(object, 2);
  return object;
}

std::string captionFor(int64_t frame) {
  return "Day " + std::to_string(frame % 7 + 1) + " - walking along the beach at sunset\n" +
         "00:" + std::to_string(10 + frame % 50) + ":" + std::to_string(10 + frame % 49);
}

void renderOnce(RenderHandle object, BufHandle* image, BufHandle* mask) {
  if (!qrRenderObject(object, image, mask, 0, 0, nullptr)) std::abort();
}

void BM_CaptionChangingEveryFrame(benchmark::State& state) {
  const RenderHandle object = captionObject();
  BufHandle image = 0, mask = 0;
  int64_t frame = 0;
  for (auto _ : state) {
    qrSetString(object, captionFor(frame++));
    renderOnce(object, &image, &mask);
  }
  int width = 0, height = 0;
  buf32GetWHU(image, &width, &height, nullptr);
  state.counters["width"] = width;
  state.counters["height"] = height;
  buf32Free(image);
  buf32Free(mask);
  qrDeleteTextPathObject(object);
}
BENCHMARK(BM_CaptionChangingEveryFrame)->UseRealTime();

void BM_CaptionUnchanged(benchmark::State& state) {
  const RenderHandle object = captionObject();
  qrSetString(object, captionFor(0));
  BufHandle image = 0, mask = 0;
  for (auto _ : state) renderOnce(object, &image, &mask);
  buf32Free(image);
  buf32Free(mask);
  qrDeleteTextPathObject(object);
}
BENCHMARK(BM_CaptionUnchanged)->UseRealTime();

// A new object every time: font map, font lookup and layout are all created afresh.
void BM_CaptionNewObject(benchmark::State& state) {
  BufHandle image = 0, mask = 0;
  int64_t frame = 0;
  for (auto _ : state) {
    const RenderHandle object = captionObject();
    qrSetString(object, captionFor(frame++));
    renderOnce(object, &image, &mask);
    qrDeleteTextPathObject(object);
  }
  buf32Free(image);
  buf32Free(mask);
}
BENCHMARK(BM_CaptionNewObject)->UseRealTime();

void BM_StrokedPath(benchmark::State& state) {
  const RenderHandle object = qrCreatePathObject();
  QzPath path;
  path.commands = {{QzPathCommand::Move, {0, 0}},
                   {QzPathCommand::Curve, {400, -100, 800, 300, 1200, 0}},
                   {QzPathCommand::Line, {1200, 200}},
                   {QzPathCommand::Curve, {800, 500, 400, 100, 0, 200}},
                   {QzPathCommand::Close, {}}};
  qrSetQzPath(object, &path);
  QrColorRecord color{};
  const int32_t fields[5] = {kColorRecordSize, 0x00FFFFFF, 200, 0x00000000, 300};
  std::memcpy(color.bytes, fields, sizeof fields);
  qrSetColorValue(object, &color);
  BufHandle image = 0, mask = 0;
  for (auto _ : state) renderOnce(object, &image, &mask);
  buf32Free(image);
  buf32Free(mask);
  qrDeleteTextPathObject(object);
}
BENCHMARK(BM_StrokedPath)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  const auto times = kvxbench::runBenchmarks(argc, argv);
  kvxbench::printFigure("caption_render_ms_per_frame",
                        kvxbench::secondsOf(times, "BM_CaptionChangingEveryFrame") * 1000);
  return 0;
}
