#include "ai/strategy.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <utility>

using std::size_t;

namespace
{
// Number rows are valued with fewer turns than the others, pattern rows with more: a number
// row's dice come in bit by bit from throws played for other cells, and a struck pattern row
// costs its column bonus. Found by self-play, confirmed on a second seed.
constexpr double NUMBER_TRIES_SCALE = 0.6;
constexpr double PATTERN_TRIES_SCALE = 1.5;

std::shared_ptr<const std::vector<TSheetValue>> BuildModels(double mostTries,
                                                            const TSheetCorrection* correction)
{
  auto models = std::make_shared<std::vector<TSheetValue>>();
  constexpr int cells = SHEET_ROWS * SHEET_COLUMNS;
  for (int free = 0; free <= cells; ++free) {
    const double share = (mostTries - 1) * std::max(free - 1, 0) / (cells - 1);
    models->emplace_back(
        TargetedWorths(1 + share * NUMBER_TRIES_SCALE, 1 + share * PATTERN_TRIES_SCALE),
        correction);
  }
  return models;
}
} // namespace

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

const std::array<TRowThrows, SHEET_ROWS>& RowThrows()
{
  static const std::array<TRowThrows, SHEET_ROWS> table = [] {
    std::array<TRowThrows, SHEET_ROWS> byRow;
    const auto& points = ThrowPoints();
    for (int row = 0; row < SHEET_ROWS; ++row)
      for (int i = 0; i < FULL_THROWS; ++i) {
        const int p = points[size_t(i)][size_t(row)];
        if (p > 0)
          byRow[size_t(row)].hits.emplace_back(i, row < NUMBER_ROWS ? p / (row + 1) : p);
        else
          byRow[size_t(row)].misses.push_back(i);
      }
    return byRow;
  }();
  return table;
}

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

TStrategy::TStrategy(double mostTries, bool deep, const TSheetCorrection* correction) : Deep(deep)
{
  static const auto standard = BuildModels(DEFAULT_MOST_TRIES, &TSheetCorrection::Fitted());
  Models = mostTries == DEFAULT_MOST_TRIES && correction == &TSheetCorrection::Fitted()
               ? standard
               : BuildModels(mostTries, correction);
}

double TStrategy::ValueAfterEntry(const TSheetState& sheet) const
{
  const int free = std::min(sheet.FreeCount() + 1, int(Models->size()) - 1);
  return (*Models)[size_t(free)].Value(sheet);
}

const TSheetValue& TStrategy::ModelFor(const TSheetState& sheet) const
{
  return (*Models)[size_t(sheet.FreeCount())];
}

const std::vector<TEntryGain>& TStrategy::EntryGains(const TSheetState& sheet) const
{
  if (Cached && CachedSheet == sheet) return CachedGains;
  std::vector<TEntryGain> gains = ModelFor(sheet).Gains(sheet);
  // With one cell left the model is exact, and a shallow player trusts it throughout.
  if (Deep && sheet.FreeCount() > 1)
    for (TEntryGain& gain : gains) {
      // Gain() adds the points times the multiplier, so each worth here leaves them out.
      auto after = [&](int points) {
        TSheetState next = sheet;
        next.Enter(gain.row, gain.column, points);
        return NextTurnValue(next) - gain.perPoint * points;
      };
      if (gain.face) {
        for (int k = 0; k <= DICE; ++k)
          gain.byCount[size_t(k)] = after(k * gain.face);
      } else {
        // Beyond scoring at all, the points of any other row add straight to the total, so one
        // sample of them is enough. Chance always scores.
        gain.ifStruck = gain.row == ROW_CHANCE ? 0 : after(0);
        gain.ifPoints = after(gain.row == ROW_WUMMEL || gain.row == ROW_WUMMEL + 1 ? 50 : 30);
      }
    }
  CachedSheet = sheet;
  CachedGains = std::move(gains);
  Cached = true;
  return CachedGains;
}

namespace
{
// base plus the best gain of any free cell, for each throw of six dice.
std::vector<double> BestEntries(const std::vector<TEntryGain>& gains, double base)
{
  std::vector<double> best(FULL_THROWS, -std::numeric_limits<double>::infinity());
  if (gains.empty()) best.assign(FULL_THROWS, 0.0);
  double floor = -std::numeric_limits<double>::infinity();
  for (const TEntryGain& gain : gains) {
    if (gain.face) {
      std::array<double, DICE + 1> value{};
      for (int k = 0; k <= DICE; ++k)
        value[size_t(k)] = gain.Gain(k * gain.face);
      FoldCell(
          best, floor, gain.row, [&](int k) { return value[size_t(k)]; }, value[0],
          *std::min_element(value.begin() + 1, value.end()) >= value[0]);
    } else {
      FoldCell(
          best, floor, gain.row, [&](int p) { return gain.perPoint * p + gain.ifPoints; },
          gain.ifStruck, gain.ifPoints >= gain.ifStruck);
    }
  }
  for (double& value : best)
    value = std::max(value, floor) + base;
  return best;
}
} // namespace

std::vector<double> TStrategy::FinalValues(const TSheetState& sheet) const
{
  if (Deep && sheet.FreeCount() > 1) return BestEntries(EntryGains(sheet), 0);
  return ModelFinalValues(sheet);
}

std::vector<double> TStrategy::TurnFinals(const TSheetState& sheet,
                                          const TCellOffsets& offsets) const
{
  const bool deep = Deep && sheet.FreeCount() > 1;
  const std::vector<TEntryGain> modelGains =
      deep ? std::vector<TEntryGain>() : ModelFor(sheet).Gains(sheet);
  const std::vector<TEntryGain>& gains = deep ? EntryGains(sheet) : modelGains;
  const double base = deep ? 0 : ModelFor(sheet).Value(sheet);
  const auto& points = ThrowPoints();
  std::vector<double> finals(FULL_THROWS, base);
  if (gains.empty()) return finals;
  for (size_t i = 0; i < size_t(FULL_THROWS); ++i) {
    // The cell chosen as ChooseCell chooses it: the first of the best.
    double best = -std::numeric_limits<double>::infinity();
    size_t cell = 0;
    for (const TEntryGain& gain : gains) {
      const double value = gain.Gain(points[i][size_t(gain.row)]);
      if (value > best) {
        best = value;
        cell = size_t(gain.row * SHEET_COLUMNS + gain.column);
      }
    }
    finals[i] += best + offsets[cell];
  }
  return finals;
}

std::vector<double> TStrategy::ModelFinalValues(const TSheetState& sheet) const
{
  const TSheetValue& model = ModelFor(sheet);
  return BestEntries(model.Gains(sheet), model.Value(sheet));
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
  return TTurnPlanner(ModelFinalValues(sheet), MAX_THROWS_LEFT).TurnValue();
}

TCellChoice TStrategy::ChooseCell(const TSheetState& sheet, const TFaces& dice) const
{
  TCellChoice choice;
  if (!ValidDice(dice)) return choice;
  double best = -std::numeric_limits<double>::infinity();
  for (const TEntryGain& gain : EntryGains(sheet)) {
    const double value = gain.Gain(RowPoints(gain.row, dice));
    if (value > best) {
      best = value;
      choice = {gain.row, gain.column};
    }
  }
  return choice;
}

double TStrategy::CellValue(const TSheetState& sheet, const TFaces& dice, int row, int column) const
{
  // The deep worths are whole totals; the model's leave out what the sheet is worth already.
  const double base = Deep && sheet.FreeCount() > 1 ? 0 : ModelFor(sheet).Value(sheet);
  for (const TEntryGain& gain : EntryGains(sheet))
    if (gain.row == row && gain.column == column) return base + gain.Gain(RowPoints(row, dice));
  return -std::numeric_limits<double>::infinity();
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
