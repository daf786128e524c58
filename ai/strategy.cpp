#include "ai/strategy.h"

#include <algorithm>
#include <cstddef>
#include <limits>

using std::size_t;

namespace
{
std::shared_ptr<const std::vector<TSheetValue>> BuildModels(double mostTries)
{
  auto models = std::make_shared<std::vector<TSheetValue>>();
  constexpr int cells = SHEET_ROWS * SHEET_COLUMNS;
  for (int free = 0; free <= cells; ++free) {
    const double tries = 1 + (mostTries - 1) * std::max(free - 1, 0) / (cells - 1);
    models->emplace_back(TargetedWorths(std::max(tries, 1.0)));
  }
  return models;
}

THolds HoldsFor(const TFaces& dice, const THolds& holds, const TCounts& keep)
{
  // Held dice of a face stay held before free ones are picked, so the hold marks change little.
  TCounts left = keep;
  THolds result{};
  for (int pass = 0; pass < 2; ++pass)
    for (size_t i = 0; i < DICE; ++i) {
      const size_t face = size_t(dice[i] - 1);
      if (result[i] || holds[i] != (pass == 0) || left[face] == 0) continue;
      result[i] = true;
      --left[face];
    }
  return result;
}

TCounts HeldCounts(const TFaces& dice, const THolds& holds)
{
  TCounts counts{};
  for (size_t i = 0; i < DICE; ++i)
    if (holds[i]) ++counts[size_t(dice[i] - 1)];
  return counts;
}

bool ValidDice(const TFaces& dice)
{
  return std::all_of(dice.begin(), dice.end(), [](int f) { return f >= 1 && f <= 6; });
}
} // namespace

const std::vector<std::array<int, SHEET_ROWS>>& ThrowPoints()
{
  static const std::vector<std::array<int, SHEET_ROWS>> table = [] {
    const TDiceSets& sets = TDiceSets::Get();
    std::vector<std::array<int, SHEET_ROWS>> points(FULL_THROWS);
    for (int i = 0; i < FULL_THROWS; ++i)
      for (int row = 0; row < SHEET_ROWS; ++row)
        points[size_t(i)][size_t(row)] = RowPoints(row, sets.Faces(sets.FullIndex(i)));
    return points;
  }();
  return table;
}

TStrategy::TStrategy(double mostTries)
{
  static const auto standard = BuildModels(DEFAULT_MOST_TRIES);
  Models = mostTries == DEFAULT_MOST_TRIES ? standard : BuildModels(mostTries);
}

const TSheetValue& TStrategy::ModelFor(const TSheetState& sheet) const
{
  return (*Models)[size_t(sheet.FreeCount())];
}

std::vector<double> TStrategy::FinalValues(const TSheetState& sheet) const
{
  const TSheetValue& model = ModelFor(sheet);
  const double base = model.Value(sheet);
  const std::vector<TEntryGain> gains = model.Gains(sheet);
  const auto& points = ThrowPoints();
  std::vector<double> final(FULL_THROWS, base);
  if (gains.empty()) return final;
  for (int i = 0; i < FULL_THROWS; ++i) {
    double best = -std::numeric_limits<double>::infinity();
    for (const TEntryGain& gain : gains)
      best = std::max(best, gain.Gain(points[size_t(i)][size_t(gain.row)]));
    final[size_t(i)] += best;
  }
  return final;
}

THolds TStrategy::ChooseHolds(const TSheetState& sheet, const TFaces& dice, const THolds& holds,
                              int throwsLeft) const
{
  if (throwsLeft < 1 || !ValidDice(dice) || sheet.FreeCount() == 0) return holds;
  const TDiceSets& sets = TDiceSets::Get();
  const TTurnPlanner planner(FinalValues(sheet), throwsLeft);
  const int keep =
      planner.BestKeep(sets.IndexOfFaces(dice), throwsLeft, sets.IndexOf(HeldCounts(dice, holds)));
  return HoldsFor(dice, holds, sets.Counts(keep));
}

TCellChoice TStrategy::ChooseCell(const TSheetState& sheet, const TFaces& dice) const
{
  TCellChoice choice;
  if (!ValidDice(dice)) return choice;
  double best = -std::numeric_limits<double>::infinity();
  for (const TEntryGain& gain : ModelFor(sheet).Gains(sheet)) {
    const double value = gain.Gain(RowPoints(gain.row, dice));
    if (value > best) {
      best = value;
      choice = {gain.row, gain.column};
    }
  }
  return choice;
}

double TStrategy::HoldValue(const TSheetState& sheet, const TFaces& dice, const THolds& holds,
                            int throwsLeft) const
{
  if (!ValidDice(dice)) return 0;
  const TDiceSets& sets = TDiceSets::Get();
  const TTurnPlanner planner(FinalValues(sheet), std::max(throwsLeft, 1));
  if (throwsLeft < 1) return planner.ThrowValue(sets.IndexOfFaces(dice), 0);
  return planner.KeepValue(sets.IndexOf(HeldCounts(dice, holds)), throwsLeft);
}
