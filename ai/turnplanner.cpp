#include "ai/turnplanner.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <utility>

using std::size_t;

namespace
{
// Differences below this are rounding, not a better choice.
constexpr double TIE = 1e-7;
// Multisets of at most five dice; the 462 of six follow them in the order of their ordinals.
constexpr int SMALL_SETS = ALL_SETS - FULL_THROWS;

// The multisets renumbered fewest dice first, so that each pass of the look-ahead runs straight
// through flat tables. A missing neighbour points at an extra slot that is never chosen.
struct TLayout {
  static constexpr int NONE = ALL_SETS;
  std::array<std::array<std::int16_t, 6>, ALL_SETS> plus{}, minus{};
  std::array<std::int16_t, ALL_SETS> position{}; // set index -> position
  std::array<std::int16_t, ALL_SETS> set{};      // position -> set index

  TLayout()
  {
    const TDiceSets& sets = TDiceSets::Get();
    const std::vector<int>& order = sets.BySize();
    for (size_t p = 0; p < order.size(); ++p) {
      position[size_t(order[p])] = std::int16_t(p);
      set[p] = std::int16_t(order[p]);
    }
    for (size_t p = 0; p < order.size(); ++p)
      for (int face = 1; face <= 6; ++face) {
        const int more = sets.Plus(order[p], face), fewer = sets.Minus(order[p], face);
        plus[p][size_t(face - 1)] = std::int16_t(more < 0 ? NONE : position[size_t(more)]);
        minus[p][size_t(face - 1)] = std::int16_t(fewer < 0 ? NONE : position[size_t(fewer)]);
      }
  }

  static const TLayout& Get()
  {
    static const TLayout layout = [] {
      TLayout l;
      // The throws of six dice sit at the end in ordinal order, which the planner relies on.
      const TDiceSets& sets = TDiceSets::Get();
      for (int i = 0; i < FULL_THROWS; ++i)
        if (l.position[size_t(sets.FullIndex(i))] != SMALL_SETS + i) std::abort();
      return l;
    }();
    return layout;
  }
};
} // namespace

const std::vector<double>& TTurnPlanner::FillKeeps(int t)
{
  // Keeping k and throwing the rest is throwing one die first and then keeping it too, so a
  // keep is worth the mean of the six keeps one die larger; six dice are the throw itself.
  // Kept by position here; KeepValue and BestKeep translate set indices.
  const TLayout& layout = TLayout::Get();
  std::vector<double>& keep = Keep[size_t(t)];
  keep.resize(ALL_SETS + 1);
  const std::vector<double>& after = Worth[size_t(t - 1)];
  std::copy(after.begin(), after.end(), keep.begin() + SMALL_SETS);
  for (int p = SMALL_SETS - 1; p >= 0; --p) {
    const auto& up = layout.plus[size_t(p)];
    keep[size_t(p)] = (keep[size_t(up[0])] + keep[size_t(up[1])] + keep[size_t(up[2])] +
                       keep[size_t(up[3])] + keep[size_t(up[4])] + keep[size_t(up[5])]) /
                      6;
  }
  return keep;
}

TTurnPlanner::TTurnPlanner(std::vector<double> final, int throwsLeft)
    : Planned(std::clamp(throwsLeft, 1, MAX_THROWS_LEFT))
{
  const TLayout& layout = TLayout::Get();
  Worth[0] = std::move(final);
  // One slot more than there are sets: the missing neighbour, never the best.
  std::array<double, ALL_SETS + 1> bestBelow;
  bestBelow[TLayout::NONE] = -std::numeric_limits<double>::infinity();
  for (int t = 1; t <= Planned; ++t) {
    const std::vector<double>& keep = FillKeeps(t);
    // The best keep inside each multiset: its own worth or the best inside one die fewer.
    std::vector<double>& worth = Worth[size_t(t)];
    worth.resize(FULL_THROWS);
    for (int p = 0; p < ALL_SETS; ++p) {
      const auto& down = layout.minus[size_t(p)];
      double best = keep[size_t(p)];
      for (size_t f = 0; f < 6; ++f)
        best = std::max(best, bestBelow[size_t(down[f])]);
      bestBelow[size_t(p)] = best;
    }
    std::copy(bestBelow.begin() + SMALL_SETS, bestBelow.begin() + ALL_SETS, worth.begin());
  }
}

TTurnPlanner::TTurnPlanner(std::vector<double> final, const TTurnPlanner& policy)
    : Planned(policy.Planned)
{
  const TLayout& layout = TLayout::Get();
  const TDiceSets& sets = TDiceSets::Get();
  Worth[0] = std::move(final);
  for (int t = 1; t <= Planned; ++t) {
    const std::vector<double>& keep = FillKeeps(t);
    std::vector<double>& worth = Worth[size_t(t)];
    worth.resize(FULL_THROWS);
    for (int i = 0; i < FULL_THROWS; ++i)
      worth[size_t(i)] =
          keep[size_t(layout.position[size_t(policy.BestKeep(sets.FullIndex(i), t))])];
  }
}

double TTurnPlanner::KeepValue(int keep, int throwsLeft) const
{
  const int t = std::clamp(throwsLeft, 1, Planned);
  return Keep[size_t(t)][size_t(TLayout::Get().position[size_t(keep)])];
}

double TTurnPlanner::ThrowValue(int fullSet, int throwsLeft) const
{
  const int t = std::clamp(throwsLeft, 0, Planned);
  return Worth[size_t(t)][size_t(TDiceSets::Get().FullOrdinal(fullSet))];
}

int TTurnPlanner::BestKeep(int fullSet, int throwsLeft, int preferred) const
{
  const TDiceSets& sets = TDiceSets::Get();
  const TLayout& layout = TLayout::Get();
  const std::vector<double>& keep = Keep[size_t(std::clamp(throwsLeft, 1, Planned))];
  auto value = [&](int set) { return keep[size_t(layout.position[size_t(set)])]; };
  const std::vector<int>& keeps = sets.Keeps(fullSet);
  int best = fullSet;
  for (int k : keeps) {
    const double gain = value(k) - value(best);
    if (gain > TIE || (gain > -TIE && sets.Size(k) > sets.Size(best))) best = k;
  }
  if (preferred >= 0 && std::find(keeps.begin(), keeps.end(), preferred) != keeps.end() &&
      value(preferred) > value(best) - TIE)
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
