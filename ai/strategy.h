#pragma once

// The computer player. The game asks it two things in a turn: which dice to hold before the
// second and the third throw, and which free cell to enter at the end. Each answer is the
// choice with the best expected worth of the sheet at the end of the game, computed exactly
// over every outcome of the dice thrown again (grouped as multisets). What entering a cell is
// worth is judged by playing the next turn, exactly in the same way, on the sheet it leaves,
// with the free cells then valued by TSheetValue and its fitted correction (TSheetCorrection).
//
// The game passes everything in; the only thing kept between calls is those worths for the
// last sheet asked about, which the three decisions of a turn share. So one object serves one
// thread at a time.

#include "ai/sheetvalue.h"
#include "ai/turnplanner.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

using THolds = std::array<bool, DICE>; // die 1 first, true = held
// Something added to the worth of entering each cell, whatever its points: by row, then column.
using TCellOffsets = std::array<double, SHEET_ROWS * SHEET_COLUMNS>;

struct TCellChoice {
  int row = -1;    // 0 to 20, in sheet order; -1 when no cell is free
  int column = -1; // 0 to 2: the ×1, ×2 and ×3 columns
};

constexpr double DEFAULT_MOST_TRIES = 5;

class TStrategy
{
public:
  // A free cell is valued as the best of several turns spent on it: about mostTries at the start
  // of a game (fewer for number rows, more for the others), fewer as the free cells run out,
  // one for the last cell.
  // deep false judges entries by TSheetValue alone, without playing the next turn: far
  // quicker and a little weaker, for comparison in self-play.
  // correction corrects TSheetValue (null: none) and must outlive the strategy; the fitted one
  // by default.
  explicit TStrategy(double mostTries = DEFAULT_MOST_TRIES, bool deep = true,
                     const TSheetCorrection* correction = &TSheetCorrection::Fitted());

  // The dice to hold before the next throw, with throwsLeft (1 or 2) throws still allowed;
  // the current holds win a tie. All six held means that throwing again is pointless and the
  // turn should go on to the cell. With no throws left the holds come back unchanged.
  THolds ChooseHolds(const TSheetState& sheet, const TFaces& dice, const THolds& holds,
                     int throwsLeft) const;
  // The free cell to enter with these dice.
  TCellChoice ChooseCell(const TSheetState& sheet, const TFaces& dice) const;
  // Expected final total when these dice are entered in this free cell, as ChooseCell weighs it.
  double CellValue(const TSheetState& sheet, const TFaces& dice, int row, int column) const;

  // Expected worth of the sheet at the end of the game when these dice are held and the others
  // thrown again (throwsLeft 1 or 2; 0: entering the dice now in the best cell).
  double HoldValue(const TSheetState& sheet, const TFaces& dice, const THolds& holds,
                   int throwsLeft) const;
  // Expected grand total at the end of the game from this sheet, before the next turn's throw.
  double Value(const TSheetState& sheet) const { return ModelFor(sheet).Value(sheet); }
  // Worth of ending the turn with each throw of six dice (TDiceSets ordinal), on which every
  // decision of the turn is planned.
  std::vector<double> TurnFinals(const TSheetState& sheet) const { return FinalValues(sheet); }
  // The same for the cell that ChooseCell enters with each throw, with an offset on each cell's
  // entry: the game analysis judges Stark's own choices so, calibrated by the cell entered.
  std::vector<double> TurnFinals(const TSheetState& sheet, const TCellOffsets& offsets) const;
  // Expected final total when the next turn starts from this sheet and is played on the model
  // alone, exactly over every throw.
  double NextTurnValue(const TSheetState& sheet) const;
  // A sheet's worth just after an entry, as the turn that made the entry judged it: by the model
  // for one free cell more.
  double ValueAfterEntry(const TSheetState& sheet) const;

private:
  // Worth of ending the turn with each throw of six dice, by TDiceSets ordinal.
  std::vector<double> FinalValues(const TSheetState& sheet) const;
  // The same by TSheetValue alone.
  std::vector<double> ModelFinalValues(const TSheetState& sheet) const;

  const TSheetValue& ModelFor(const TSheetState& sheet) const;
  // One per free cell: what entering it adds to the expected final total, for any points.
  const std::vector<TEntryGain>& EntryGains(const TSheetState& sheet) const;

  bool Deep = true;
  mutable TSheetState CachedSheet;
  mutable std::vector<TEntryGain> CachedGains;
  mutable bool Cached = false;

  // By the number of free cells, 0 to 63.
  std::shared_ptr<const std::vector<TSheetValue>> Models;
};

// The dice to hold for a kept multiset: dice held already stay held first.
THolds HoldsFor(const TFaces& dice, const THolds& holds, const TCounts& keep);
TCounts HeldCounts(const TFaces& dice, const THolds& holds);
// Six faces from 1 to 6.
bool ValidDice(const TFaces& dice);

// Raw points of each of the 462 throws (by TDiceSets ordinal) in each row.
const std::vector<std::array<int, SHEET_ROWS>>& ThrowPoints();

// For each row, the throws of six dice (by ordinal) that score in it, with their points (number
// rows: the dice of the face), and those that miss it.
struct TRowThrows {
  std::vector<std::pair<int, int>> hits;
  std::vector<int> misses;
};
const std::array<TRowThrows, SHEET_ROWS>& RowThrows();

// Folds one free cell into the best worth of each throw (by ordinal): hit(points) for the
// throws that score in its row, missed for the others. When scoring in the cell is never worth
// less than missed (dominated), missed goes into one floor under every throw instead, to be
// applied at the end: a throw that scores has the cell's own better worth on offer, so no
// maximum changes, and the throws that miss need no pass of their own.
template <class THit>
void FoldCell(std::vector<double>& best, double& floor, int row, THit hit, double missed,
              bool dominated)
{
  const TRowThrows& throws = RowThrows()[std::size_t(row)];
  for (const auto& [i, points] : throws.hits)
    best[std::size_t(i)] = std::max(best[std::size_t(i)], hit(points));
  if (throws.misses.empty()) return;
  if (dominated)
    floor = std::max(floor, missed);
  else
    for (int i : throws.misses)
      best[std::size_t(i)] = std::max(best[std::size_t(i)], missed);
}
