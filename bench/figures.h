#pragma once

// Collects what the benchmarks measured and prints, after the usual console report, the short
// table of figures and ratios that bench.sh shows: every ratio is taken between two
// benchmarks of the same run, since an absolute time on a shared machine says little.

#include <benchmark/benchmark.h>

#include <map>
#include <string>

class TFigureReporter : public benchmark::ConsoleReporter
{
public:
  // Colours only on a terminal, so that a saved report stays plain text.
  TFigureReporter();
  void ReportRuns(const std::vector<Run>& runs) override;
  // Prints the table; returns the number of figures missing from the run.
  int PrintTable() const;

private:
  struct TFigure {
    double cpuNs = 0;
    double realNs = 0;
    double bytes = 0;
    double longestWaitMs = -1; // the longest wait of the game's loop, where measured
    bool median = false;
  };
  std::map<std::string, TFigure> figures_;
  const TFigure* Find(const std::string& name) const;
};
