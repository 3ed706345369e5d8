// Packing every sample SVG design into a theme: reading the drawing, rendering its layers with
// librsvg, lining up its texts with the engine's and writing the theme file.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "authoring/design_file.h"
#include "support/figures.h"

namespace {

const char* const kDesigns[] = {"title-card", "news-lower-third", "lower-third", "video-window"};

void packSvg(benchmark::State& state, std::string design) {
  const std::filesystem::path source = std::string(KVX_THEMES_SOURCE_DIR) + "/" + design + ".svg";
  const std::filesystem::path output =
      std::filesystem::temp_directory_path() / ("kvx-pack-bench-" + design + ".kvx");
  std::vector<std::string> notes;
  std::string error;
  for (auto _ : state) {
    if (!kvxauthor::packDesign(source, output, {}, &notes, &error)) {
      state.SkipWithError(error.c_str());
      break;
    }
  }
  std::filesystem::remove(output);
}

}  // namespace

int main(int argc, char** argv) {
  for (const char* design : kDesigns)
    benchmark::RegisterBenchmark(("pack_svg_" + std::string(design)).c_str(), packSvg,
                                 std::string(design))
        ->Unit(benchmark::kMillisecond);
  const auto times = kvxbench::runBenchmarks(argc, argv);
  for (const char* design : kDesigns) {
    const auto found = times.find("pack_svg_" + std::string(design));
    if (found == times.end()) continue;
    // The title card is the sample design the figure without a name stands for.
    if (found == times.find("pack_svg_title-card"))
      kvxbench::printFigure("pack_svg_ms", found->second * 1000);
    kvxbench::printFigure(found->first + "_ms", found->second * 1000);
  }
  return 0;
}
