#include "support/figures.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

namespace kvxbench {
namespace {

class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  explicit RecordingReporter(std::map<std::string, double>* times) : times_(times) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.iterations > 0 && run.run_type == Run::RT_Iteration)
        (*times_)[run.benchmark_name()] = run.cpu_accumulated_time / run.iterations;
    }
    ConsoleReporter::ReportRuns(runs);
  }

 private:
  std::map<std::string, double>* times_;
};

}  // namespace

std::map<std::string, double> runBenchmarks(int argc, char** argv) {
  std::map<std::string, double> times;
  benchmark::Initialize(&argc, argv);
  RecordingReporter reporter(&times);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return times;
}

double secondsOf(const std::map<std::string, double>& times, const std::string& prefix) {
  for (const auto& [name, seconds] : times)
    if (name.rfind(prefix, 0) == 0) return seconds;
  return 0;
}

void printFigure(const std::string& name, double value) {
  std::printf("%s %.3f\n", name.c_str(), value);
  std::fflush(stdout);
}

}  // namespace kvxbench
