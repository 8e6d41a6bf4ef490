// The console report of a benchmark run, closed by a table of the timing targets.
#include "TargetReport.h"

#include <unistd.h>

#include <cstdio>
#include <ostream>
#include <utility>

TargetReporter::TargetReporter(std::vector<TimingTarget> targets)
    : benchmark::ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular),
      targets_(std::move(targets)) {}

void TargetReporter::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.error_occurred) continue;
    // With repetitions the median stands for the benchmark; otherwise the one run.
    const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    if (run.run_type != Run::RT_Iteration && !median) continue;
    const double toMs = 1e3 / benchmark::GetTimeUnitMultiplier(run.time_unit);
    times_[run.run_name.function_name] = {run.GetAdjustedRealTime() * toMs, run.GetAdjustedCPUTime() * toMs};
  }
  benchmark::ConsoleReporter::ReportRuns(runs);
}

void TargetReporter::Finalize() {
  std::ostream& out = GetOutputStream();
  char line[320];
  std::snprintf(line, sizeof line, "\n%-50s %12s %12s %9s  %-10s %-7s %s\n", "Target", "wall ms", "reference",
                "ratio", "limit", "", "cpu ms (ratio)");
  out << line;
  for (const TimingTarget& target : targets_) {
    const auto subject = times_.find(target.subject);
    const auto reference = times_.find(target.reference);
    const bool relative = !target.reference.empty();
    if (subject == times_.end() || (relative && reference == times_.end())) {
      std::snprintf(line, sizeof line, "%-50s not run\n", target.label.c_str());
      out << line;
      continue;
    }
    const Times& s = subject->second;
    char limit[32] = "";
    char cpu[64];
    double measured = s.wallMs;
    if (relative) {
      const Times& r = reference->second;
      measured = s.wallMs / r.wallMs;
      if (target.limit > 0) std::snprintf(limit, sizeof limit, "<= %gx", target.limit);
      std::snprintf(cpu, sizeof cpu, "%.3f / %.3f (%.2fx)", s.cpuMs, r.cpuMs, s.cpuMs / r.cpuMs);
      std::snprintf(line, sizeof line, "%-50s %12.3f %12.3f %8.2fx  %-10s %-7s %s\n", target.label.c_str(),
                    s.wallMs, r.wallMs, measured, limit,
                    target.limit <= 0          ? ""
                    : measured <= target.limit ? "met"
                                               : "MISSED",
                    cpu);
    } else {
      std::snprintf(limit, sizeof limit, "<= %g ms", target.limit);
      std::snprintf(cpu, sizeof cpu, "%.3f", s.cpuMs);
      std::snprintf(line, sizeof line, "%-50s %12.3f %12s %9s  %-10s %-7s %s\n", target.label.c_str(),
                    s.wallMs, "", "", limit, measured <= target.limit ? "met" : "MISSED", cpu);
    }
    out << line;
  }
  out.flush();
}

int runBenchmarks(int argc, char** argv, std::vector<TimingTarget> targets) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TargetReporter reporter(std::move(targets));
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
