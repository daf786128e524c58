// The enter button and the chosen cell, for the keyboard and for screen readers: a person who
// cannot see the sheet hears on "Eintragen" what it will enter, and Shift+Tab leads back to
// the cell.

#include "app/app.h"

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
