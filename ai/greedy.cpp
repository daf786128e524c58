#include "ai/greedy.h"

#include <cstddef>

using std::size_t;

TCellChoice TGreedy::ChooseCell(const TSheetState& sheet, const TFaces& dice) const
{
  TCellChoice choice;
  int best = -1;
  for (int row = 0; row < SHEET_ROWS; ++row)
    for (int column = 0; column < SHEET_COLUMNS; ++column) {
      if (!sheet.IsFree(row, column)) continue;
      const int points = RowPoints(row, dice) * Multiplier(column);
      if (points > best) {
        best = points;
        choice = {row, column};
      }
    }
  return choice;
}

THolds TGreedy::ChooseHolds(const TSheetState& sheet, const TFaces& dice, const THolds& holds,
                            int throwsLeft) const
{
  const TCellChoice cell = ChooseCell(sheet, dice);
  if (throwsLeft < 1 || cell.row < 0) return holds;
  return HoldsForRow(cell.row, dice);
}

THolds HoldsForRow(int row, const TFaces& dice)
{
  THolds result{};
  const TSection& section = SectionOf(row);
  const int r = row - section.firstRow;
  const TCounts counts = CountFaces(dice);
  switch (section.kind) {
  case TColumnKind::Point:
    for (size_t i = 0; i < DICE; ++i)
      result[i] = dice[i] == r + 1;
    break;
  case TColumnKind::Pasch: {
    int face = 1;
    for (int f = 1; f <= 6; ++f)
      if (counts[size_t(f - 1)] >= counts[size_t(face - 1)]) face = f;
    for (size_t i = 0; i < DICE; ++i)
      result[i] = dice[i] == face;
    break;
  }
  case TColumnKind::Street: {
    // One die of each face of the straight. A face belongs to it when a throw of every face
    // but that one (twice another face instead) does not score there.
    TCounts wanted{};
    for (int f = 1; f <= 6; ++f) {
      TFaces without = {1, 2, 3, 4, 5, 6};
      without[size_t(f - 1)] = f == 1 ? 2 : 1;
      wanted[size_t(f - 1)] = StreetPoints(without, r) == 0;
    }
    for (size_t i = 0; i < DICE; ++i)
      if (wanted[size_t(dice[i] - 1)]) {
        result[i] = true;
        wanted[size_t(dice[i] - 1)] = 0;
      }
    break;
  }
  case TColumnKind::Chance:
    for (size_t i = 0; i < DICE; ++i)
      result[i] = dice[i] >= 4;
    break;
  case TColumnKind::Num:
  case TColumnKind::Wummel:
    // Points here need all six dice as they are, when they score at all.
    if (RowPoints(row, dice) > 0) result.fill(true);
    break;
  }
  return result;
}
