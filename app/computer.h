#pragma once

// The computer as the second player. It plays its turns where the person can follow them, one
// step per tick of a one-shot timer: a throw, the dice it keeps turning blue, the cell it chooses
// showing its points, the entry. Each step goes through the same gadget actions as a person's
// clicks. Owned by TApp, whose main loop hands it the timer's ticks and, after every event, lets
// it keep a tick pending exactly while the computer is at the turn, so that nothing runs while
// the program waits for a person.

#include "ai/strategy.h"

#include <memory>

class TApp;
class TGadget;

extern const char* const COMPUTER_NAME; // "Computer"
// Time between two steps of the computer's turn.
constexpr int COMPUTER_STEP_MS = 500;

class TComputer
{
public:
  explicit TComputer(TApp& app);
  ~TComputer();
  TComputer(const TComputer&) = delete;
  TComputer& operator=(const TComputer&) = delete;

  // Whether the second player is the computer.
  bool Plays = false;
  // Milliseconds between two steps; tests shorten it.
  int StepDelay = COMPUTER_STEP_MS;

  bool AtTurn() const;
  // Starts the timer when the computer is at the turn and no tick is on its way (a dialog's
  // loop may have taken one), stops it when the computer is not.
  void Schedule();
  // Handles a timer tick; false when it was not the computer's.
  bool Tick(int handle);
  // Stops the timer; for the end of the application object.
  void Stop();

private:
  void Step();
  TSheetState Sheet() const;
  TGadget* Cell(int row, int column) const;
  const TStrategy& Strategy();

  TApp& app_;
  std::unique_ptr<const TStrategy> strategy_;
  int timer_ = 0;
  // The holds chosen in this turn and the roll count they were chosen at: the next step throws.
  THolds chosen_{};
  int chosenAt_ = -1;
};
