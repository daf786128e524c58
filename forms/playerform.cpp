#include "forms/playerform.h"

#include "app/app.h"
#include "forms/dialog.h"
#include "gui/driver.h"

const char* const PLAYER_QUESTION = "Um die Änderungen durchzuführen,\nmuss ein neues Spiel "
                                    "gestartet werden.\nMöchten Sie die Änderungen übernehmen?";

namespace
{
const char* const SECOND_PLAYER = "Spieler2";
}

void TPlayerForm::Apply(TApp* app)
{
  const bool second = ButtonState(Check[1]) == 1;
  const bool seat = second != (PlayerCount == 2);
  const bool person = PlayerCount == 2 && !app->ComputerPlays();
  const bool renamed = Name[0]->GetText() != app->PlayerName[0] ||
                       (second && person && Name[1]->GetText() != app->PlayerName[1]);
  if (!seat && !renamed) return;
  // A person who takes the free seat loses nobody anything: the game under way goes on, with
  // an empty sheet for the newcomer.
  if (second && PlayerCount == 1 && Name[0]->GetText() == app->PlayerName[0]) {
    app->CreatePlayer(Name[1]->GetText());
    return;
  }
  // Anything else begins a new game: one question, and only where a game with entries ends.
  if (app->GameUnderWay() && Confirm(PLAYER_QUESTION, 1) != 1) return;
  app->PlayerName[0] = Name[0]->GetText();
  if (!second && PlayerCount == 2)
    app->RemovePlayer(); // the computer leaves with its seat
  else if (second && PlayerCount == 1)
    app->CreatePlayer(Name[1]->GetText());
  else if (second && person)
    app->PlayerName[1] = Name[1]->GetText();
  app->NewGame();
}

int TPlayerForm::Open(TApp* app)
{
  Window = CreateWindow(AppTitle() + " - Spieler", 0, 0, 400, 150, app->Window, DIALOG_STYLE);
  for (int i = 0; i < 2; ++i) {
    Group[size_t(i)] = CreatePanel(10, 10 + 50 * i, 380, 50, Window, PANEL_GROUP,
                                   "Spieler " + QString::number(i + 1));
    Check[size_t(i)] = CreateButton("", 0, 0, 20, 20, Group[size_t(i)], BUTTON_CHECKBOX);
    Name[size_t(i)] = CreateTextField(30, 0, 330, 20, Group[size_t(i)], 0);
    // What is typed here must come back unchanged from the one-byte-per-character file.
    SetTextFieldLatin1(Name[size_t(i)]);
    // The box has no text of its own: its group's title says what it stands for.
    SetAccessibleName(Check[size_t(i)], "Spieler " + QString::number(i + 1) + " spielt mit");
    SetAccessibleName(Name[size_t(i)], "Name von Spieler " + QString::number(i + 1));
  }
  Check[0]->SetSelected(1);
  Check[0]->SetEnabled(0);
  Name[0]->SetText(app->PlayerName[0]);
  if (PlayerCount == 2) {
    Check[1]->SetSelected(1);
    Name[1]->SetText(app->PlayerName[1]);
    // The computer's name is its own.
    if (app->ComputerPlays()) Name[1]->SetEnabled(0);
  } else {
    Name[1]->SetEnabled(0);
  }
  Okay = CreateButton("OK", 290, Window->ClientHeight() - 34, 100, 24, Window, BUTTON_OK);
  Cancel = CreateButton("Abbrechen", Okay->xpos - 110, Okay->ypos, 100, 24, Window, BUTTON_CANCEL);
  Name[0]->Activate(0);

  // Nothing changes until OK: the box of the second player only shows what OK will do, so that
  // "Abbrechen", here or at the question, leaves the game and the players as they were.
  const bool computer = app->ComputerPlays();
  for (bool done = false; !done;) {
    const int id = WaitEvent();
    const TEvent event = CurrentEvent(); // a copy: the question below may wait for events
    if (ClosesDialog(id)) break;
    if (id != EVENT_GADGETACTION) continue;
    if (event.source == Okay) {
      Apply(app);
      done = true;
    } else if (event.source == Cancel) {
      done = true;
    } else if (event.source == Check[1]) {
      const bool on = ButtonState(Check[1]) == 1;
      // Ticked again, the second seat is the one there now: the computer, or the person.
      QString name;
      if (on) name = PlayerCount == 2 ? app->PlayerName[1] : QString(SECOND_PLAYER);
      Name[1]->SetText(name);
      Name[1]->SetEnabled(on && !(computer && PlayerCount == 2) ? 1 : 0);
    }
  }

  app->SaveGame();
  for (int i = 0; i < 2; ++i) {
    FreeGadget(Name[size_t(i)]);
    FreeGadget(Check[size_t(i)]);
    FreeGadget(Group[size_t(i)]);
    Name[size_t(i)] = Check[size_t(i)] = Group[size_t(i)] = nullptr;
  }
  FreeGadget(Okay);
  FreeGadget(Cancel);
  FreeGadget(Window);
  Okay = Cancel = Window = nullptr;
  return 0;
}
