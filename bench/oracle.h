#pragma once

// The end-game oracle: what the strong player's own play of a sheet is worth to the end of the
// game, exactly over every throw, to set beside perfect play (TEndgame). It follows the player's
// real decisions: the cell it enters for each throw and, before each further throw, the dice it
// keeps given those it kept before.

#include "ai/endgame.h"
#include "ai/levels.h"

#include <cstddef>
#include <unordered_map>

class TPlayedValue
{
public:
  explicit TPlayedValue(const TStarkPlayer& player) : Player(player) {}

  // Expected grand total at the end of the game when the player plays on from this sheet,
  // before the next turn's throw.
  double Value(const TSheetState& sheet) { return sheet.GrandTotal() + Future(sheet); }
  std::size_t States() const { return Memo.size(); }

private:
  struct THash {
    std::size_t operator()(const TEndgame::TKey& k) const
    {
      return std::size_t(k.free * 0x9E3779B97F4A7C15ull ^ (std::uint64_t(k.rest) << 1));
    }
  };
  double Future(const TSheetState& sheet);

  const TStarkPlayer& Player;
  // The player decides by what TEndgame::TKey keeps of a sheet (its worths differ only by the
  // points entered, which are the same for every choice), so its future is remembered by it.
  std::unordered_map<TEndgame::TKey, double, THash> Memo;
};
