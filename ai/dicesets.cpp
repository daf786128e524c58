#include "ai/dicesets.h"

#include <cstddef>

using std::size_t;

namespace
{
constexpr int CODES = 7 * 7 * 7 * 7 * 7 * 7;

double Factorial(int n)
{
  double f = 1;
  for (int i = 2; i <= n; ++i)
    f *= i;
  return f;
}

// n! / (c1! ... c6!) orders out of 6^n.
double Probability(const TCounts& counts, int n)
{
  double p = Factorial(n);
  for (int c : counts)
    p /= Factorial(c);
  for (int i = 0; i < n; ++i)
    p /= 6;
  return p;
}
} // namespace

const TDiceSets& TDiceSets::Get()
{
  static const TDiceSets sets;
  return sets;
}

int TDiceSets::Code(const TCounts& counts)
{
  int code = 0;
  for (int k = DICE - 1; k >= 0; --k)
    code = code * 7 + counts[size_t(k)];
  return code;
}

TDiceSets::TDiceSets() : ByCode(CODES, -1)
{
  // Enumerate count vectors with at most six dice in all, smallest first.
  TCounts c{};
  for (int code = 0; code < CODES; ++code) {
    int v = code, size = 0;
    for (int k = 0; k < DICE; ++k) {
      c[size_t(k)] = v % 7;
      v /= 7;
      size += c[size_t(k)];
    }
    if (size > DICE) continue;
    TSet set;
    set.counts = c;
    set.size = size;
    ByCode[size_t(code)] = int(Sets.size());
    Sets.push_back(set);
  }
  for (int i = 0; i < int(Sets.size()); ++i) {
    TSet& set = Sets[size_t(i)];
    ByDice[size_t(set.size)].push_back({i, Probability(set.counts, set.size)});
    if (set.size != DICE) continue;
    set.fullOrdinal = int(Full.size());
    Full.push_back(i);
    size_t d = 0;
    for (int face = 1; face <= 6; ++face)
      for (int n = 0; n < set.counts[size_t(face - 1)]; ++n)
        set.faces[d++] = face;
  }
  // Keeps: every count vector bounded by the throw's counts.
  for (int i : Full) {
    const TCounts full = Sets[size_t(i)].counts;
    for (const TSet& sub : Sets) {
      bool inside = true;
      for (size_t k = 0; k < DICE; ++k)
        inside = inside && sub.counts[k] <= full[k];
      if (inside) Sets[size_t(i)].keeps.push_back(IndexOf(sub.counts));
    }
  }
  for (int size = 0; size <= DICE; ++size)
    for (int i = 0; i < int(Sets.size()); ++i)
      if (Sets[size_t(i)].size == size) Ordered.push_back(i);
  for (TSet& set : Sets)
    for (size_t k = 0; k < DICE; ++k) {
      TCounts more = set.counts, fewer = set.counts;
      ++more[k];
      --fewer[k];
      set.plus[k] = IndexOf(more);
      set.minus[k] = IndexOf(fewer);
    }
}

int TDiceSets::IndexOf(const TCounts& counts) const
{
  int size = 0;
  for (int c : counts) {
    if (c < 0 || c > DICE) return -1;
    size += c;
  }
  if (size > DICE) return -1;
  return ByCode[size_t(Code(counts))];
}
