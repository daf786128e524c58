// The enter button and the chosen cell, for the keyboard and for screen readers: a person who
// cannot see the sheet hears on "Eintragen" what it will enter, and Shift+Tab leads back to
// the cell; and the arrow keys, which go straight along the sheet's rows and columns.

#include "app/app.h"

#include "app/computer.h"
#include "app/sections.h"
#include "dice/dicefield.h"

void TApp::FollowChoice(int player)
{
  if (player < 0 || player >= PlayerCount) return;
  const size_t p = size_t(player);
  TGadget* fill = DiceField[p]->Fill;
  QString description;
  // The choice is always the current player's; another sheet's button enters nothing.
  if (Last && player == CurrentPlayer) {
    QString title;
    ForScoringSections(*this, p, [&](auto& section) {
      if (title.isEmpty()) title = section.Title(Last);
    });
    const QString points = Last->GetText();
    if (!title.isEmpty()) {
      description = title + ": " + points + (points == "1" ? " Punkt" : " Punkte");
      if (points == "0") description += ", das Feld wird gestrichen";
    }
    SetTabOrder(Last, fill);
  }
  SetAccessibleDescription(fill, description);
}

void TApp::ChainArrowKeys(int player)
{
  // The sheet as one table of 21 rows in the three columns, whichever section a row is in.
  std::vector<std::vector<TGadget*>> rows(static_cast<size_t>(SHEET_ROWS));
  for (int row = 0; row < SHEET_ROWS; ++row)
    for (int column = 0; column < SHEET_COLUMNS; ++column)
      rows[size_t(row)].push_back(SheetCell(*this, player, row, column));
  SetArrowGrid(rows);
}
