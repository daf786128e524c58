// The computer player's decisions. The first decision of a turn works out what entering each
// free cell is worth by playing the next turn on the sheet it leaves; the turn's other decisions
// reuse those worths. A fresh TStrategy per iteration makes every timed decision a first one.

#include "ai/strategy.h"

#include <benchmark/benchmark.h>
#include <random>

namespace
{
const TFaces DICE_SHOWN = {2, 5, 5, 1, 6, 5};

// A sheet with `entered` cells filled with plausible points, the same for every run.
TSheetState SheetWith(int entered)
{
  TSheetState sheet;
  std::mt19937 rng(entered);
  std::uniform_int_distribution<int> face(1, 6);
  while (SHEET_ROWS * SHEET_COLUMNS - sheet.FreeCount() < entered) {
    const int row = int(rng() % SHEET_ROWS), column = int(rng() % SHEET_COLUMNS);
    if (!sheet.IsFree(row, column)) continue;
    TFaces dice;
    for (int& f : dice)
      f = face(rng);
    sheet.Enter(row, column, RowPoints(row, dice));
  }
  return sheet;
}

void BM_ComputerFirstDecision(benchmark::State& state)
{
  const TSheetState sheet = SheetWith(int(state.range(0)));
  const bool deep = state.range(1) != 0;
  const TStrategy warm(DEFAULT_MOST_TRIES, deep); // shared tables built outside the timing
  for (auto _ : state) {
    const TStrategy strategy(DEFAULT_MOST_TRIES, deep);
    benchmark::DoNotOptimize(strategy.ChooseHolds(sheet, DICE_SHOWN, THolds{}, MAX_THROWS_LEFT));
  }
}
// Cells entered: none (the game's slowest decision), 31 and 60; next turn weighed or not.
BENCHMARK(BM_ComputerFirstDecision)
    ->ArgNames({"entered", "deep"})
    ->Args({0, 1})
    ->Args({31, 1})
    ->Args({60, 1})
    ->Args({0, 0})
    ->Unit(benchmark::kMillisecond);

void BM_ComputerLaterDecisions(benchmark::State& state)
{
  const TSheetState sheet = SheetWith(0);
  const TStrategy strategy;
  strategy.ChooseHolds(sheet, DICE_SHOWN, THolds{}, MAX_THROWS_LEFT);
  for (auto _ : state) {
    benchmark::DoNotOptimize(strategy.ChooseHolds(sheet, DICE_SHOWN, THolds{}, 1));
    benchmark::DoNotOptimize(strategy.ChooseCell(sheet, DICE_SHOWN));
  }
}
// The second hold decision and the cell choice of a turn, on a fresh sheet.
BENCHMARK(BM_ComputerLaterDecisions)->Unit(benchmark::kMicrosecond);
} // namespace
