#pragma once

// Sheets that the computer player's tests start from.

#include "ai/sheetstate.h"

// A sheet as it might stand near the end of a game, every cell entered (the first "Wummel"
// row struck, so that not every bonus is earned).
inline TSheetState FullSheet()
{
  TSheetState sheet;
  const int values[SHEET_ROWS] = {3,  6,  9,  12, 15, 18, 20, 24, 28, 30, 30,
                                  30, 30, 30, 30, 40, 40, 50, 0,  50, 22};
  for (int row = 0; row < SHEET_ROWS; ++row)
    for (int column = 0; column < SHEET_COLUMNS; ++column)
      sheet.Enter(row, column, values[row]);
  return sheet;
}
