// A 1920 × 1080 picture mapped onto four corners (bilinear, one thread), against ffmpeg's
// perspective filter doing the same map of the same-sized frame, measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "pixels/bands/band_pool.h"
#include "pixels/transform/quad_map.h"
#include "support/figures.h"
#include "support/test_picture.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;
// Top-left, top-right, bottom-right, bottom-left: a perspective quad whose box is the frame.
constexpr int32_t kCorners[8] = {0, 60, 1860, 0, 1920, 1080, 80, 1000};
constexpr int kFfmpegFrames = 100;

// The same quad from a picture of state.range(0) × state.range(1). A small one stays in the
// cache: its figure is the sampler's arithmetic alone, steady where memory is shared.
void BM_MapOntoQuad(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const std::vector<uint8_t> picture = kvxbench::makeTestPicture(width, height);
  const auto placement = kvx::transform::placeOnCorners(kCorners);
  if (!placement) {
    state.SkipWithError("corners refused");
    return;
  }
  std::vector<uint8_t> mapped(size_t(placement->width) * placement->height * 3);
  for (auto _ : state) {
    kvx::transform::mapOntoQuad(
        *placement, kvx::pixels::packedView(picture.data(), width, height),
        kvx::pixels::packedView(mapped.data(), placement->width, placement->height));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MapOntoQuad)
    ->Args({kWidth, kHeight})
    ->Args({kWidth / 3, kHeight / 3})
    ->Unit(benchmark::kMillisecond);

// User CPU seconds ffmpeg reports (-benchmark, at its default log level) for kFfmpegFrames planar
// RGB frames through `filter`, one thread.
double ffmpegSeconds(const std::string& filter) {
  const std::string command =
      "ffmpeg -nostdin -hide_banner -benchmark -threads 1 -filter_threads 1 -f lavfi -i "
      "testsrc2=size=" +
      std::to_string(kWidth) + "x" + std::to_string(kHeight) + ":rate=25,format=gbrp -vf '" +
      filter + "' -frames:v " + std::to_string(kFfmpegFrames) + " -f null - 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return 0;
  char line[256];
  double seconds = 0;
  while (std::fgets(line, sizeof(line), pipe)) std::sscanf(line, "bench: utime=%lfs", &seconds);
  pclose(pipe);
  return seconds;
}

// The perspective filter's own share: the same graph without it is subtracted.
double ffmpegPerspectiveMilliseconds() {
  std::string corners;
  // perspective takes top-left, top-right, bottom-left, bottom-right.
  for (int i : {0, 1, 3, 2})
    corners += std::to_string(kCorners[2 * i]) + ":" + std::to_string(kCorners[2 * i + 1]) + ":";
  const double with =
      ffmpegSeconds("perspective=" + corners + "interpolation=linear:sense=destination");
  const double without = ffmpegSeconds("null");
  if (with <= 0 || with <= without) return 0;
  return (with - without) * 1000 / kFfmpegFrames;
}

}  // namespace

int main(int argc, char** argv) {
  // One thread, as the single-threaded contestants run: the CPU time of a banded pass would
  // count only the calling thread's share.
  kvx::bands::setThreadCount(1);
  const auto times = kvxbench::runBenchmarks(argc, argv);
  const double ours =
      kvxbench::secondsOf(times, "BM_MapOntoQuad/" + std::to_string(kWidth) + "/") * 1000;
  if (ours <= 0) return 0;
  kvxbench::printFigure("transform_ms_per_frame", ours);
  const double inCache =
      kvxbench::secondsOf(times, "BM_MapOntoQuad/" + std::to_string(kWidth / 3) + "/") * 1000;
  if (inCache > 0) kvxbench::printFigure("transform_source_in_cache_ms_per_frame", inCache);
  const double ffmpeg = ffmpegPerspectiveMilliseconds();
  if (ffmpeg <= 0) {
    std::printf("ffmpeg_perspective_ms_per_frame unavailable\n");
    return 0;
  }
  kvxbench::printFigure("ffmpeg_perspective_ms_per_frame", ffmpeg);
  kvxbench::printFigure("transform_vs_ffmpeg_ratio", ffmpeg / ours);
  return 0;
}
