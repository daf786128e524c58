// The computer player's decisions at each strength, and MakePlayer. The first decision of a turn
// plans the whole turn (for "Stark": what entering each free cell is worth, by playing the next
// turn on the sheet it leaves, or the exact rest of the game once that is small enough); the
// turn's other decisions reuse the plan. A fresh player per iteration, made outside the timing,
// makes every timed decision a first one.

#include "ai/levels.h"
#include "ai/player.h"

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

// A sheet at the limit of what the strong player plays exactly: cells freed in an order spread
// over rows and columns, as long as the rest of the game takes at most its limit of sheets.
TSheetState CostliestEndgame()
{
  TSheetState sheet = SheetWith(SHEET_ROWS * SHEET_COLUMNS);
  for (int free = 0; free < SHEET_ROWS * SHEET_COLUMNS; ++free) {
    const int cell = (free * 22) % (SHEET_ROWS * SHEET_COLUMNS);
    TSheetState more = sheet;
    more.Enter(cell / SHEET_COLUMNS, cell % SHEET_COLUMNS, FREE_CELL);
    if (!TEndgame().Within(more, STARK_EXACT_STATES)) break;
    sheet = more;
  }
  return sheet;
}

TLevel LevelOf(const benchmark::State& state)
{
  return TLevel(state.range(0));
}

void BM_MakePlayer(benchmark::State& state)
{
  MakePlayer(LevelOf(state)); // the tables every player shares, built once
  for (auto _ : state)
    benchmark::DoNotOptimize(MakePlayer(LevelOf(state)));
}
BENCHMARK(BM_MakePlayer)->ArgName("level")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void FirstDecision(benchmark::State& state, const TSheetState& sheet)
{
  MakePlayer(LevelOf(state));
  for (auto _ : state) {
    state.PauseTiming();
    const auto player = MakePlayer(LevelOf(state));
    state.ResumeTiming();
    benchmark::DoNotOptimize(player->ChooseHolds(sheet, DICE_SHOWN, THolds{}, MAX_THROWS_LEFT));
  }
}

void BM_ComputerFirstDecision(benchmark::State& state)
{
  FirstDecision(state, SheetWith(int(state.range(1))));
}
// Cells entered: none (prepared by MakePlayer), one (the slowest), 31, 55 and 60.
BENCHMARK(BM_ComputerFirstDecision)
    ->ArgNames({"level", "entered"})
    ->ArgsProduct({{0, 1, 2}, {0, 1, 31, 55, 60}})
    ->Unit(benchmark::kMillisecond);

void BM_ComputerExactEndgame(benchmark::State& state)
{
  static const TSheetState sheet = CostliestEndgame();
  state.counters["free"] = sheet.FreeCount();
  FirstDecision(state, sheet);
}
// "Stark" on a sheet at its limit for exact play, with its exact end-game worked out afresh.
BENCHMARK(BM_ComputerExactEndgame)->ArgName("level")->Arg(2)->Unit(benchmark::kMillisecond);

void BM_ComputerLaterDecisions(benchmark::State& state)
{
  const TSheetState sheet = SheetWith(0);
  const auto player = MakePlayer(LevelOf(state));
  player->ChooseHolds(sheet, DICE_SHOWN, THolds{}, MAX_THROWS_LEFT);
  for (auto _ : state) {
    benchmark::DoNotOptimize(player->ChooseHolds(sheet, DICE_SHOWN, THolds{}, 1));
    benchmark::DoNotOptimize(player->ChooseCell(sheet, DICE_SHOWN));
  }
}
// The second hold decision and the cell choice of a turn, on a fresh sheet.
BENCHMARK(BM_ComputerLaterDecisions)
    ->ArgName("level")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMicrosecond);
} // namespace
