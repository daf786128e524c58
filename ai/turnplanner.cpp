#include "ai/turnplanner.h"

#include <algorithm>
#include <cstddef>
#include <utility>

using std::size_t;

namespace
{
// Differences below this are rounding, not a better choice.
constexpr double TIE = 1e-7;
} // namespace

TTurnPlanner::TTurnPlanner(std::vector<double> final, int throwsLeft)
    : Planned(std::clamp(throwsLeft, 1, MAX_THROWS_LEFT))
{
  const TDiceSets& sets = TDiceSets::Get();
  Worth[0] = std::move(final);
  const std::vector<int>& order = sets.BySize();
  std::vector<double> bestBelow(ALL_SETS);
  for (int t = 1; t <= Planned; ++t) {
    // Keeping k and throwing the rest is throwing one die first and then keeping it too, so a
    // keep is worth the mean of the six keeps one die larger; six dice are the throw itself.
    std::vector<double>& keep = Keep[size_t(t)];
    keep.assign(ALL_SETS, 0.0);
    const std::vector<double>& after = Worth[size_t(t - 1)];
    for (auto k = order.rbegin(); k != order.rend(); ++k) {
      if (sets.Size(*k) == DICE) {
        keep[size_t(*k)] = after[size_t(sets.FullOrdinal(*k))];
        continue;
      }
      double sum = 0;
      for (int face = 1; face <= 6; ++face)
        sum += keep[size_t(sets.Plus(*k, face))];
      keep[size_t(*k)] = sum / 6;
    }
    // The best keep inside each multiset: its own worth or the best inside one die fewer.
    std::vector<double>& worth = Worth[size_t(t)];
    worth.assign(FULL_THROWS, 0.0);
    for (int k : order) {
      double best = keep[size_t(k)];
      for (int face = 1; face <= 6; ++face)
        if (const int fewer = sets.Minus(k, face); fewer >= 0)
          best = std::max(best, bestBelow[size_t(fewer)]);
      bestBelow[size_t(k)] = best;
      if (sets.Size(k) == DICE) worth[size_t(sets.FullOrdinal(k))] = best;
    }
  }
}

double TTurnPlanner::KeepValue(int keep, int throwsLeft) const
{
  const int t = std::clamp(throwsLeft, 1, Planned);
  return Keep[size_t(t)][size_t(keep)];
}

double TTurnPlanner::ThrowValue(int fullSet, int throwsLeft) const
{
  const int t = std::clamp(throwsLeft, 0, Planned);
  return Worth[size_t(t)][size_t(TDiceSets::Get().FullOrdinal(fullSet))];
}

int TTurnPlanner::BestKeep(int fullSet, int throwsLeft, int preferred) const
{
  const TDiceSets& sets = TDiceSets::Get();
  const std::vector<double>& keep = Keep[size_t(std::clamp(throwsLeft, 1, Planned))];
  const std::vector<int>& keeps = sets.Keeps(fullSet);
  int best = fullSet;
  for (int k : keeps) {
    const double gain = keep[size_t(k)] - keep[size_t(best)];
    if (gain > TIE || (gain > -TIE && sets.Size(k) > sets.Size(best))) best = k;
  }
  if (preferred >= 0 && std::find(keeps.begin(), keeps.end(), preferred) != keeps.end() &&
      keep[size_t(preferred)] > keep[size_t(best)] - TIE)
    best = preferred;
  return best;
}

double TTurnPlanner::TurnValue() const
{
  const TDiceSets& sets = TDiceSets::Get();
  double value = 0;
  for (const TDiceSets::TOutcome& o : sets.Outcomes(DICE))
    value += o.probability * ThrowValue(o.set, Planned);
  return value;
}
