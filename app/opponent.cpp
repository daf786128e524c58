// TApp's side of the computer opponent: the menu item that switches it on and off, and what
// the rest of the game asks about it.

#include "app/app.h"

#include "app/computer.h"
#include "dice/dicefield.h"
#include "forms/playerform.h"
#include "gui/driver.h"

bool TApp::ComputerPlays() const
{
  return Computer && Computer->Plays && PlayerCount == 2;
}

bool TApp::ComputerAtTurn() const
{
  return Computer && Computer->AtTurn();
}

void TApp::ShowComputerChoice()
{
  if (MenuComputer) MenuComputer->SetSelected(ComputerPlays() ? 1 : 0);
}

void TApp::ChooseComputer()
{
  if (!Computer) return;
  if (ComputerPlays()) {
    RemovePlayer();
    // Taking the computer out can leave only full sheets: that game is over.
    IsFull();
  } else if (PlayerCount <= 1) {
    // Joins at once, as a second player ticked in the player dialog does.
    Computer->Plays = true;
    CreatePlayer(COMPUTER_NAME);
  } else if (Confirm(PLAYER_QUESTION, 0) == 1) {
    // A person's game against another person is not handed over half played.
    Computer->Plays = true;
    PlayerName[1] = COMPUTER_NAME;
    NewGame();
  }
  ShowComputerChoice();
  SaveGame();
}
