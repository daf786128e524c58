#pragma once

// The yardstick for the computer player: a greedy player that always enters the cell with the
// most points now (raw points times the multiplier; on a tie the first such cell in sheet order,
// ×1 column first) and, between throws, holds the dice that make up that cell's points: the
// face's dice in a number row, the most frequent face in a "Pasch" row, all dice in a house or
// "Wummel" row, one die of each face of a straight, the dice of 4 or more for "Chance".

#include "ai/strategy.h"

// The dice that make up a row's points, as the greedy player holds them.
THolds HoldsForRow(int row, const TFaces& dice);

class TGreedy
{
public:
  THolds ChooseHolds(const TSheetState& sheet, const TFaces& dice, const THolds& holds,
                     int throwsLeft) const;
  TCellChoice ChooseCell(const TSheetState& sheet, const TFaces& dice) const;
};
