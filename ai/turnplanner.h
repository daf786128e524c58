#pragma once

// Exact look-ahead over the throws left in a turn. Given what each of the 462 final throws is
// worth, it finds for every throw and every number of throws left the dice worth keeping, as
// the expectation over every outcome of the dice thrown again. The strategy feeds it the worth
// of the best cell for each throw; the cell worths feed it the points of a single row.

#include "ai/dicesets.h"

#include <array>
#include <vector>

constexpr int MAX_THROWS_LEFT = 2; // after the first throw of a turn

class TTurnPlanner
{
public:
  // final[i]: worth of ending the turn with the i-th throw of six dice (TDiceSets::FullIndex).
  // Plans for up to throwsLeft (at least one) further throws.
  TTurnPlanner(std::vector<double> final, int throwsLeft);
  // The worths of the same turn when the dice are kept as `policy` keeps them, whatever the
  // finals here would advise: what another's play of the turn is worth by these finals.
  TTurnPlanner(std::vector<double> final, const TTurnPlanner& policy);

  // Expected worth of keeping the multiset `keep` and throwing the other dice, with
  // throwsLeft (1 or 2) throws still to come, this one included.
  double KeepValue(int keep, int throwsLeft) const;
  // Worth of having the throw `fullSet` with throwsLeft throws still to come, played well.
  double ThrowValue(int fullSet, int throwsLeft) const;
  // The best multiset to keep from `fullSet`; on a tie the preferred one, then the larger.
  int BestKeep(int fullSet, int throwsLeft, int preferred = -1) const;
  // Expected worth of a whole turn, from the first throw of six dice.
  double TurnValue() const;

private:
  // Keep[t] from Worth[t - 1].
  const std::vector<double>& FillKeeps(int t);

  int Planned;
  // Worth[t][ordinal]: throw worth with t throws left; Keep[t][set]: keep worth with t left.
  std::array<std::vector<double>, MAX_THROWS_LEFT + 1> Worth;
  std::array<std::vector<double>, MAX_THROWS_LEFT + 1> Keep;
};
