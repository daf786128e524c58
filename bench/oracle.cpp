#include "bench/oracle.h"

#include <cmath>
#include <vector>

using std::size_t;

double TPlayedValue::Future(const TSheetState& sheet)
{
  if (sheet.FreeCount() == 0) return 0;
  const TEndgame::TKey key = TEndgame::KeyOf(sheet);
  if (const auto found = Memo.find(key); found != Memo.end()) return found->second;

  const TDiceSets& sets = TDiceSets::Get();
  // The player's decisions on this sheet first: it keeps one plan and one set of entry worths,
  // for the last sheet it was asked about.
  const TTurnPlanner plan = Player.Plan(sheet);
  std::vector<TCellChoice> cells(FULL_THROWS);
  for (int i = 0; i < FULL_THROWS; ++i)
    cells[size_t(i)] = Player.ChooseCell(sheet, sets.Faces(sets.FullIndex(i)));

  // What ending the turn with each throw brings, the player's later turns included.
  const int total = sheet.GrandTotal();
  std::vector<double> ending(FULL_THROWS);
  for (int i = 0; i < FULL_THROWS; ++i) {
    const TCellChoice cell = cells[size_t(i)];
    TSheetState next = sheet;
    next.Enter(cell.row, cell.column, RowPoints(cell.row, sets.Faces(sets.FullIndex(i))));
    ending[size_t(i)] = next.GrandTotal() - total + Future(next);
  }
  auto endingOf = [&](int fullSet) { return ending[size_t(sets.FullOrdinal(fullSet))]; };
  auto joined = [&](int keep, int outcome) {
    TCounts counts = sets.Counts(keep);
    for (size_t k = 0; k < DICE; ++k)
      counts[k] += sets.Counts(outcome)[k];
    return sets.IndexOf(counts);
  };

  // Keeping `keep` before the last throw.
  std::vector<double> lastKeep(ALL_SETS, NAN);
  auto lastKeepValue = [&](int keep) {
    double& value = lastKeep[size_t(keep)];
    if (std::isnan(value)) {
      value = 0;
      for (const TDiceSets::TOutcome& o : sets.Outcomes(DICE - sets.Size(keep)))
        value += o.probability * endingOf(joined(keep, o.set));
    }
    return value;
  };
  // Having a throw with one throw left, after keeping `kept` (the player's tie-break).
  auto secondThrow = [&](int throwSet, int kept) {
    const int keep = plan.BestKeep(throwSet, 1, kept);
    return keep == throwSet ? endingOf(throwSet) : lastKeepValue(keep);
  };
  std::vector<double> firstKeep(ALL_SETS, NAN);
  const int nothing = sets.IndexOf(TCounts{});
  double future = 0;
  for (const TDiceSets::TOutcome& first : sets.Outcomes(DICE)) {
    const int keep = plan.BestKeep(first.set, 2, nothing);
    double value;
    if (keep == first.set) {
      value = endingOf(first.set);
    } else {
      double& kept = firstKeep[size_t(keep)];
      if (std::isnan(kept)) {
        kept = 0;
        for (const TDiceSets::TOutcome& o : sets.Outcomes(DICE - sets.Size(keep)))
          kept += o.probability * secondThrow(joined(keep, o.set), keep);
      }
      value = kept;
    }
    future += first.probability * value;
  }
  Memo.emplace(key, future);
  return future;
}
