#include "ai/levels.h"

#include "ai/greedy.h"

#include <cstddef>
#include <limits>

using std::size_t;

namespace
{
// Only breaks ties: far below a point, far above the planner's rounding.
constexpr double TIE_BREAK = 1e-3;

int NumberSum(const TSheetState& sheet, int column)
{
  int sum = 0;
  for (int row = 0; row < NUMBER_ROWS; ++row)
    if (!sheet.IsFree(row, column)) sum += sheet.Cell(row, column);
  return sum;
}

// The free cell that value rates highest; the first in sheet order on a tie.
template <typename TValue> TCellChoice BestFreeCell(const TSheetState& sheet, const TValue& value)
{
  TCellChoice choice;
  double best = -std::numeric_limits<double>::infinity();
  for (int row = 0; row < SHEET_ROWS; ++row)
    for (int column = 0; column < SHEET_COLUMNS; ++column) {
      if (!sheet.IsFree(row, column)) continue;
      const double v = value(row, column);
      if (v > best) {
        best = v;
        choice = {row, column};
      }
    }
  return choice;
}
} // namespace

double ImmediateGain(const TSheetState& sheet, int row, int column, int points)
{
  const double m = Multiplier(column);
  const TSection& section = SectionOf(row);
  if (section.kind == TColumnKind::Point) {
    const int sum = NumberSum(sheet, column);
    return m * (points + NumberBonus(sum + points) - NumberBonus(sum));
  }
  double gain = m * points;
  if (HasPatternBonus(section.kind) && points > 0) {
    bool completes = true;
    for (int r = section.firstRow; r < section.firstRow + section.rows; ++r)
      if (r != row) completes = completes && !sheet.IsFree(r, column) && sheet.Cell(r, column) > 0;
    if (completes) gain += m * PATTERN_BONUS;
  }
  return gain;
}

double CellWorth(int row, int column)
{
  static const TWorthTable table = TargetedWorths();
  return table.points[size_t(row)][size_t(column)] * Multiplier(column);
}

THolds TPlannedPlayer::ChooseHolds(const TSheetState& sheet, const TFaces& dice,
                                   const THolds& holds, int throwsLeft) const
{
  if (throwsLeft < 1 || !ValidDice(dice) || sheet.FreeCount() == 0) return holds;
  const TDiceSets& sets = TDiceSets::Get();
  const int keep = Plan(sheet).BestKeep(sets.IndexOfFaces(dice), throwsLeft,
                                        sets.IndexOf(HeldCounts(dice, holds)));
  return HoldsFor(dice, holds, sets.Counts(keep));
}

const TTurnPlanner& TPlannedPlayer::Plan(const TSheetState& sheet) const
{
  for (int i = 0; i < KEPT_PLANS; ++i)
    if (Planned[size_t(i)] && PlannedSheet[size_t(i)] == sheet) return *Planned[size_t(i)];
  const size_t i = size_t(Oldest);
  Oldest = (Oldest + 1) % KEPT_PLANS;
  Planned[i].emplace(Finals(sheet), MAX_THROWS_LEFT);
  PlannedSheet[i] = sheet;
  return *Planned[i];
}

TCasualPlayer::TCasualPlayer()
{
  CellWorth(0, 0);
}

TCellChoice TCasualPlayer::ChooseCell(const TSheetState& sheet, const TFaces& dice) const
{
  if (!ValidDice(dice)) return {};
  return BestFreeCell(sheet, [&](int row, int column) {
    const int points = RowPoints(row, dice);
    return points > 0 ? points - TIE_BREAK * Multiplier(column) : -CellWorth(row, column);
  });
}

THolds TCasualPlayer::ChooseHolds(const TSheetState& sheet, const TFaces& dice, const THolds& holds,
                                  int throwsLeft) const
{
  if (throwsLeft < 1 || !ValidDice(dice) || sheet.FreeCount() == 0) return holds;
  return HoldsForRow(ChooseCell(sheet, dice).row, dice);
}

TOneTurnPlayer::TOneTurnPlayer()
{
  CellWorth(0, 0);
  ThrowPoints();
}

TCellChoice TOneTurnPlayer::ChooseCell(const TSheetState& sheet, const TFaces& dice) const
{
  if (!ValidDice(dice)) return {};
  return BestFreeCell(sheet, [&](int row, int column) {
    return ImmediateGain(sheet, row, column, RowPoints(row, dice)) -
           TIE_BREAK * CellWorth(row, column);
  });
}

std::vector<double> TOneTurnPlayer::Finals(const TSheetState& sheet) const
{
  const auto& points = ThrowPoints();
  std::vector<double> best(FULL_THROWS, -std::numeric_limits<double>::infinity());
  for (int row = 0; row < SHEET_ROWS; ++row)
    for (int column = 0; column < SHEET_COLUMNS; ++column) {
      if (!sheet.IsFree(row, column)) continue;
      const double worth = TIE_BREAK * CellWorth(row, column);
      // Each row's few distinct points, worked out once.
      double gains[MAX_NUMBER_SUM + 1];
      bool known[MAX_NUMBER_SUM + 1] = {};
      for (size_t i = 0; i < size_t(FULL_THROWS); ++i) {
        const int p = points[i][size_t(row)];
        if (!known[p]) {
          gains[p] = ImmediateGain(sheet, row, column, p) - worth;
          known[p] = true;
        }
        best[i] = std::max(best[i], gains[p]);
      }
    }
  return best;
}

TStarkPlayer::TStarkPlayer(double mostTries, bool deep, int exactStates,
                           const TSheetCorrection* correction)
    : Strategy(mostTries, deep, correction), ExactStates(exactStates)
{
  // Builds the rest of the strategy's tables, and the worths of a fresh sheet's entries, which
  // the first turn of a game then finds ready.
  Plan(TSheetState());
}

bool TStarkPlayer::Exact(const TSheetState& sheet) const
{
  if (sheet == JudgedSheet) return JudgedExact;
  const int free = sheet.FreeCount();
  // A fresh sheet is a new game, whose end will be another; and the memory stays bounded.
  constexpr size_t MOST_REMEMBERED = 200000;
  if (free == SHEET_ROWS * SHEET_COLUMNS || Endgame.States() > MOST_REMEMBERED) Endgame.Forget();
  // Counting is cheap next to working out, and beyond a few free cells always too many.
  constexpr int MOST_FREE = 12;
  JudgedSheet = sheet;
  JudgedExact = ExactStates > 0 && free <= MOST_FREE && Endgame.Within(sheet, size_t(ExactStates));
  return JudgedExact;
}

std::vector<double> TStarkPlayer::Finals(const TSheetState& sheet) const
{
  if (Exact(sheet)) return Endgame.FinalValues(sheet);
  return Strategy.TurnFinals(sheet);
}

std::vector<double> TStarkPlayer::OffsetFinals(const TSheetState& sheet,
                                               const TCellOffsets& offsets) const
{
  if (Exact(sheet)) return Endgame.FinalValues(sheet);
  return Strategy.TurnFinals(sheet, offsets);
}

TCellChoice TStarkPlayer::ChooseCell(const TSheetState& sheet, const TFaces& dice) const
{
  if (!ValidDice(dice) || !Exact(sheet)) return Strategy.ChooseCell(sheet, dice);
  const TEndgame::TCell cell = Endgame.BestCell(sheet, dice);
  return {cell.row, cell.column};
}

double TStarkPlayer::CellValue(const TSheetState& sheet, const TFaces& dice, int row,
                               int column) const
{
  if (!ValidDice(dice) || row < 0 || row >= SHEET_ROWS || column < 0 || column >= SHEET_COLUMNS ||
      !sheet.IsFree(row, column))
    return -std::numeric_limits<double>::infinity();
  if (Exact(sheet)) return Endgame.CellValue(sheet, dice, row, column);
  return Strategy.CellValue(sheet, dice, row, column);
}
