#pragma once

// The record of one game as a list of actions in the order they happened, and the game that
// follows from them. A recorded game is played back action by action; an action that could not
// have happened (a face outside 1 to 6, a cell entered twice, a throw after the last one) makes
// the whole record impossible, so that nothing half true is ever resumed. Pure: no Qt, no
// database; the record store reads and writes these, the game turns the state into widgets and
// the analysis reads the actions.

#include "ai/sheetstate.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Who sits at a seat: a person by name, or the computer at a strength ("leicht", "mittel",
// "stark").
struct TRecordPlayer {
  std::string name;
  bool computer = false;
  std::string level;
  bool operator==(const TRecordPlayer&) const = default;
};

// The lineup's level of a seat played at the other computer, in a game over the network.
constexpr const char* NETWORK_SEAT = "netzwerk";

using THoldMask = std::array<bool, 6>;

enum class TActionKind : char {
  Players = 'P', // who plays from now on; the seats that stay keep their sheets
  Throw = 'T',   // the faces of all six dice of a seat after a throw (roll 0 is a turn's first)
  Hold = 'H',    // which dice of the seat at the turn are held now
  Entry = 'E',   // the seat at the turn enters raw points in a cell
};

struct TAction {
  TActionKind kind = TActionKind::Throw;
  int seat = 0;
  int turn = 0; // Players: the seat at the turn afterwards
  TFaces faces{};
  int roll = 0;
  THoldMask holds{};
  int row = 0, column = 0, points = 0;
  std::vector<TRecordPlayer> players;
  int64_t at = 0; // milliseconds since 1970
  bool operator==(const TAction&) const = default;
};

// One seat's part of a game as the screen shows it.
struct TSeatState {
  TSheetState sheet;
  TFaces dice{};
  THoldMask holds{};
  int rolls = 0;       // throws after the first in this turn
  bool thrown = false; // the turn's first throw is there
  int entries = 0;
  bool operator==(const TSeatState&) const = default;
};

struct TGameState {
  std::vector<TRecordPlayer> players;
  std::vector<TSeatState> seats;
  int turn = 0;
  bool operator==(const TGameState&) const = default;
};

// Throws after a turn's first one.
constexpr int RECORD_MAX_ROLLS = 2;

// Plays one action on the state; false, leaving the state as it may be, when it cannot happen.
bool ApplyAction(TGameState& state, const TAction& action);
// The game after all actions, or false when any of them is impossible, when no one plays, or
// when a seat has no dice yet. In a game over the network a seat's dice are thrown at the start
// of its turn, not after its entry: there they may wait (diceMayWait).
bool ReplayGame(const std::vector<TAction>& actions, TGameState& state, bool diceMayWait = false);
// Whether every seat's sheet is full.
bool GameFinished(const TGameState& state);
// The seat that follows after seat s ends its turn: the next one with a free cell.
int NextTurn(const TGameState& state, int seat);

// What a finished sheet reached: its grand total and, over the three columns, how many times
// the number bonus and each pattern bonus ("Pasch", "Haus", "Straße") were earned.
struct TSheetSummary {
  int total = 0;
  int numberBonus = 0, paschBonus = 0, houseBonus = 0, streetBonus = 0;
};
TSheetSummary Summarize(const TSheetState& sheet);
