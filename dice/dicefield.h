#pragma once

// One player's dice area: six dice with their hold marks, the roll button "Würfeln", the
// enter button "Eintragen" and the status box. Owned by TApp, one per player; the main loop
// hands it the current player's mouse releases and gadget actions.

#include "gui/event.h"
#include "gui/gadget.h"
#include "sheet/rules.h"

#include <array>

constexpr int MAX_ROLLS = 2; // after the automatic first throw
constexpr int DIE_SIZE = 72;
constexpr int KEY_SPACE = 32;

class TDicefield
{
public:
  TGadget* Group = nullptr;
  TGadget* Group2 = nullptr;
  std::array<TPixmapPtr, 7> Pixmap{};
  std::array<TPixmapPtr, 7> PixmapHigh{};
  std::array<TGadget*, 7> Panel{};
  TGadget* Button = nullptr;
  std::array<unsigned char, 7> Active{};
  int Count = 0;
  std::array<int, 7> Dice{};
  TGadget* Fill = nullptr;
  TGadget* Player1 = nullptr;
  TGadget* Player2 = nullptr;
  // The hint's line: shown in the opponent line's place while a hint is there, hidden else.
  TGadget* Hint = nullptr;
  // "ist am Zug" under the name; hidden while the status box shows the end of a game.
  TGadget* Turn = nullptr;
  // The throw counter, "Wurf 2 von 3", beside the roll button inside the dice box.
  TGadget* Counter = nullptr;
  // The computer plays this area: its buttons are not the person's, and stay grey.
  bool PlayedByComputer = false;

  int NewGame();
  int Remove();
  TDicefield* Create(TGadget* parent);
  int Reset();
  int ProcedureDices(const TEvent& event);
  int Procedure(const TEvent& event);
  int DoEntry();
  // Space on a focused die, and the keys 1 to 6 of the main window (HotkeyHit).
  int ProcedureKeys(const TEvent& event);
  // Holds or releases die i as a click does: not after the turn's last roll, not for a die
  // that is not there.
  int Hold(int i);

  // Shows die i with the picture that matches its value and hold mark.
  void ShowDie(int i);
  // The throw counter, "Wurf 2 von 3": in its place beside the roll button, the dice box's
  // name for a screen reader, and what the roll button says besides its name.
  void ShowCount();
  // Whether the computer plays this area; the roll button follows. True when it changed.
  bool SetPlayedByComputer(bool computer);
  // The status box's own lines, after the end of a game showed the result in their place.
  void ShowTurnLines();

private:
  void ThrowAll();
};

extern const char* const STRIKE_QUESTION; // "Wirklich eintragen?"
