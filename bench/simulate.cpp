// Self-play: the computer player and the greedy yardstick each play one-player games with the
// same fixed seed for the dice; prints the spread of their final totals and the time the
// computer player takes per decision.
//
//   simulate [games] [seed]

#include "ai/greedy.h"
#include "ai/strategy.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace
{
using TClock = std::chrono::steady_clock;

struct TTiming {
  double total = 0, worst = 0;
  long count = 0;
  void Add(TClock::duration d)
  {
    const double ms = std::chrono::duration<double, std::milli>(d).count();
    total += ms;
    worst = std::max(worst, ms);
    ++count;
  }
};

struct TRun {
  std::vector<int> totals;
  TTiming holds, cells;
  bool legal = true;
};

template <class TPlayer> int PlayGame(const TPlayer& player, std::mt19937& rng, TRun& run)
{
  std::uniform_int_distribution<int> die(1, 6);
  TSheetState sheet;
  for (int turn = 0; turn < SHEET_ROWS * SHEET_COLUMNS; ++turn) {
    TFaces dice;
    for (int& face : dice)
      face = die(rng);
    THolds holds{};
    for (int throwsLeft = MAX_THROWS_LEFT; throwsLeft >= 1; --throwsLeft) {
      const auto start = TClock::now();
      holds = player.ChooseHolds(sheet, dice, holds, throwsLeft);
      run.holds.Add(TClock::now() - start);
      if (std::all_of(holds.begin(), holds.end(), [](bool h) { return h; })) break;
      for (size_t i = 0; i < DICE; ++i)
        if (!holds[i]) dice[i] = die(rng);
    }
    const auto start = TClock::now();
    const TCellChoice cell = player.ChooseCell(sheet, dice);
    run.cells.Add(TClock::now() - start);
    if (cell.row < 0 || !sheet.IsFree(cell.row, cell.column)) {
      run.legal = false;
      return sheet.GrandTotal();
    }
    sheet.Enter(cell.row, cell.column, RowPoints(cell.row, dice));
  }
  return sheet.GrandTotal();
}

template <class TPlayer> TRun PlayGames(const TPlayer& player, int games, unsigned seed)
{
  std::mt19937 rng(seed);
  TRun run;
  for (int g = 0; g < games && run.legal; ++g)
    run.totals.push_back(PlayGame(player, rng, run));
  return run;
}

double Mean(const std::vector<int>& v)
{
  return std::accumulate(v.begin(), v.end(), 0.0) / double(v.size());
}

void Report(const char* name, TRun& run)
{
  std::vector<int>& t = run.totals;
  std::sort(t.begin(), t.end());
  const double mean = Mean(t);
  double squares = 0;
  for (int x : t)
    squares += (x - mean) * (x - mean);
  const double sd = std::sqrt(squares / double(t.size()));
  // Nearest-rank percentiles.
  auto pct = [&](double p) {
    const size_t rank = size_t(std::ceil(p / 100.0 * double(t.size())));
    return t[std::clamp<size_t>(rank, 1, t.size()) - 1];
  };
  std::printf("%-9s games %zu  mean %.1f  sd %.1f  min %d  p5 %d  p25 %d  p50 %d  p75 %d  p95 %d  "
              "max %d\n",
              name, t.size(), mean, sd, t.front(), pct(5), pct(25), pct(50), pct(75), pct(95),
              t.back());
}
} // namespace

int main(int argc, char** argv)
{
  const int games = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
  const unsigned seed = argc > 2 ? unsigned(std::strtoul(argv[2], nullptr, 10)) : 20240613u;

  const TStrategy computer;
  const TGreedy greedy;
  TRun strong = PlayGames(computer, games, seed);
  TRun weak = PlayGames(greedy, games, seed);
  if (!strong.legal || !weak.legal) {
    std::fprintf(stderr, "a player chose a cell that was not free\n");
    return 1;
  }
  std::printf("seed %u, std::mt19937 dice\n", seed);
  Report("computer", strong);
  Report("greedy", weak);
  const double ratio = Mean(strong.totals) / Mean(weak.totals);
  std::printf("computer / greedy mean: %.3f\n", ratio);
  std::printf("computer per decision: holds mean %.3f ms, worst %.3f ms; cell mean %.4f ms, worst "
              "%.3f ms\n",
              strong.holds.total / double(strong.holds.count), strong.holds.worst,
              strong.cells.total / double(strong.cells.count), strong.cells.worst);
  return ratio >= 1.25 ? 0 : 2;
}
