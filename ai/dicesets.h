#pragma once

// Every multiset of up to six dice, numbered once, with the tables a turn's look-ahead needs:
// the 462 throws of six dice, the sub-multisets that a throw can keep, and for each number of
// dice thrown again every outcome with its probability. Built once, shared by all strategies.

#include "sheet/rules.h"

#include <array>
#include <cstddef>
#include <vector>

constexpr int FULL_THROWS = 462; // multisets of six dice
constexpr int ALL_SETS = 924;    // multisets of none to six dice

class TDiceSets
{
public:
  struct TOutcome {
    int set;            // multiset index of the dice that come up
    double probability; // of that multiset among all orders of throwing them
  };

  static const TDiceSets& Get();

  // Index of the multiset with these counts (element k: dice showing face k + 1), or -1.
  int IndexOf(const TCounts& counts) const;
  int IndexOfFaces(const TFaces& faces) const { return IndexOf(CountFaces(faces)); }

  const TCounts& Counts(int set) const { return Sets[std::size_t(set)].counts; }
  int Size(int set) const { return Sets[std::size_t(set)].size; }
  // The faces of a multiset of six dice, ascending.
  const TFaces& Faces(int set) const { return Sets[std::size_t(set)].faces; }

  // The multisets of six dice; FullIndex(i) is the set index of the i-th one.
  int FullIndex(int i) const { return Full[std::size_t(i)]; }
  int FullOrdinal(int set) const { return Sets[std::size_t(set)].fullOrdinal; }
  // Every sub-multiset of a multiset of six dice: the choices of dice to keep.
  const std::vector<int>& Keeps(int fullSet) const { return Sets[std::size_t(fullSet)].keeps; }
  // Every outcome of throwing n dice (0 to 6) as a multiset, probabilities adding up to 1.
  const std::vector<TOutcome>& Outcomes(int n) const { return ByDice[std::size_t(n)]; }

  // The multiset with one more die showing face (1 to 6), or -1 beyond six dice; and with one
  // die of that face fewer, or -1 when it has none.
  int Plus(int set, int face) const { return Sets[std::size_t(set)].plus[std::size_t(face - 1)]; }
  int Minus(int set, int face) const { return Sets[std::size_t(set)].minus[std::size_t(face - 1)]; }
  // Every multiset, fewest dice first.
  const std::vector<int>& BySize() const { return Ordered; }

private:
  struct TSet {
    TCounts counts{};
    TFaces faces{};
    int size = 0;
    int fullOrdinal = -1;
    std::array<int, DICE> plus{}, minus{};
    std::vector<int> keeps;
  };

  TDiceSets();
  static int Code(const TCounts& counts);

  std::vector<TSet> Sets;
  std::vector<int> Full;
  std::vector<int> ByCode; // base-7 code of the counts -> set index
  std::array<std::vector<TOutcome>, DICE + 1> ByDice;
  std::vector<int> Ordered;
};
