#include "ai/sheetvalue.h"

#include "ai/turnplanner.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

using std::size_t;

namespace
{
constexpr unsigned ALL_NUMBER_ROWS = (1u << NUMBER_ROWS) - 1;
constexpr int SUMS = MAX_NUMBER_SUM + 1;

size_t NumberIndex(int column, unsigned freeRows, int sum)
{
  return (size_t(column) * (ALL_NUMBER_ROWS + 1) + freeRows) * SUMS + size_t(sum);
}

// Chance of exactly k successes out of n tries with chance p each.
double Binomial(int n, int k, double p)
{
  double c = 1;
  for (int i = 0; i < k; ++i)
    c = c * (n - i) / (i + 1);
  return c * std::pow(p, k) * std::pow(1 - p, n - k);
}

// Best play of a whole turn for a single row's score, from the first throw.
double TurnForRow(int row, bool onlyWhetherItScores)
{
  const TDiceSets& sets = TDiceSets::Get();
  std::vector<double> final(FULL_THROWS);
  for (int i = 0; i < FULL_THROWS; ++i) {
    const int points = RowPoints(row, sets.Faces(sets.FullIndex(i)));
    final[size_t(i)] = onlyWhetherItScores ? points > 0 : points;
  }
  return TTurnPlanner(std::move(final), MAX_THROWS_LEFT).TurnValue();
}
} // namespace

TWorthTable TargetedWorths(double numberTries, double patternTries)
{
  TWorthTable table;
  // Keeping every die of the face, each die shows it after one of three throws with this chance.
  const double hit = 1 - std::pow(5.0 / 6.0, MAX_THROWS_LEFT + 1);
  for (int row = 0; row < SHEET_ROWS; ++row) {
    const bool number = SectionOf(row).kind == TColumnKind::Point;
    const double tries = std::max(1.0, number ? numberTries : patternTries);
    double points = 0, scores = 0;
    std::array<double, 7> counts{};
    if (number) {
      // The best of the tries: at most k dice of the face when every try has at most k.
      double below = 0;
      for (int k = 0; k <= DICE; ++k) {
        const double upTo = below + Binomial(DICE, k, hit);
        counts[size_t(k)] = std::pow(upTo, tries) - std::pow(below, tries);
        points += counts[size_t(k)] * k * (row + 1);
        below = upTo;
      }
      scores = 1 - counts[0];
    } else {
      // A turn's chance of scoring and the mean points when it scores stay those of one try.
      static const auto single = [] {
        std::array<std::array<double, 2>, SHEET_ROWS> odds{};
        for (int r = ROW_PASCH; r < SHEET_ROWS; ++r)
          odds[size_t(r)] = {TurnForRow(r, true), TurnForRow(r, false)};
        return odds;
      }();
      const double once = single[size_t(row)][0];
      scores = 1 - std::pow(1 - once, tries);
      points = once > 0 ? single[size_t(row)][1] / once * scores : 0;
    }
    for (int column = 0; column < SHEET_COLUMNS; ++column) {
      table.points[size_t(row)][size_t(column)] = points;
      table.scores[size_t(row)][size_t(column)] = scores;
      if (number) table.counts[size_t(row)][size_t(column)] = counts;
    }
  }
  return table;
}

TSheetValue::TSheetValue(const TWorthTable& table, const TSheetCorrection* correction)
    : Worths(table), Correction(correction),
      Numbers(size_t(SHEET_COLUMNS) * (ALL_NUMBER_ROWS + 1) * SUMS, 0.0)
{
  // Rows are taken lowest face first; with independent rows the order does not matter.
  for (int column = 0; column < SHEET_COLUMNS; ++column)
    for (unsigned mask = 0; mask <= ALL_NUMBER_ROWS; ++mask)
      for (int sum = 0; sum < SUMS; ++sum) {
        double& value = Numbers[NumberIndex(column, mask, sum)];
        if (mask == 0) {
          value = NumberBonus(sum);
          continue;
        }
        int row = 0;
        while (!(mask & (1u << row)))
          ++row;
        const int face = row + 1;
        const auto& counts = Worths.counts[size_t(row)][size_t(column)];
        value = 0;
        for (int k = 0; k <= DICE; ++k) {
          const int after = std::min(sum + k * face, MAX_NUMBER_SUM);
          value += counts[size_t(k)] *
                   (k * face + Numbers[NumberIndex(column, mask & ~(1u << row), after)]);
        }
      }
}

double TSheetValue::NumberFuture(int column, unsigned freeRows, int sum) const
{
  return Numbers[NumberIndex(column, freeRows, std::clamp(sum, 0, MAX_NUMBER_SUM))];
}

double TSheetValue::PatternFuture(const TSheetState& sheet, const TSection& section, int column,
                                  int skipRow) const
{
  double points = 0, allScore = 1;
  bool struck = false;
  for (int row = section.firstRow; row < section.firstRow + section.rows; ++row) {
    if (row == skipRow) continue;
    if (!sheet.IsFree(row, column)) {
      struck = struck || sheet.Cell(row, column) == 0;
      continue;
    }
    points += Worths.points[size_t(row)][size_t(column)];
    allScore *= Worths.scores[size_t(row)][size_t(column)];
  }
  if (struck) return points;
  return points + allScore * PatternBonus(section.rows, section.rows);
}

double TSheetValue::Value(const TSheetState& sheet) const
{
  double total = 0;
  for (int column = 0; column < SHEET_COLUMNS; ++column) {
    double raw = 0;
    for (const TSection& section : SECTIONS) {
      unsigned freeRows = 0;
      int sum = 0;
      for (int row = section.firstRow; row < section.firstRow + section.rows; ++row) {
        if (sheet.IsFree(row, column)) {
          freeRows |= 1u << (row - section.firstRow);
          if (!HasPatternBonus(section.kind) && section.kind != TColumnKind::Point)
            raw += Worths.points[size_t(row)][size_t(column)];
        } else {
          sum += sheet.Cell(row, column);
        }
      }
      raw += sum;
      if (section.kind == TColumnKind::Point) raw += NumberFuture(column, freeRows, sum);
      if (HasPatternBonus(section.kind)) raw += PatternFuture(sheet, section, column, -1);
    }
    total += raw * Multiplier(column);
  }
  return Correction ? total + Correction->Value(sheet) : total;
}

std::vector<TEntryGain> TSheetValue::Gains(const TSheetState& sheet) const
{
  std::vector<TEntryGain> gains;
  for (int column = 0; column < SHEET_COLUMNS; ++column) {
    const double m = Multiplier(column);
    unsigned freeNumbers = 0;
    int numberSum = 0;
    for (int row = 0; row < NUMBER_ROWS; ++row) {
      if (sheet.IsFree(row, column))
        freeNumbers |= 1u << row;
      else
        numberSum += sheet.Cell(row, column);
    }
    const double numbersNow = NumberFuture(column, freeNumbers, numberSum);
    for (const TSection& section : SECTIONS) {
      const double patternNow =
          HasPatternBonus(section.kind) ? PatternFuture(sheet, section, column, -1) : 0;
      for (int row = section.firstRow; row < section.firstRow + section.rows; ++row) {
        if (!sheet.IsFree(row, column)) continue;
        TEntryGain gain;
        gain.row = row;
        gain.column = column;
        gain.perPoint = m;
        if (section.kind == TColumnKind::Point) {
          gain.face = row + 1;
          for (int k = 0; k <= DICE; ++k)
            gain.byCount[size_t(k)] =
                m * (NumberFuture(column, freeNumbers & ~(1u << row), numberSum + k * gain.face) -
                     numbersNow);
        } else if (HasPatternBonus(section.kind)) {
          gain.ifPoints = m * (PatternFuture(sheet, section, column, row) - patternNow);
          double others = 0;
          for (int r = section.firstRow; r < section.firstRow + section.rows; ++r)
            if (r != row && sheet.IsFree(r, column))
              others += Worths.points[size_t(r)][size_t(column)];
          gain.ifStruck = m * (others - patternNow);
        } else {
          gain.ifPoints = gain.ifStruck = -m * Worths.points[size_t(row)][size_t(column)];
        }
        gains.push_back(gain);
      }
    }
  }
  if (Correction) Correction->AddTo(sheet, gains);
  return gains;
}
