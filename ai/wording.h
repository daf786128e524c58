#pragma once

// The words in which the game names a choice of the computer's kind: the dice to hold before a
// throw and the cell to enter. The hint says them in the status box, and the analysis of a game
// says in them what was done and what the strong computer would have done, so that both read
// alike. Plain UTF-8 text, no toolkit.

#include "ai/strategy.h"

#include <string>

// The row's label as the sheet shows it: "1er", "3er Pasch", "Wummel, Zeile 2", "Chance".
std::string RowLabel(int row);
// The cell: "3er Pasch, Spalte 3".
std::string CellWords(int row, int column);
// The entry with the raw points it gets: "3er Pasch, Spalte 3 (21 Punkte)", and for a cell
// struck "Wummel, Zeile 2, Spalte 2 streichen (0 Punkte)".
std::string EntryWords(int row, int column, int points);
// The faces of the dice to keep, in die order: "5, 5, 5"; empty when none.
std::string KeptFaces(const TFaces& dice, const THolds& keep);
// A choice of dice to hold before the next throw, given those held already: "5, 5, 5 halten",
// "6 freigeben, 5, 5 halten" when a held die is to be thrown again, "5, 5 gehalten lassen" when
// the same dice stay held, "alle Würfel neu würfeln" (after "6 freigeben und ") when none is
// kept, and "nicht mehr würfeln" when all six are: the turn goes on to the cell.
std::string HoldWords(const TFaces& dice, const THolds& keep, const THolds& held);
