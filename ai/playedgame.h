#pragma once

// A game as it was played, as the analysis reads it: for each player the turns in order, each
// with its throws and the cell entered. It holds no more than what a person saw happen, so that
// the game's record converts to it whatever its storage; a game still under way ends with the
// turn at hand, which may not have its entry yet.

#include "ai/strategy.h"

#include <vector>

struct TPlayedThrow {
  THolds holds{}; // the dice held before this throw (none before the first); they keep their faces
  TFaces faces{}; // the six dice after it
};

struct TPlayedTurn {
  std::vector<TPlayedThrow> throws; // one to three
  int row = -1;                     // the cell entered; -1 while the turn is under way
  int column = -1;
  int points = 0; // raw points entered, before the column's multiplier
};

struct TPlayedGame {
  // One list of turns per player, in the order the players sit.
  std::vector<std::vector<TPlayedTurn>> players;
};
