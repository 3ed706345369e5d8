// Pixel engine throughput: i32MergeEx against memcpy of the same bytes, and txMemResize
// against libswscale's bicubic scaler on the same pictures (BGR24, single thread), with
// both resizers' PSNR against a double-precision Lanczos-3 reference.
#include <benchmark/benchmark.h>

extern "C" {
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "compat/resize/resizelib.h"
#include "kvxtheme/bufferlib.h"
#include "pixels/bands/band_pool.h"
#include "support/figures.h"
#include "support/reference_resize.h"
#include "support/test_picture.h"

namespace {

constexpr int kFrameWidth = 1920, kFrameHeight = 1080;

struct ResizeCase {
  const char* name;
  int sourceWidth, sourceHeight, destinationWidth, destinationHeight;
};
constexpr ResizeCase kCases[] = {{"1080to900", 1920, 1080, 1600, 900},
                                 {"576to1080", 720, 576, 1920, 1080}};

struct MergeScene {
  std::vector<uint8_t> frame, layer, mask;
  MergeScene() {
    frame = kvxbench::makeTestPicture(kFrameWidth, kFrameHeight);
    layer.resize(frame.size());
    for (size_t i = 0; i < layer.size(); ++i) layer[i] = static_cast<uint8_t>(i * 7 / 5);
    // Every alpha value occurs, in short runs: no opaque or clear stretch to skip.
    mask.resize(static_cast<size_t>(kFrameWidth) * kFrameHeight);
    for (int y = 0; y < kFrameHeight; ++y)
      for (int x = 0; x < kFrameWidth; ++x)
        mask[static_cast<size_t>(y) * kFrameWidth + x] = static_cast<uint8_t>(x * 3 + y * 5);
  }
};

MergeScene& mergeScene() {
  static MergeScene scene;
  return scene;
}

void BM_MergeEx(benchmark::State& state) {
  MergeScene& scene = mergeScene();
  const Rect32 rect{0, 0, kFrameWidth, kFrameHeight};
  for (auto _ : state) {
    i32MergeEx(scene.frame.data(), kFrameWidth, kFrameHeight, scene.mask.data(), &rect,
               scene.layer.data(), &rect, 3, 1, 0);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * scene.frame.size());
}
BENCHMARK(BM_MergeEx)->Unit(benchmark::kMillisecond);

void BM_Memcpy(benchmark::State& state) {
  MergeScene& scene = mergeScene();
  for (auto _ : state) {
    std::memcpy(scene.frame.data(), scene.layer.data(), scene.frame.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * scene.frame.size());
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

struct Scaler {
  SwsContext* context = nullptr;
  Scaler(const ResizeCase& c) {
    context = sws_alloc_context();
    if (!context) throw std::runtime_error("sws_alloc_context failed");
    av_opt_set_int(context, "srcw", c.sourceWidth, 0);
    av_opt_set_int(context, "srch", c.sourceHeight, 0);
    av_opt_set_int(context, "src_format", AV_PIX_FMT_BGR24, 0);
    av_opt_set_int(context, "dstw", c.destinationWidth, 0);
    av_opt_set_int(context, "dsth", c.destinationHeight, 0);
    av_opt_set_int(context, "dst_format", AV_PIX_FMT_BGR24, 0);
    av_opt_set_int(context, "sws_flags", SWS_BICUBIC, 0);
    av_opt_set_int(context, "threads", 1, 0);
    if (sws_init_context(context, nullptr, nullptr) < 0)
      throw std::runtime_error("sws_init_context failed");
  }
  ~Scaler() { sws_freeContext(context); }
  void scale(const ResizeCase& c, const uint8_t* source, uint8_t* destination) const {
    const uint8_t* sourcePlanes[4] = {source, nullptr, nullptr, nullptr};
    uint8_t* destinationPlanes[4] = {destination, nullptr, nullptr, nullptr};
    const int sourceStrides[4] = {c.sourceWidth * 3, 0, 0, 0};
    const int destinationStrides[4] = {c.destinationWidth * 3, 0, 0, 0};
    sws_scale(context, sourcePlanes, sourceStrides, 0, c.sourceHeight, destinationPlanes,
              destinationStrides);
  }
};

std::vector<uint8_t> destinationFor(const ResizeCase& c) {
  return std::vector<uint8_t>(static_cast<size_t>(c.destinationWidth) * c.destinationHeight * 3);
}

void BM_Resize(benchmark::State& state, const ResizeCase& c) {
  const auto source = kvxbench::makeTestPicture(c.sourceWidth, c.sourceHeight);
  auto destination = destinationFor(c);
  for (auto _ : state) {
    txMemResize(source.data(), 3, c.sourceWidth, c.sourceHeight, destination.data(),
                c.destinationWidth, c.destinationHeight, 4);
    benchmark::ClobberMemory();
  }
}

void BM_Swscale(benchmark::State& state, const ResizeCase& c) {
  const auto source = kvxbench::makeTestPicture(c.sourceWidth, c.sourceHeight);
  auto destination = destinationFor(c);
  const Scaler scaler(c);
  for (auto _ : state) {
    scaler.scale(c, source.data(), destination.data());
    benchmark::ClobberMemory();
  }
}

struct Quality {
  double ours, swscale;
};

Quality measureQuality(const ResizeCase& c) {
  const auto source = kvxbench::makeTestPicture(c.sourceWidth, c.sourceHeight);
  const auto reference = kvxbench::referenceResize(source, c.sourceWidth, c.sourceHeight,
                                                   c.destinationWidth, c.destinationHeight);
  auto ours = destinationFor(c);
  txMemResize(source.data(), 3, c.sourceWidth, c.sourceHeight, ours.data(), c.destinationWidth,
              c.destinationHeight, 4);
  auto theirs = destinationFor(c);
  Scaler(c).scale(c, source.data(), theirs.data());
  return {kvxbench::psnr(ours, reference), kvxbench::psnr(theirs, reference)};
}

}  // namespace

int main(int argc, char** argv) {
  for (const ResizeCase& c : kCases) {
    benchmark::RegisterBenchmark((std::string("BM_Resize/") + c.name).c_str(), BM_Resize, c)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((std::string("BM_Swscale/") + c.name).c_str(), BM_Swscale, c)
        ->Unit(benchmark::kMillisecond);
  }
  // One thread, as the single-threaded contestants run: the CPU time of a banded pass would
  // count only the calling thread's share.
  kvx::bands::setThreadCount(1);
  const auto times = kvxbench::runBenchmarks(argc, argv);

  const double merge = kvxbench::secondsOf(times, "BM_MergeEx");
  const double copy = kvxbench::secondsOf(times, "BM_Memcpy");
  if (merge > 0 && copy > 0) kvxbench::printFigure("merge_vs_memcpy_ratio", copy / merge);

  double worstSpeedRatio = 0, oursTotal = 0, swscaleTotal = 0;
  bool timed = true;
  for (const ResizeCase& c : kCases) {
    const double ours = kvxbench::secondsOf(times, std::string("BM_Resize/") + c.name);
    const double theirs = kvxbench::secondsOf(times, std::string("BM_Swscale/") + c.name);
    if (ours <= 0 || theirs <= 0) {
      timed = false;
      continue;
    }
    const double ratio = theirs / ours;
    kvxbench::printFigure(std::string("resize_vs_swscale_ratio_") + c.name, ratio);
    worstSpeedRatio = worstSpeedRatio == 0 ? ratio : std::min(worstSpeedRatio, ratio);
    const Quality quality = measureQuality(c);
    kvxbench::printFigure(std::string("resize_psnr_db_") + c.name, quality.ours);
    kvxbench::printFigure(std::string("swscale_psnr_db_") + c.name, quality.swscale);
    oursTotal += quality.ours;
    swscaleTotal += quality.swscale;
  }
  if (timed) {
    // The summary lines: the slower case's speed ratio, the mean PSNR of both cases.
    kvxbench::printFigure("resize_vs_swscale_ratio", worstSpeedRatio);
    kvxbench::printFigure("resize_psnr_db", oursTotal / std::size(kCases));
    kvxbench::printFigure("swscale_psnr_db", swscaleTotal / std::size(kCases));
  }
  return 0;
}
