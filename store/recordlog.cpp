#include "store/recordlog.h"

namespace
{
constexpr int CELLS = SHEET_ROWS * SHEET_COLUMNS;

bool ValidSeat(const TGameState& state, int seat)
{
  return seat >= 0 && seat < int(state.seats.size());
}

bool SheetFull(const TSeatState& seat)
{
  return seat.sheet.FreeCount() == 0;
}
} // namespace

int NextTurn(const TGameState& state, int seat)
{
  const int n = int(state.seats.size());
  if (n == 0) return 0;
  for (int step = 1; step <= n; ++step) {
    const int candidate = (seat + step) % n;
    if (!SheetFull(state.seats[size_t(candidate)])) return candidate;
  }
  return (seat + 1) % n;
}

bool ApplyAction(TGameState& state, const TAction& action)
{
  switch (action.kind) {
  case TActionKind::Players: {
    // One or two seats, as the game has; the seats that stay keep what they have.
    const size_t n = action.players.size();
    if (n < 1 || n > 2) return false;
    state.players = action.players;
    state.seats.resize(n);
    if (action.turn < 0 || action.turn >= int(n)) return false;
    state.turn = action.turn;
    return true;
  }
  case TActionKind::Throw: {
    if (!ValidSeat(state, action.seat)) return false;
    for (int face : action.faces)
      if (face < 1 || face > 6) return false;
    TSeatState& seat = state.seats[size_t(action.seat)];
    if (action.roll == 0) {
      // A turn's first throw: after an entry, at a new game or when the seat joins.
      seat.holds = {};
      seat.rolls = 0;
    } else {
      if (action.seat != state.turn || !seat.thrown) return false;
      if (action.roll > RECORD_MAX_ROLLS) return false;
      if (action.roll == seat.rolls + 1) {
        // Held dice stay as they lie.
        for (size_t i = 0; i < 6; ++i)
          if (seat.holds[i] && seat.dice[i] != action.faces[i]) return false;
      } else if (action.roll != seat.rolls) {
        return false;
      }
      seat.rolls = action.roll;
    }
    seat.dice = action.faces;
    seat.thrown = true;
    return true;
  }
  case TActionKind::Hold: {
    if (!ValidSeat(state, action.seat) || action.seat != state.turn) return false;
    TSeatState& seat = state.seats[size_t(action.seat)];
    // After the last throw no die can be held or released.
    if (!seat.thrown || seat.rolls >= RECORD_MAX_ROLLS) return false;
    seat.holds = action.holds;
    return true;
  }
  case TActionKind::Entry: {
    if (!ValidSeat(state, action.seat) || action.seat != state.turn) return false;
    TSeatState& seat = state.seats[size_t(action.seat)];
    if (!seat.thrown || seat.entries >= CELLS) return false;
    if (action.row < 0 || action.row >= SHEET_ROWS || action.column < 0 ||
        action.column >= SHEET_COLUMNS)
      return false;
    if (!seat.sheet.IsFree(action.row, action.column)) return false; // entered twice
    if (action.points != RowPoints(action.row, seat.dice)) return false;
    seat.sheet.Enter(action.row, action.column, action.points);
    seat.entries += 1;
    // The seat's dice are thrown for its next turn by the throw that follows.
    seat.thrown = false;
    state.turn = NextTurn(state, action.seat);
    return true;
  }
  }
  return false;
}

bool ReplayGame(const std::vector<TAction>& actions, TGameState& state, bool diceMayWait)
{
  state = TGameState();
  for (const TAction& action : actions)
    if (!ApplyAction(state, action)) return false;
  if (state.seats.empty()) return false;
  if (diceMayWait) return true;
  for (const TSeatState& seat : state.seats)
    if (!seat.thrown && !SheetFull(seat)) return false;
  return true;
}

bool GameFinished(const TGameState& state)
{
  if (state.seats.empty()) return false;
  for (const TSeatState& seat : state.seats)
    if (!SheetFull(seat)) return false;
  return true;
}

TSheetSummary Summarize(const TSheetState& sheet)
{
  TSheetSummary summary;
  summary.total = sheet.GrandTotal();
  for (int column = 0; column < SHEET_COLUMNS; ++column) {
    int raw = 0;
    for (int row = ROW_NUMBERS; row < ROW_NUMBERS + NUMBER_ROWS; ++row)
      if (!sheet.IsFree(row, column)) raw += sheet.Cell(row, column);
    if (NumberBonus(raw) > 0) summary.numberBonus += 1;
    for (const TSection& section : SECTIONS) {
      if (!HasPatternBonus(section.kind)) continue;
      int withPoints = 0;
      for (int row = section.firstRow; row < section.firstRow + section.rows; ++row)
        if (!sheet.IsFree(row, column) && sheet.Cell(row, column) > 0) withPoints += 1;
      if (PatternBonus(withPoints, section.rows) == 0) continue;
      if (section.kind == TColumnKind::Pasch) summary.paschBonus += 1;
      if (section.kind == TColumnKind::Num) summary.houseBonus += 1;
      if (section.kind == TColumnKind::Street) summary.streetBonus += 1;
    }
  }
  return summary;
}
