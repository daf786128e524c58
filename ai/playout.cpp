#include "ai/playout.h"

#include "ai/dicesets.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iterator>

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

double PlayOn(const TStarkPlayer& stark, TEndgame& endgame, TSheetState sheet, std::mt19937& rng,
              double* luck)
{
  const TDiceSets& sets = TDiceSets::Get();
  while (sheet.FreeCount() > 0 && !stark.PlaysExactly(sheet)) {
    const TTurnDice drawn = Draw(rng);
    TFaces dice = drawn[0];
    THolds holds{};
    // The turn's plan is the one Stark holds by, so each throw's luck is what it moved the
    // plan's expectation, exactly zero on average over the throw.
    const TTurnPlanner* plan = luck ? &stark.Plan(sheet) : nullptr;
    if (plan)
      *luck += plan->ThrowValue(sets.IndexOfFaces(dice), MAX_THROWS_LEFT) - plan->TurnValue();
    for (int left = MAX_THROWS_LEFT, j = 1; left >= 1; --left, ++j) {
      holds = stark.ChooseHolds(sheet, dice, holds, left);
      if (holds == ALL) break;
      const double expected =
          plan ? plan->KeepValue(sets.IndexOf(HeldCounts(dice, holds)), left) : 0;
      for (size_t i = 0; i < DICE; ++i)
        if (!holds[i]) dice[i] = drawn[size_t(j)][i];
      if (plan) *luck += plan->ThrowValue(sets.IndexOfFaces(dice), left - 1) - expected;
    }
    const TCellChoice cell = stark.ChooseCell(sheet, dice);
    sheet.Enter(cell.row, cell.column, RowPoints(cell.row, dice));
  }
  if (sheet.FreeCount() == 0) return sheet.GrandTotal();
  if (endgame.States() > MOST_REMEMBERED) endgame.Forget();
  return endgame.Value(sheet);
}

double PlayOut(const TStarkPlayer& stark, TEndgame& endgame, const TDecisionReview& d, bool best,
               std::mt19937& rng, double* luck)
{
  if (d.kind == TDecisionKind::Cell) {
    TSheetState sheet = d.sheet;
    const TCellChoice& cell = best ? d.bestCell : d.doneCell;
    sheet.Enter(cell.row, cell.column, best ? d.bestPoints : d.donePoints);
    return PlayOn(stark, endgame, sheet, rng, luck);
  }
  // The rest of the turn first: the throws after the decision take the drawn dice of their row.
  const TDiceSets& sets = TDiceSets::Get();
  const TTurnDice drawn = Draw(rng);
  THolds holds = best ? d.bestHolds : d.doneHolds;
  TFaces dice = d.dice;
  const TTurnPlanner* plan = luck ? &stark.Plan(d.sheet) : nullptr;
  int j = MAX_THROWS_LEFT - d.throwsLeft + 1;
  for (int left = d.throwsLeft; left >= 1 && holds != ALL; --left, ++j) {
    const double expected = plan ? plan->KeepValue(sets.IndexOf(HeldCounts(dice, holds)), left) : 0;
    for (size_t i = 0; i < DICE; ++i)
      if (!holds[i]) dice[i] = drawn[size_t(j)][i];
    if (plan) *luck += plan->ThrowValue(sets.IndexOfFaces(dice), left - 1) - expected;
    if (left > 1) holds = stark.ChooseHolds(d.sheet, dice, holds, left - 1);
  }
  const TCellChoice cell = stark.ChooseCell(d.sheet, dice);
  TSheetState sheet = d.sheet;
  sheet.Enter(cell.row, cell.column, RowPoints(cell.row, dice));
  return PlayOn(stark, endgame, sheet, rng, luck);
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
  auto se = [](double total, double totalSquares, int n) {
    const double mean = total / n;
    return n > 1 ? std::sqrt(std::max(0.0, totalSquares / n - mean * mean) / (n - 1)) : 0.0;
  };
  for (int r = 0; r < most; ++r) {
    if (cancel && cancel->load(std::memory_order_relaxed)) return {};
    double difference = 0;
    for (const bool best : {true, false}) {
      std::seed_seq seq{seed, unsigned(r)};
      std::mt19937 rng(seq);
      double luck = 0;
      const double total = PlayOut(stark, endgame, d, best, rng, &luck);
      difference += (best ? 1 : -1) * (total - luck);
    }
    sum += difference;
    squares += difference * difference;
    result.rolls = r + 1;
    result.lost = sum / result.rolls;
    result.se = se(sum, squares, result.rolls);
    if (result.rolls >= least && VerdictSure(result.lost, result.se)) break;
  }
  return result;
}
