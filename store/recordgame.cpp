#include "store/recordgame.h"

namespace
{
// What the conversion keeps of a seat between actions.
struct TSeatPlay {
  std::vector<TPlayedTurn> turns;
  THolds holds{}; // the dice held now; they apply to the next throw
  int rolls = -1; // throws after the first in the turn at hand; -1 before its first throw
  int entries = 0;
};

bool InTurn(const TSeatPlay& seat)
{
  return !seat.turns.empty() && seat.turns.back().row < 0;
}
} // namespace

bool RecordedGame(const std::vector<TAction>& actions, TRecordedGame& game)
{
  game = TRecordedGame();
  TGameState state;
  // A game over the network under way may have a seat whose dice wait for its turn.
  if (!ReplayGame(actions, state, true)) return false;
  constexpr int cells = SHEET_ROWS * SHEET_COLUMNS;
  std::vector<TSeatPlay> seats;
  for (const TAction& action : actions) {
    switch (action.kind) {
    case TActionKind::Players:
      // A seat that joins starts with an empty sheet; the seats that stay keep their turns.
      seats.resize(action.players.size());
      break;
    case TActionKind::Throw: {
      TSeatPlay& seat = seats[size_t(action.seat)];
      if (action.roll == 0) {
        if (seat.entries >= cells) break; // a full sheet throws no more turns
        // A turn begun again (its dice thrown afresh) replaces the one that had no entry.
        if (InTurn(seat)) seat.turns.pop_back();
        seat.turns.emplace_back();
        seat.turns.back().throws.push_back({THolds{}, action.faces});
        seat.holds = {};
        seat.rolls = 0;
      } else if (InTurn(seat) && action.roll == seat.rolls) {
        // The same throw again is a correction: the later faces count.
        seat.turns.back().throws.back().faces = action.faces;
      } else if (InTurn(seat)) {
        seat.turns.back().throws.push_back({seat.holds, action.faces});
        seat.rolls = action.roll;
      }
      break;
    }
    case TActionKind::Hold:
      seats[size_t(action.seat)].holds = action.holds;
      break;
    case TActionKind::Entry: {
      TSeatPlay& seat = seats[size_t(action.seat)];
      if (!InTurn(seat)) return false;
      TPlayedTurn& turn = seat.turns.back();
      turn.row = action.row;
      turn.column = action.column;
      turn.points = action.points;
      seat.holds = {};
      seat.entries += 1;
      break;
    }
    }
  }
  game.players = state.players;
  game.finished = GameFinished(state);
  for (TSeatPlay& seat : seats) {
    // A finished game has no turn at hand.
    if (game.finished && InTurn(seat)) seat.turns.pop_back();
    game.played.players.push_back(std::move(seat.turns));
  }
  return true;
}
