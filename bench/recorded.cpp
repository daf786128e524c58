#include "bench/recorded.h"

#include <algorithm>
#include <cstddef>

using std::size_t;

std::vector<TPlayedTurn> PlayRecorded(const TPlayer& player, std::mt19937& rng,
                                      const TSheetState& from)
{
  std::uniform_int_distribution<int> die(1, 6);
  TSheetState sheet = from;
  std::vector<TPlayedTurn> turns;
  while (sheet.FreeCount() > 0) {
    TPlayedTurn& played = turns.emplace_back();
    TPlayedThrow now;
    for (int& face : now.faces)
      face = die(rng);
    played.throws.push_back(now);
    for (int throwsLeft = MAX_THROWS_LEFT; throwsLeft >= 1; --throwsLeft) {
      const THolds holds = player.ChooseHolds(sheet, now.faces, now.holds, throwsLeft);
      if (std::all_of(holds.begin(), holds.end(), [](bool h) { return h; })) break;
      now.holds = holds;
      for (size_t i = 0; i < DICE; ++i)
        if (!holds[i]) now.faces[i] = die(rng);
      played.throws.push_back(now);
    }
    const TCellChoice cell = player.ChooseCell(sheet, now.faces);
    played.row = cell.row;
    played.column = cell.column;
    played.points = RowPoints(cell.row, now.faces);
    sheet.Enter(cell.row, cell.column, played.points);
  }
  return turns;
}

THolds TFirstFreeCell::ChooseHolds(const TSheetState&, const TFaces&, const THolds&, int) const
{
  return {true, true, true, true, true, true};
}

TCellChoice TFirstFreeCell::ChooseCell(const TSheetState& sheet, const TFaces&) const
{
  for (int row = 0; row < SHEET_ROWS; ++row)
    for (int column = 0; column < SHEET_COLUMNS; ++column)
      if (sheet.IsFree(row, column)) return {row, column};
  return {};
}
