#pragma once

// A recorded game as the analysis reads it: the record's actions turned into each seat's turns,
// every throw with the dice held before it and every cell entered. The record is played back
// first, so that a record that cannot be true is never analysed. Pure: the analysis window calls
// it on the actions the record store read or the recorder kept.

#include "ai/playedgame.h"
#include "store/recordlog.h"

#include <vector>

struct TRecordedGame {
  std::vector<TRecordPlayer> players; // who sits at each seat at the end of the record
  TPlayedGame played;                 // one list of turns per seat, in that order
  bool finished = false;              // every sheet is full
};

// False when the actions cannot be played back (an impossible record, no one plays).
bool RecordedGame(const std::vector<TAction>& actions, TRecordedGame& game);
