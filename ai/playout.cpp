#include "ai/playout.h"

#include <algorithm>
#include <iterator>
#include <cmath>
#include <cstddef>

using std::size_t;

namespace
{
constexpr THolds ALL = {true, true, true, true, true, true};
using TTurnDice = std::array<TFaces, MAX_THROWS_LEFT + 1>;
// Play-outs of one decision meet the same late sheets again and again; beyond this the memory
// is let go.
constexpr size_t MOST_REMEMBERED = 1500000;

TTurnDice Draw(std::mt19937& rng)
{
  std::uniform_int_distribution<int> die(1, 6);
  TTurnDice drawn;
  for (TFaces& faces : drawn)
    for (int& face : faces)
      face = die(rng);
  return drawn;
}
} // namespace

double PlayOn(const TStarkPlayer& stark, TEndgame& endgame, TSheetState sheet, std::mt19937& rng)
{
  while (sheet.FreeCount() > 0 && !stark.PlaysExactly(sheet)) {
    const TTurnDice drawn = Draw(rng);
    TFaces dice = drawn[0];
    THolds holds{};
    for (int left = MAX_THROWS_LEFT, j = 1; left >= 1; --left, ++j) {
      holds = stark.ChooseHolds(sheet, dice, holds, left);
      if (holds == ALL) break;
      for (size_t i = 0; i < DICE; ++i)
        if (!holds[i]) dice[i] = drawn[size_t(j)][i];
    }
    const TCellChoice cell = stark.ChooseCell(sheet, dice);
    sheet.Enter(cell.row, cell.column, RowPoints(cell.row, dice));
  }
  if (sheet.FreeCount() == 0) return sheet.GrandTotal();
  if (endgame.States() > MOST_REMEMBERED) endgame.Forget();
  return endgame.Value(sheet);
}

double PlayOut(const TStarkPlayer& stark, TEndgame& endgame, const TDecisionReview& d, bool best,
               std::mt19937& rng)
{
  if (d.kind == TDecisionKind::Cell) {
    TSheetState sheet = d.sheet;
    const TCellChoice& cell = best ? d.bestCell : d.doneCell;
    sheet.Enter(cell.row, cell.column, best ? d.bestPoints : d.donePoints);
    return PlayOn(stark, endgame, sheet, rng);
  }
  // The rest of the turn first: the throws after the decision take the drawn dice of their row.
  const TTurnDice drawn = Draw(rng);
  THolds holds = best ? d.bestHolds : d.doneHolds;
  TFaces dice = d.dice;
  int j = MAX_THROWS_LEFT - d.throwsLeft + 1;
  for (int left = d.throwsLeft; left >= 1 && holds != ALL; --left, ++j) {
    for (size_t i = 0; i < DICE; ++i)
      if (!holds[i]) dice[i] = drawn[size_t(j)][i];
    if (left > 1) holds = stark.ChooseHolds(d.sheet, dice, holds, left - 1);
  }
  const TCellChoice cell = stark.ChooseCell(d.sheet, dice);
  TSheetState sheet = d.sheet;
  sheet.Enter(cell.row, cell.column, RowPoints(cell.row, dice));
  return PlayOn(stark, endgame, sheet, rng);
}

bool VerdictSure(double lost, double se)
{
  return std::none_of(std::begin(THRESHOLDS), std::end(THRESHOLDS),
                      [&](double edge) { return std::abs(lost - edge) <= 2 * se; });
}

TPlayOuts PlayOutLoss(const TStarkPlayer& stark, TEndgame& endgame, const TDecisionReview& d,
                      unsigned seed, int least, int most, const std::atomic<bool>* cancel)
{
  TPlayOuts result;
  double sum = 0, squares = 0;
  for (int r = 0; r < most; ++r) {
    if (cancel && cancel->load(std::memory_order_relaxed)) return {};
    double difference = 0;
    for (const bool best : {true, false}) {
      std::seed_seq seq{seed, unsigned(r)};
      std::mt19937 rng(seq);
      difference += (best ? 1 : -1) * PlayOut(stark, endgame, d, best, rng);
    }
    sum += difference;
    squares += difference * difference;
    result.rolls = r + 1;
    result.lost = sum / result.rolls;
    if (result.rolls > 1)
      result.se = std::sqrt(std::max(0.0, squares / result.rolls - result.lost * result.lost) /
                            (result.rolls - 1));
    if (result.rolls >= least && VerdictSure(result.lost, result.se)) break;
  }
  return result;
}
