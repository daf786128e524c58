#pragma once

// What the computer player knows of one player's sheet: for each of the 21 rows and three
// multiplier columns whether the cell is free and, once entered, its raw points. The bonuses
// follow from the cells, so nothing else is kept. The game fills this from its cells before it
// asks for a decision; the self-play program keeps one per game.

#include "sheet/kinds.h"
#include "sheet/rules.h"

#include <array>
#include <cstddef>

constexpr int SHEET_ROWS = 21;
constexpr int SHEET_COLUMNS = 3;
constexpr int FREE_CELL = -1;

// Rows in sheet order, top to bottom: "1er".."6er", the three "Pasch" rows, the three houses,
// the six straights, the two "Wummel" rows and "Chance".
constexpr int ROW_NUMBERS = 0, ROW_PASCH = 6, ROW_HOUSES = 9, ROW_STREETS = 12, ROW_WUMMEL = 18,
              ROW_CHANCE = 20;

struct TSection {
  TColumnKind kind;
  int firstRow;
  int rows;
};

// The six scoring sections, in sheet order.
extern const std::array<TSection, 6> SECTIONS;

// The section that holds a row (0 to 20).
const TSection& SectionOf(int row);
bool HasPatternBonus(TColumnKind kind);

// Raw points that a throw scores in a row, before the multiplier.
int RowPoints(int row, const TFaces& faces);

inline int Multiplier(int column)
{
  return column + 1;
}

class TSheetState
{
public:
  TSheetState();

  // FREE_CELL or the raw points entered (0 for a struck cell).
  int Cell(int row, int column) const { return Cells[std::size_t(row)][std::size_t(column)]; }
  bool IsFree(int row, int column) const { return Cell(row, column) == FREE_CELL; }
  void Enter(int row, int column, int points)
  {
    Cells[std::size_t(row)][std::size_t(column)] = points;
  }
  int FreeCount() const;
  bool operator==(const TSheetState&) const = default;

  // What the totals section shows for a column: the multiplier times the column's cells, its
  // number bonus and its pattern bonuses. Free cells count nothing.
  int ColumnTotal(int column) const;
  int GrandTotal() const;

private:
  std::array<std::array<int, SHEET_COLUMNS>, SHEET_ROWS> Cells;
};
