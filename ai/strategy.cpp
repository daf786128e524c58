#include "ai/strategy.h"

#include <algorithm>
#include <cstddef>
#include <limits>

using std::size_t;

namespace
{
// How many of the model's best cells are weighed by playing the next turn: more than four
// changed no result in self-play.
constexpr size_t LOOKAHEAD_CELLS = 4;

// Number rows are valued with fewer turns than the others, pattern rows with more: a number
// row's dice come in bit by bit from throws played for other cells, and a struck pattern row
// costs its column bonus. Found by self-play, confirmed on a second seed.
constexpr double NUMBER_TRIES_SCALE = 0.6;
constexpr double PATTERN_TRIES_SCALE = 1.5;

std::shared_ptr<const std::vector<TSheetValue>> BuildModels(double mostTries)
{
  auto models = std::make_shared<std::vector<TSheetValue>>();
  constexpr int cells = SHEET_ROWS * SHEET_COLUMNS;
  for (int free = 0; free <= cells; ++free) {
    const double share = (mostTries - 1) * std::max(free - 1, 0) / (cells - 1);
    models->emplace_back(
        TargetedWorths(1 + share * NUMBER_TRIES_SCALE, 1 + share * PATTERN_TRIES_SCALE));
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

double TStrategy::NextTurnValue(const TSheetState& sheet) const
{
  if (sheet.FreeCount() == 0) return sheet.GrandTotal();
  return TTurnPlanner(FinalValues(sheet), MAX_THROWS_LEFT).TurnValue();
}

TCellChoice TStrategy::ChooseCell(const TSheetState& sheet, const TFaces& dice) const
{
  TCellChoice choice;
  if (!ValidDice(dice)) return choice;
  struct TCandidate {
    double value;
    int row, column, points;
  };
  std::vector<TCandidate> candidates;
  for (const TEntryGain& gain : ModelFor(sheet).Gains(sheet)) {
    const int points = RowPoints(gain.row, dice);
    candidates.push_back({gain.Gain(points), gain.row, gain.column, points});
  }
  if (candidates.empty()) return choice;
  // The model's favourites are weighed once more by playing the next turn on the sheet each
  // leaves; the model alone misjudges how the cells left free work together.
  const size_t looked = std::min(candidates.size(), LOOKAHEAD_CELLS);
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const TCandidate& a, const TCandidate& b) { return a.value > b.value; });
  if (looked > 1 && sheet.FreeCount() > 1)
    for (size_t i = 0; i < looked; ++i) {
      TSheetState after = sheet;
      after.Enter(candidates[i].row, candidates[i].column, candidates[i].points);
      candidates[i].value = NextTurnValue(after);
    }
  const auto best =
      std::max_element(candidates.begin(), candidates.begin() + std::ptrdiff_t(looked),
                       [](const TCandidate& a, const TCandidate& b) { return a.value < b.value; });
  return {best->row, best->column};
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
