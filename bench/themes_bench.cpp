// Every sample theme and the default page composed through the effect, as a host drives it:
// 1080p and 4K, progressive and interlaced (two fields a frame), with a title on the page, on
// one thread and on every core the process may use. Beside them, the resize passes of a
// frame's two fields with every row they touch in the cache: the bound that composing fields
// band by band approaches.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "host/reference_host.h"
#include "kvxtheme/kvxtheme.h"
#include "pixels/resize/banded_scale.h"
#include "support/figures.h"
#include "support/test_picture.h"

namespace {

// Empty: the default page.
const char* const kThemes[] = {
    "",           "picture-frame",   "lower-third", "holder-ref", "video-window",
    "title-card", "news-lower-third"};

struct Size {
  const char* suffix;
  int width, height;
};
const Size kSizes[] = {{"", 1920, 1080}, {"_4k", 3840, 2160}};

std::string themeName(const std::string& theme) {
  std::string name = theme.empty() ? "default" : theme;
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
}

void composeTheme(benchmark::State& state, std::string theme, Size size, bool interlaced,
                  int threads) {
  kvxthemeSetThreads(threads);
  kvxhost::ReferenceHost host;
  if (!theme.empty()) host.setThemePath(std::string(KVX_THEMES_DIR) + "/" + theme + ".kvx");
  host.setTextSource([](int, const std::string& key, std::string* text) {
    if (key != "SlideShowTitle") return false;
    *text = "Summer 2026";
    return true;
  });
  const auto order =
      interlaced ? kvxhost::FieldOrder::TopFieldFirst : kvxhost::FieldOrder::Progressive;
  if (host.begin(size.width, size.height, order) != 1 || !host.loadFailure().empty()) {
    state.SkipWithError("the theme did not load");
    return;
  }
  const std::vector<uint8_t> source = kvxbench::makeTestPicture(size.width, size.height);
  std::vector<uint8_t> output(source.size());
  const size_t stride = static_cast<size_t>(size.width) * 3;
  int frame = 0;
  host.renderFrame(frame++, source.data(), stride, output.data(), stride);  // builds the layers
  for (auto _ : state) {
    host.renderFrame(frame++, source.data(), stride, output.data(), stride);
    benchmark::ClobberMemory();
  }
  host.end();
}

// A frame's two fields as the default page resizes them: each field's host lines (the first
// field's doubled, the second woven with the first) shrunk to field height, and the field
// stretched back to its own lines, all rows drawn from a few that stay in the cache.
void fieldPassesInCache(benchmark::State& state, Size size) {
  using kvx::resize::BandedScale;
  using kvx::resize::DestinationRows;
  kvxthemeSetThreads(1);
  constexpr int kRing = 16;
  const int width = size.width, lines = size.height, field = size.height / 2;
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  const std::vector<uint8_t> picture = kvxbench::makeTestPicture(width, kRing);
  std::vector<uint8_t> out(rowBytes * kRing);
  std::vector<const uint8_t*> doubled(lines), woven(lines), fieldRows(field);
  std::vector<uint8_t*> outRows(lines);
  for (int i = 0; i < lines; ++i) {
    doubled[i] = picture.data() + (i / 2 % kRing) * rowBytes;
    woven[i] = picture.data() + (i % kRing) * rowBytes;
    outRows[i] = out.data() + (i % kRing) * rowBytes;
  }
  for (int i = 0; i < field; ++i) fieldRows[i] = picture.data() + (i % kRing) * rowBytes;
  DestinationRows shrunk;
  shrunk.rows = outRows.data();
  DestinationRows ownLines;
  ownLines.rows = outRows.data();
  ownLines.rowStep = 2;
  for (auto _ : state) {
    for (const auto* hostLines : {&doubled, &woven}) {
      BandedScale shrink(hostLines->data(), width, lines, width, field, 3);
      BandedScale stretch(fieldRows.data(), width, field, width, lines, 3);
      if (!shrink.valid() || !stretch.valid() || !shrink.scale(0, field, shrunk) ||
          !stretch.scale(0, lines, ownLines)) {
        state.SkipWithError("the passes failed");
        return;
      }
    }
    benchmark::ClobberMemory();
  }
}

// One thread keeps the figures' historical names; more threads add "_threads<N>".
std::string benchmarkName(const std::string& theme, const Size& size, bool interlaced,
                          int threads) {
  return "compose_" + themeName(theme) + size.suffix + (interlaced ? "_interlaced" : "") +
         (threads > 1 ? "_threads" + std::to_string(threads) : "");
}

}  // namespace

int main(int argc, char** argv) {
  kvxthemeSetThreads(0);
  const int cores = kvxthemeThreads();
  std::vector<int> threadCounts{1};
  if (cores > 1) threadCounts.push_back(cores);
  for (const char* theme : kThemes)
    for (const Size& size : kSizes)
      for (bool interlaced : {false, true})
        for (int threads : threadCounts)
          benchmark::RegisterBenchmark(benchmarkName(theme, size, interlaced, threads).c_str(),
                                       composeTheme, std::string(theme), size, interlaced, threads)
              ->Unit(benchmark::kMillisecond)
              ->UseRealTime();
  for (const Size& size : kSizes)
    benchmark::RegisterBenchmark(
        (std::string("compose_field_passes_in_cache") + size.suffix).c_str(), fieldPassesInCache,
        size)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  const auto times = kvxbench::runBenchmarks(argc, argv);
  for (const char* theme : kThemes)
    for (const Size& size : kSizes)
      for (bool interlaced : {false, true}) {
        double single = 0;
        for (int threads : threadCounts) {
          const std::string name = benchmarkName(theme, size, interlaced, threads);
          // Exact names: a prefix would take the interlaced run for the progressive one.
          const auto found = times.find(name);
          if (found == times.end()) continue;
          kvxbench::printFigure(name + "_ms_per_frame", found->second * 1000);
          if (threads == 1)
            single = found->second;
          else if (single > 0 && !interlaced && size.suffix == std::string("_4k"))
            kvxbench::printFigure("compose_" + themeName(theme) + "_4k_parallel_ratio",
                                  found->second / single);
        }
      }
  for (const Size& size : kSizes) {
    const std::string name = std::string("compose_field_passes_in_cache") + size.suffix;
    const auto found = times.find(name);
    if (found != times.end()) kvxbench::printFigure(name + "_ms_per_frame", found->second * 1000);
  }
  kvxbench::printFigure("compose_threads", cores);
  return 0;
}
