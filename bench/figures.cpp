#include "bench/figures.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace
{
double NanosecondsPer(benchmark::TimeUnit unit)
{
  switch (unit) {
  case benchmark::kMicrosecond:
    return 1e3;
  case benchmark::kMillisecond:
    return 1e6;
  case benchmark::kSecond:
    return 1e9;
  default:
    return 1;
  }
}

std::string Human(double ns)
{
  char buf[32];
  if (ns >= 1e6)
    std::snprintf(buf, sizeof buf, "%.2f ms", ns / 1e6);
  else if (ns >= 1e3)
    std::snprintf(buf, sizeof buf, "%.2f us", ns / 1e3);
  else
    std::snprintf(buf, sizeof buf, "%.1f ns", ns);
  return buf;
}
} // namespace

TFigureReporter::TFigureReporter()
    : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular)
{
}

void TFigureReporter::ReportRuns(const std::vector<Run>& runs)
{
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    if (run.error_occurred) continue;
    const bool median = run.run_type == Run::RT_Aggregate;
    if (median && run.aggregate_name != "median") continue;
    std::string name = run.run_name.function_name;
    if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
    TFigure& f = figures_[name];
    // With repetitions the median stands for the benchmark; without, its one run does.
    if (f.median && !median) continue;
    f.cpuNs = run.GetAdjustedCPUTime() * NanosecondsPer(run.time_unit);
    f.realNs = run.GetAdjustedRealTime() * NanosecondsPer(run.time_unit);
    const auto bytes = run.counters.find("bytes");
    f.bytes = bytes == run.counters.end() ? 0 : double(bytes->second);
    const auto wait = run.counters.find("longest_wait_ms");
    if (wait != run.counters.end())
      f.longestWaitMs = std::max(f.longestWaitMs, double(wait->second));
    f.median = median;
  }
}

const TFigureReporter::TFigure* TFigureReporter::Find(const std::string& name) const
{
  const auto it = figures_.find(name);
  return it == figures_.end() ? nullptr : &it->second;
}

int TFigureReporter::PrintTable() const
{
  int missing = 0;
  std::printf("\n%-46s %10s %10s %7s  %s\n", "Figure (median)", "CPU time", "wall time", "ratio",
              "target");
  std::printf("%-46s %10s %10s %7s\n", "", "", "", "of CPU");
  auto line = [&](const char* label, const char* name, const char* base, double scale,
                  const char* target) {
    const TFigure* f = Find(name);
    const TFigure* b = base ? Find(base) : nullptr;
    if (!f || (base && !b)) {
      ++missing;
      return;
    }
    char ratio[32] = "";
    if (b && b->cpuNs > 0) std::snprintf(ratio, sizeof ratio, "%.2f", f->cpuNs / b->cpuNs);
    std::printf("%-46s %10s %10s %7s  %s\n", label, Human(f->cpuNs / scale).c_str(),
                Human(f->realNs / scale).c_str(), ratio, target);
  };
  line("Start-up, game (2 players, shown, freed)", "BM_StartupGame", "BM_StartupBaseline", 1,
       "<= 1.10 x baseline");
  line("Start-up, very first (writes both files)", "BM_StartupFirstRun", "BM_StartupBaseline", 1,
       "");
  line("Start-up, plain Qt baseline", "BM_StartupBaseline", nullptr, 1, "");
  line("Start-up resuming a game (2 players, 40 turns)", "BM_StartupResume", "BM_StartupBaseline",
       1, "");
  line("Record: one action written and synced", "BM_RecordWriteAction", nullptr, 1, "");
  line("Record: a die held through the main loop", "BM_RecordHoldInWindow", "BM_SetTextRepaint", 1,
       "");
  line("Start-up with a record of 100,000 games", "BM_StartupRecord100000", "BM_StartupBaseline", 1,
       "<= 1.10 x baseline");
  line("Statistics of 100,000 games, read", "BM_StatisticsRead100000", nullptr, 1, "");
  line("Statistics window, 100,000 games, opened", "BM_StatisticsOpen100000", nullptr, 1,
       "<= 300 ms");
  line("Click on a free cell, main loop's handling", "BM_ClickCell", "BM_SetTextRepaint", 1,
       "<= 100 us");
  line("Click on a free cell, through the button", "BM_ClickCellButton", "BM_SetTextRepaint", 1,
       "<= 100 us");
  line("QPushButton::setText + repaint request", "BM_SetTextRepaint", nullptr, 1, "");
  line("Enter a value and pass the turn (2 players)", "BM_EnterAndPassTurn", "BM_SetTextRepaint", 1,
       "");
  line("Whole one-player game (63 turns)", "BM_WholeGame", "BM_SetTextRepaint", 1, "");
  line("Analysis of a whole game of \"Leicht\"", "BM_AnalyseWholeGame/level:0", nullptr, 1,
       "<= 2 s CPU");
  line("Analysis of a whole game of \"Stark\"", "BM_AnalyseWholeGame/level:2", nullptr, 1, "");
  line("Analysis window, closed after 5 ms", "BM_AnalysisWindowOpenAndClose/close_ms:5", nullptr, 1,
       "");
  line("Analysis window, closed after 300 ms", "BM_AnalysisWindowOpenAndClose/close_ms:300",
       nullptr, 1, "");
  double waited = -1;
  for (const char* name :
       {"BM_AnalysisWindowOpenAndClose/close_ms:5", "BM_AnalysisWindowOpenAndClose/close_ms:300"})
    if (const TFigure* f = Find(name)) waited = std::max(waited, f->longestWaitMs);
  if (waited >= 0)
    std::printf("%-46s %10.1f ms %19s  %s\n", "  the game's loop waited at most", waited, "",
                "<= 50 ms");
  line("Scoring rules, all 46,656 throws, all rows", "BM_ScoringAllThrows", nullptr, 1, "");
  line("  per throw", "BM_ScoringAllThrows", nullptr, 46656, "");

  // The files of one kind side by side, smallest first.
  std::vector<std::pair<std::string, const TFigure*>> files;
  for (const auto& [name, f] : figures_)
    if (name.rfind("BM_ReadScoreFile/", 0) == 0 && f.bytes > 0)
      files.emplace_back(name.substr(sizeof "BM_ReadScoreFile"), &f);
  std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
    const std::string ka = a.first.substr(0, a.first.rfind('_'));
    const std::string kb = b.first.substr(0, b.first.rfind('_'));
    return ka != kb ? ka < kb : a.second->bytes < b.second->bytes;
  });
  if (!files.empty())
    std::printf("\n%-46s %10s %10s\n", "Reading the score file", "CPU time", "per byte");
  for (const auto& [name, f] : files) {
    char perByte[32];
    std::snprintf(perByte, sizeof perByte, "%.2f ns", f->cpuNs / f->bytes);
    std::printf("%-46s %10s %10s\n", name.c_str(), Human(f->cpuNs).c_str(), perByte);
  }
  return missing;
}
