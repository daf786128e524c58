#pragma once

// The dialog "Spieler Einstellungen": one or two players and their names. Made afresh for
// each opening from the menu; Open runs until it closes, saves the settings and frees all.
// What it shows takes effect on OK alone: a person joining takes the free seat in the game
// under way; any other change begins a new game, after a question where a game with entries
// would end.

#include "gui/gadget.h"

#include <array>

class TApp;

extern const char* const PLAYER_QUESTION;

class TPlayerForm
{
public:
  TGadget* Window = nullptr;
  std::array<TGadget*, 2> Group{};
  std::array<TGadget*, 2> Name{};
  std::array<TGadget*, 2> Check{};
  TGadget* Okay = nullptr;
  TGadget* Cancel = nullptr;

  int Open(TApp* app);

private:
  // OK: the names and the second seat as the dialog shows them, with a new game.
  void Apply(TApp* app);
};
