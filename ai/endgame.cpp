#include "ai/endgame.h"

#include "ai/strategy.h"
#include "ai/turnplanner.h"

#include <algorithm>
#include <array>
#include <limits>
#include <unordered_set>

using std::size_t;
using std::uint32_t;
using std::uint64_t;

namespace
{
// A number column whose bonus can no longer change: its sum no longer matters.
constexpr uint32_t FROZEN = 127;
constexpr int SUM_BITS = 7;
constexpr int PATTERN_SHIFT = SUM_BITS * SHEET_COLUMNS;
constexpr int PATTERN_SECTIONS = 3; // n of a kind, houses, straights

uint64_t Bit(int row, int column)
{
  return uint64_t(1) << (row * SHEET_COLUMNS + column);
}

uint32_t SumOf(uint32_t rest, int column)
{
  return (rest >> (SUM_BITS * column)) & FROZEN;
}

uint32_t WithSum(uint32_t rest, int column, uint32_t sum)
{
  const int shift = SUM_BITS * column;
  return (rest & ~(FROZEN << shift)) | (sum << shift);
}

// Index 0 to 2 of a pattern section, or -1.
int PatternOf(int row)
{
  if (row >= ROW_PASCH && row < ROW_HOUSES) return 0;
  if (row >= ROW_HOUSES && row < ROW_STREETS) return 1;
  if (row >= ROW_STREETS && row < ROW_WUMMEL) return 2;
  return -1;
}

uint32_t PatternBit(int column, int pattern)
{
  return uint32_t(1) << (PATTERN_SHIFT + column * PATTERN_SECTIONS + pattern);
}

// The stored form of a number column's sum: FROZEN when no free row of it can change its bonus.
uint32_t NumberState(uint64_t free, int column, int sum)
{
  int most = 0;
  for (int row = 0; row < NUMBER_ROWS; ++row)
    if (free & Bit(row, column)) most += DICE * (row + 1);
  if (most == 0 || NumberBonus(sum + most) == NumberBonus(sum)) return FROZEN;
  return uint32_t(sum);
}

bool AnyFreeIn(uint64_t free, const TSection& section, int column)
{
  for (int row = section.firstRow; row < section.firstRow + section.rows; ++row)
    if (free & Bit(row, column)) return true;
  return false;
}
} // namespace

TEndgame::TKey TEndgame::KeyOf(const TSheetState& sheet)
{
  TKey key;
  for (int row = 0; row < SHEET_ROWS; ++row)
    for (int column = 0; column < SHEET_COLUMNS; ++column)
      if (sheet.IsFree(row, column)) key.free |= Bit(row, column);
  for (int column = 0; column < SHEET_COLUMNS; ++column) {
    int sum = 0;
    for (int row = 0; row < NUMBER_ROWS; ++row)
      if (!sheet.IsFree(row, column)) sum += sheet.Cell(row, column);
    key.rest = WithSum(key.rest, column, NumberState(key.free, column, sum));
    for (int p = 0; p < PATTERN_SECTIONS; ++p) {
      const TSection& section = SECTIONS[size_t(p + 1)];
      bool struck = false;
      for (int row = section.firstRow; row < section.firstRow + section.rows; ++row)
        struck = struck || sheet.Cell(row, column) == 0;
      if (!struck && AnyFreeIn(key.free, section, column)) key.rest |= PatternBit(column, p);
    }
  }
  return key;
}

bool TEndgame::Within(const TSheetState& sheet, size_t limit) const
{
  // Games played on from one decision ask about the same late sheets hundreds of times, and
  // counting up to the limit costs as much as a turn's plan.
  const TKey start = KeyOf(sheet);
  if (const auto known = Counted.find(start);
      known != Counted.end() && known->second.first == limit)
    return known->second.second;
  if (Counted.size() > MOST_COUNTED) Counted.clear();
  const bool within = Count(start, limit);
  Counted[start] = {limit, within};
  return within;
}

bool TEndgame::Count(const TKey& start, size_t limit)
{
  std::unordered_set<TKey, THash> seen;
  std::vector<TKey> open{start};
  std::vector<TMove> moves;
  while (!open.empty()) {
    const TKey key = open.back();
    open.pop_back();
    if (key.free == 0 || !seen.insert(key).second) continue;
    if (seen.size() > limit) return false;
    for (int cell = 0; cell < SHEET_ROWS * SHEET_COLUMNS; ++cell) {
      if (!(key.free & (uint64_t(1) << cell))) continue;
      Moves(key, cell, moves);
      for (const TMove& move : moves)
        open.push_back(move.next);
    }
  }
  return true;
}

void TEndgame::Moves(const TKey& key, int cell, std::vector<TMove>& moves)
{
  moves.clear();
  const int row = cell / SHEET_COLUMNS, column = cell % SHEET_COLUMNS;
  const double m = Multiplier(column);
  TKey next = key;
  next.free &= ~(uint64_t(1) << cell);
  if (row < NUMBER_ROWS) {
    const uint32_t stored = SumOf(key.rest, column);
    for (int k = 0; k <= DICE; ++k) {
      const int points = k * (row + 1);
      double gain = m * points;
      uint32_t after = FROZEN;
      if (stored != FROZEN) {
        const int sum = int(stored) + points;
        gain += m * (NumberBonus(sum) - NumberBonus(int(stored)));
        after = NumberState(next.free, column, sum);
      }
      TKey n = next;
      n.rest = WithSum(n.rest, column, after);
      moves.push_back({gain, n});
    }
    return;
  }
  const int pattern = PatternOf(row);
  if (pattern < 0) {
    moves.push_back({0, next}); // points alone, added per throw
    return;
  }
  const uint32_t bit = PatternBit(column, pattern);
  TKey scored = next, struck = next;
  struck.rest &= ~bit;
  double bonus = 0;
  if ((key.rest & bit) && !AnyFreeIn(next.free, SECTIONS[size_t(pattern + 1)], column)) {
    bonus = m * PATTERN_BONUS;
    scored.rest &= ~bit;
  }
  moves.push_back({bonus, scored}); // plus the points, added per throw
  moves.push_back({0, struck});
}

std::vector<double> TEndgame::Finals(const TKey& key)
{
  std::vector<double> best(FULL_THROWS, -std::numeric_limits<double>::infinity());
  double floor = -std::numeric_limits<double>::infinity();
  std::vector<TMove> moves;
  for (int cell = 0; cell < SHEET_ROWS * SHEET_COLUMNS; ++cell) {
    if (!(key.free & (uint64_t(1) << cell))) continue;
    const int row = cell / SHEET_COLUMNS;
    const double m = Multiplier(cell % SHEET_COLUMNS);
    Moves(key, cell, moves);
    std::array<double, DICE + 1> worth{};
    for (size_t i = 0; i < moves.size(); ++i)
      worth[i] = moves[i].gain + Future(moves[i].next);
    if (row < NUMBER_ROWS)
      FoldCell(
          best, floor, row, [&](int k) { return worth[size_t(k)]; }, worth[0],
          *std::min_element(worth.begin() + 1, worth.end()) >= worth[0]);
    else if (moves.size() == 1)
      FoldCell(
          best, floor, row, [&](int p) { return m * p + worth[0]; }, worth[0], true);
    else
      FoldCell(
          best, floor, row, [&](int p) { return m * p + worth[0]; }, worth[1],
          worth[0] >= worth[1]);
  }
  for (double& value : best)
    value = std::max(value, floor);
  return best;
}

double TEndgame::Future(const TKey& key)
{
  if (key.free == 0) return 0;
  if (const auto found = Memo.find(key); found != Memo.end()) return found->second;
  const double value = TTurnPlanner(Finals(key), MAX_THROWS_LEFT).TurnValue();
  Memo.emplace(key, value);
  return value;
}

double TEndgame::Value(const TSheetState& sheet)
{
  return sheet.GrandTotal() + Future(KeyOf(sheet));
}

std::vector<double> TEndgame::FinalValues(const TSheetState& sheet)
{
  const TKey key = KeyOf(sheet);
  if (key.free == 0) return std::vector<double>(FULL_THROWS, sheet.GrandTotal());
  std::vector<double> finals = Finals(key);
  for (double& value : finals)
    value += sheet.GrandTotal();
  return finals;
}

double TEndgame::EntryWorth(const TKey& key, int cell, const TFaces& dice,
                            std::vector<TMove>& moves)
{
  const int row = cell / SHEET_COLUMNS;
  const int p = RowPoints(row, dice);
  Moves(key, cell, moves);
  const TMove& move = row < NUMBER_ROWS            ? moves[size_t(p / (row + 1))]
                      : moves.size() == 1 || p > 0 ? moves[0]
                                                   : moves[1];
  const double extra = row < NUMBER_ROWS ? 0 : Multiplier(cell % SHEET_COLUMNS) * p;
  return move.gain + extra + Future(move.next);
}

TEndgame::TCell TEndgame::BestCell(const TSheetState& sheet, const TFaces& dice)
{
  const TKey key = KeyOf(sheet);
  TCell choice;
  double best = -std::numeric_limits<double>::infinity();
  std::vector<TMove> moves;
  for (int cell = 0; cell < SHEET_ROWS * SHEET_COLUMNS; ++cell) {
    if (!(key.free & (uint64_t(1) << cell))) continue;
    const double value = EntryWorth(key, cell, dice, moves);
    if (value > best) {
      best = value;
      choice = {cell / SHEET_COLUMNS, cell % SHEET_COLUMNS};
    }
  }
  return choice;
}

double TEndgame::CellValue(const TSheetState& sheet, const TFaces& dice, int row, int column)
{
  if (row < 0 || row >= SHEET_ROWS || column < 0 || column >= SHEET_COLUMNS ||
      !sheet.IsFree(row, column))
    return -std::numeric_limits<double>::infinity();
  std::vector<TMove> moves;
  return sheet.GrandTotal() + EntryWorth(KeyOf(sheet), row * SHEET_COLUMNS + column, dice, moves);
}
