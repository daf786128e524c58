#pragma once

// Perfect play of the end of a game: the expected points still to come from a sheet, computed
// exactly over every throw of every remaining turn, with the best holds and the best cell at
// every step. Sheets are remembered by what decides the rest of the game: the free cells, each
// number column's raw sum while it can still change its bonus, and which pattern columns can
// still earn theirs. The strong player plays the last cells of a game with it, and the
// self-play tools measure every player against it.

#include "ai/sheetstate.h"

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

class TEndgame
{
public:
  // Expected grand total at the end of the game, from this sheet before the next turn's throw.
  double Value(const TSheetState& sheet);
  // For each of the 462 throws (TDiceSets ordinal): the expected final total when the turn ends
  // with it and it is entered in the best cell.
  std::vector<double> FinalValues(const TSheetState& sheet);
  // The best free cell for a throw of six dice; {-1, -1} on a full sheet.
  struct TCell {
    int row = -1, column = -1;
  };
  TCell BestCell(const TSheetState& sheet, const TFaces& dice);
  // The expected final total when a throw of six dice is entered in this free cell.
  double CellValue(const TSheetState& sheet, const TFaces& dice, int row, int column);

  // Whether playing this sheet to the end takes at most `limit` sheets to work out, counting
  // those already remembered: a bound on the time of Value and FinalValues that depends on the
  // sheet alone.
  bool Within(const TSheetState& sheet, std::size_t limit) const;

  // Whether this sheet's worth is remembered: then so is every sheet after it.
  bool Remembers(const TSheetState& sheet) const { return Memo.count(KeyOf(sheet)) > 0; }

  // Sheets remembered so far; Forget empties the memory.
  std::size_t States() const { return Memo.size(); }
  void Forget() { Memo.clear(); }

  // What decides the rest of the game.
  struct TKey {
    std::uint64_t free = 0; // bit row * 3 + column
    std::uint32_t rest = 0; // the three number sums (7 bits each), then the 9 pattern bits
    bool operator==(const TKey&) const = default;
  };
  static TKey KeyOf(const TSheetState& sheet);

private:
  struct THash {
    std::size_t operator()(const TKey& k) const
    {
      return std::size_t(k.free * 0x9E3779B97F4A7C15ull ^ (std::uint64_t(k.rest) << 1));
    }
  };
  // One way of entering a free cell: what it adds to the total and where the game goes on from.
  struct TMove {
    double gain;
    TKey next;
  };

  double Future(const TKey& key);
  // The worth of each throw entered in the best cell, future included, for a key.
  std::vector<double> Finals(const TKey& key);
  // Each free cell's moves, one per distinct outcome (dice of the face, scored or struck).
  static void Moves(const TKey& key, int cell, std::vector<TMove>& moves);
  // What entering the dice in a free cell adds to the points still to come, future included.
  double EntryWorth(const TKey& key, int cell, const TFaces& dice, std::vector<TMove>& moves);

  std::unordered_map<TKey, double, THash> Memo;
  // Within's answers, with the limit each was given; emptied beyond MOST_COUNTED.
  static bool Count(const TKey& start, std::size_t limit);
  static constexpr std::size_t MOST_COUNTED = 100000;
  mutable std::unordered_map<TKey, std::pair<std::size_t, bool>, THash> Counted;
};
