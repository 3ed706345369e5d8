#pragma once
// Runs the registered benchmarks with Google Benchmark's console table and keeps each one's
// CPU time per iteration (steadier than wall time on a shared machine), the median of five
// repetitions unless the command line asks for others, so that a bench can print comparison
// figures as "name value" lines after the table.
#include <map>
#include <string>

namespace kvxbench {

// Runs every benchmark selected on the command line; returns CPU seconds per iteration by
// benchmark name.
std::map<std::string, double> runBenchmarks(int argc, char** argv);

// Seconds per iteration of the first benchmark whose name starts with `prefix`, or 0.
double secondsOf(const std::map<std::string, double>& times, const std::string& prefix);

// Prints one "name value" line.
void printFigure(const std::string& name, double value);

}  // namespace kvxbench
