// The console report of a benchmark run, closed by a table of the timing
// targets it was meant to check.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// One timing target, on wall-clock time per iteration. With a reference,
// `subject` must take at most `limit` times as long as `reference`; without
// one, at most `limit` milliseconds. A limit of 0 only shows the figure.
struct TimingTarget {
  std::string label;
  std::string subject;    // benchmark name as registered, without "/real_time"
  std::string reference;  // empty for an absolute limit
  double limit;
};

// The library's console report plus the targets table at the end. Verdicts
// are on wall-clock time; CPU time is shown beside it, since a machine shared
// with other work stretches the first but hardly the second.
class TargetReporter : public benchmark::ConsoleReporter {
 public:
  explicit TargetReporter(std::vector<TimingTarget> targets);
  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

 private:
  std::vector<TimingTarget> targets_;
  struct Times {
    double wallMs;
    double cpuMs;  // as the benchmark measures it: this thread's, or the whole process's
  };
  std::map<std::string, Times> times_;  // per iteration, by registered name
};

// Run the benchmarks registered so far through a TargetReporter; the
// process's exit status (0, or 1 for unknown arguments).
int runBenchmarks(int argc, char** argv, std::vector<TimingTarget> targets);
