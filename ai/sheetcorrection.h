#pragma once

// A correction of TSheetValue, fitted to the game itself. TSheetValue values each free cell on
// its own, so it misjudges what cells are worth together: the same row free in two or three
// columns competes for the same throws, and a column's pattern bonus hangs on its last free
// cells. The correction adds a linear function of a few such features of the sheet, with weights
// found offline by value iteration: on positions from self-play, the corrected worth of a sheet
// was fitted again and again to what playing one more turn on it is worth (bench/fit_correction).
//
// Features, with f the share of free cells (0 to 1):
//   each free cell: 1, f and f squared;
//   each row free in at least two columns: 1 and f; in all three: 1 and f again;
//   each column's n of a kind, houses and straights whose bonus is still open: one per number of
//   their cells still free.
// With fewer than two free cells the correction is zero, so that the model stays exact with
// one cell left. A level per number of free cells makes the correction average zero over the
// positions it was fitted on, so that the corrected worth stays on the model's scale; a level
// never changes a decision, since every choice of a turn leaves the same number of free cells.

#include "ai/sheetstate.h"

#include <array>
#include <cstddef>
#include <span>
#include <utility>
#include <vector>

struct TEntryGain;

class TSheetCorrection
{
public:
  static constexpr int CELL_FEATURES = 3, ROW_FEATURES = 4;
  static constexpr int FIRST_ROW_FEATURE = SHEET_ROWS * SHEET_COLUMNS * CELL_FEATURES;
  static constexpr int FIRST_BONUS_FEATURE = FIRST_ROW_FEATURE + SHEET_ROWS * ROW_FEATURES;
  static constexpr int FEATURES =
      FIRST_BONUS_FEATURE + SHEET_COLUMNS * (PASCH_ROWS + HOUSE_ROWS + STREET_ROWS);
  static constexpr int MIN_FREE = 2;
  static constexpr int LEVELS = SHEET_ROWS * SHEET_COLUMNS + 1;

  // All zero: no correction.
  TSheetCorrection();
  TSheetCorrection(std::span<const double> weights, std::span<const double> levels);

  // The correction shipped with the game.
  static const TSheetCorrection& Fitted();

  double Value(const TSheetState& sheet) const;
  // Adds to each gain what entering its cell changes the correction by.
  void AddTo(const TSheetState& sheet, std::vector<TEntryGain>& gains) const;

  // The sheet's features (index, value); none with fewer than MIN_FREE free cells.
  static void Features(const TSheetState& sheet, std::vector<std::pair<int, double>>& features);

  const std::vector<double>& Weights() const { return W; }
  const std::vector<double>& Levels() const { return Level; }

private:
  // The terms of a row that is free in k columns, of a bonus section with n cells free.
  double RowTerm(int row, int k, double f) const;
  double BonusTerm(int column, int section, int n) const;
  double CellTerm(int row, int column, double f) const;

  std::vector<double> W;
  std::vector<double> Level; // by free cells
};
