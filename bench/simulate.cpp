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

// What the cells held at the end of the games, for the cell table and for calibrating worths.
struct TCellStats {
  double points[SHEET_ROWS][SHEET_COLUMNS] = {};
  double scored[SHEET_ROWS][SHEET_COLUMNS] = {};
  double counts[NUMBER_ROWS][SHEET_COLUMNS][DICE + 1] = {};
  double numberBonus[SHEET_COLUMNS] = {}, patternBonus[SHEET_COLUMNS][3] = {};
  long games = 0;

  void Add(const TSheetState& sheet)
  {
    ++games;
    for (int c = 0; c < SHEET_COLUMNS; ++c) {
      int numbers = 0;
      for (int r = 0; r < SHEET_ROWS; ++r) {
        const int v = sheet.Cell(r, c);
        points[r][c] += v;
        scored[r][c] += v > 0;
        if (r < NUMBER_ROWS) {
          counts[r][c][v / (r + 1)] += 1;
          numbers += v;
        }
      }
      numberBonus[c] += NumberBonus(numbers) > 0;
      int p = 0;
      for (const TSection& section : SECTIONS) {
        if (!HasPatternBonus(section.kind)) continue;
        int withPoints = 0;
        for (int r = section.firstRow; r < section.firstRow + section.rows; ++r)
          withPoints += sheet.Cell(r, c) > 0;
        patternBonus[c][p++] += PatternBonus(withPoints, section.rows) > 0;
      }
    }
  }

  TWorthTable Worths() const
  {
    TWorthTable table;
    for (int r = 0; r < SHEET_ROWS; ++r)
      for (int c = 0; c < SHEET_COLUMNS; ++c) {
        table.points[size_t(r)][size_t(c)] = points[r][c] / double(games);
        table.scores[size_t(r)][size_t(c)] = scored[r][c] / double(games);
        if (r < NUMBER_ROWS)
          for (int k = 0; k <= DICE; ++k)
            table.counts[size_t(r)][size_t(c)][size_t(k)] = counts[r][c][k] / double(games);
      }
    return table;
  }

  void Print() const
  {
    for (int r = 0; r < SHEET_ROWS; ++r) {
      std::printf("  row %2d", r);
      for (int c = 0; c < SHEET_COLUMNS; ++c)
        std::printf("   %6.2f (%3.0f%%)", points[r][c] / double(games),
                    100 * scored[r][c] / double(games));
      std::printf("\n");
    }
    for (int c = 0; c < SHEET_COLUMNS; ++c)
      std::printf("  column x%d: number bonus %3.0f%%, pattern bonuses %3.0f%% %3.0f%% %3.0f%%\n",
                  c + 1, 100 * numberBonus[c] / double(games),
                  100 * patternBonus[c][0] / double(games), 100 * patternBonus[c][1] / double(games),
                  100 * patternBonus[c][2] / double(games));
  }
};

struct TRun {
  std::vector<int> totals;
  TTiming holds, cells;
  TCellStats stats;
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
  run.stats.Add(sheet);
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

double Binom(int n, int k, double p)
{
  double c = 1;
  for (int i = 0; i < k; ++i)
    c = c * (n - i) / (i + 1);
  return c * std::pow(p, k) * std::pow(1 - p, n - k);
}

int main(int argc, char** argv)
{
  if (argc > 1 && std::string(argv[1]) == "--tune") {
    const int games = std::atoi(argv[2]);
    const double q = std::atof(argv[3]), wum = std::atof(argv[4]), pat = std::atof(argv[5]);
    TWorthTable t = TargetedWorths();
    for (int r = 0; r < SHEET_ROWS; ++r)
      for (int c = 0; c < 3; ++c) {
        if (r < 6)
          for (int k = 0; k <= 6; ++k) t.counts[size_t(r)][size_t(c)][size_t(k)] = Binom(6, k, q);
        if (r >= ROW_WUMMEL && r < ROW_CHANCE) t.points[size_t(r)][size_t(c)] *= wum;
        if (r >= ROW_PASCH && r < ROW_WUMMEL) t.scores[size_t(r)][size_t(c)] = std::min(1.0, t.scores[size_t(r)][size_t(c)] * pat);
      }
    TRun run = PlayGames(TStrategy(t), games, 77u);
    std::printf("q %.2f wum %.2f pat %.2f: mean %.1f\n", q, wum, pat, Mean(run.totals));
    if (argc > 6) run.stats.Print();
    return 0;
  }
  if (argc > 1 && std::string(argv[1]) == "--calibrate") {
    // Worths taken from what the cells held in the previous round's games.
    const int games = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2000;
    TWorthTable table = TargetedWorths();
    for (int round = 0; round < 6; ++round) {
      TRun run = PlayGames(TStrategy(table), games, 1000u + unsigned(round));
      std::printf("round %d: mean %.1f\n", round, Mean(run.totals));
      std::fflush(stdout);
      const TWorthTable seen = run.stats.Worths();
      if (std::getenv("WW_ONLYNUM")) {
        table.counts = seen.counts;
      } else
        table = seen;
      if (round == 5) run.stats.Print();
    }
    return 0;
  }

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
  if (std::getenv("WW_CELLS")) {
    strong.stats.Print();
    weak.stats.Print();
  }
  const double ratio = Mean(strong.totals) / Mean(weak.totals);
  std::printf("computer / greedy mean: %.3f\n", ratio);
  std::printf("computer per decision: holds mean %.3f ms, worst %.3f ms; cell mean %.4f ms, worst "
              "%.3f ms\n",
              strong.holds.total / double(strong.holds.count), strong.holds.worst,
              strong.cells.total / double(strong.cells.count), strong.cells.worst);
  return ratio >= 1.25 ? 0 : 2;
}
