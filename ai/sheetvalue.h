#pragma once

// What a sheet is still worth: the points entered, with their bonuses, plus what each free cell
// is likely to add later. A free number cell is worth the points its face is likely to bring
// and its share of the column's chance of reaching 63, 84 or 105; a free pattern cell its likely
// points and its share of the column bonus, which a struck cell loses; everything times the
// column's multiplier. On a full sheet the worth is exactly the grand total. A TSheetCorrection,
// when given, adds what valuing the cells one by one misses.

#include "ai/sheetcorrection.h"
#include "ai/sheetstate.h"

#include <array>
#include <cstddef>
#include <vector>

constexpr int MAX_NUMBER_SUM = 6 * (1 + 2 + 3 + 4 + 5 + 6);

// What a free cell is likely to bring when it is entered later, per row and column.
struct TWorthTable {
  // Expected raw points (for number rows: count times face).
  std::array<std::array<double, SHEET_COLUMNS>, SHEET_ROWS> points{};
  // Chance that the cell ends up with points rather than struck (used for pattern rows).
  std::array<std::array<double, SHEET_COLUMNS>, SHEET_ROWS> scores{};
  // Number rows: chance that the row ends up with 0 to 6 dice of its face.
  std::array<std::array<std::array<double, 7>, SHEET_COLUMNS>, NUMBER_ROWS> counts{};
};

// Worths from turns spent on that cell alone: exact for each row, played for its points, the best
// of numberTries turns for a number row and of patternTries turns for any other row.
TWorthTable TargetedWorths(double numberTries = 1, double patternTries = 1);

// The change of the sheet's worth when one free cell is entered.
struct TEntryGain {
  int row = 0;
  int column = 0;
  int face = 0;                    // number rows: the row's face, else 0
  double perPoint = 0;             // the multiplier
  double ifStruck = 0;             // added when the cell gets 0
  double ifPoints = 0;             // added when the cell gets points (not number rows)
  std::array<double, 7> byCount{}; // number rows: added for 0 to 6 dice of the face

  double Gain(int points) const
  {
    if (face) return perPoint * points + byCount[std::size_t(points / face)];
    return perPoint * points + (points > 0 ? ifPoints : ifStruck);
  }
};

class TSheetValue
{
public:
  // correction, when given, must outlive the model.
  explicit TSheetValue(const TWorthTable& table, const TSheetCorrection* correction = nullptr);

  // Expected grand total at the end of the game.
  double Value(const TSheetState& sheet) const;
  // One entry per free cell, in row order, ×1 column first.
  std::vector<TEntryGain> Gains(const TSheetState& sheet) const;

  const TWorthTable& Table() const { return Worths; }

private:
  // Expected number bonus plus future number points of a column, by free rows and raw sum.
  double NumberFuture(int column, unsigned freeRows, int sum) const;
  double PatternFuture(const TSheetState& sheet, const TSection& section, int column,
                       int skipRow) const;

  TWorthTable Worths;
  const TSheetCorrection* Correction = nullptr;
  // [column][free-row mask][raw sum so far]
  std::vector<double> Numbers;
};
