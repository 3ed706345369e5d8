#include "support/figures.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace kvxbench {
namespace {

// Runs repeated unless the command line says otherwise: on a machine whose memory other
// tenants share, one run of a frame-sized benchmark can stray by a fifth, the median of five
// by a few percent.
constexpr const char* kRepetitions = "--benchmark_repetitions=5";

class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  // Colour only on a terminal: a script reading the figures gets plain lines.
  explicit RecordingReporter(std::map<std::string, double>* times)
      : ConsoleReporter(isatty(fileno(stdout)) ? OO_Defaults : OO_Tabular), times_(times) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.iterations <= 0) continue;
      // Work spread over threads is timed by the clock on the wall, under the plain name.
      const bool wall = run.run_name.time_type == "real_time";
      const double seconds =
          (wall ? run.real_accumulated_time : run.cpu_accumulated_time) / run.iterations;
      benchmark::BenchmarkName name = run.run_name;
      name.time_type.clear();
      // A single run, or the median of repeated ones.
      if (run.run_type == Run::RT_Iteration && run.repetitions <= 1)
        (*times_)[name.str()] = seconds;
      else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
        (*times_)[name.str()] = seconds;
    }
    ConsoleReporter::ReportRuns(runs);
  }

 private:
  std::map<std::string, double>* times_;
};

}  // namespace

std::map<std::string, double> runBenchmarks(int argc, char** argv) {
  std::vector<char*> arguments(argv, argv + argc);
  bool repetitionsGiven = false;
  for (char* argument : arguments)
    repetitionsGiven |= std::strncmp(argument, "--benchmark_repetitions", 23) == 0;
  std::string repetitions = kRepetitions, aggregatesOnly = "--benchmark_display_aggregates_only";
  if (!repetitionsGiven) {
    arguments.push_back(repetitions.data());
    arguments.push_back(aggregatesOnly.data());
  }
  int count = static_cast<int>(arguments.size());
  std::map<std::string, double> times;
  benchmark::Initialize(&count, arguments.data());
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
