#include "ai/sheetcorrection.h"

#include "ai/sheetvalue.h"

#include <algorithm>

using std::size_t;

namespace
{
constexpr int CELLS = SHEET_ROWS * SHEET_COLUMNS;

// The sections with a pattern bonus, in sheet order, and where their features start.
struct TBonusSection {
  const TSection* section;
  int first;
};

const std::array<TBonusSection, 3>& BonusSections()
{
  static const std::array<TBonusSection, 3> table = [] {
    std::array<TBonusSection, 3> sections{};
    int next = TSheetCorrection::FIRST_BONUS_FEATURE, i = 0;
    for (const TSection& section : SECTIONS)
      if (HasPatternBonus(section.kind)) {
        sections[size_t(i++)] = {&section, next};
        next += SHEET_COLUMNS * section.rows;
      }
    return sections;
  }();
  return table;
}

// Which bonus section (0 to 2) holds a row, or -1.
int BonusSectionOf(int row)
{
  const auto& sections = BonusSections();
  for (int i = 0; i < int(sections.size()); ++i) {
    const TSection& s = *sections[size_t(i)].section;
    if (row >= s.firstRow && row < s.firstRow + s.rows) return i;
  }
  return -1;
}

// A bonus section's free cells in a column, or -1 when a struck cell has lost the bonus.
int OpenBonusCells(const TSheetState& sheet, const TSection& section, int column)
{
  int free = 0;
  for (int row = section.firstRow; row < section.firstRow + section.rows; ++row) {
    if (sheet.IsFree(row, column))
      ++free;
    else if (sheet.Cell(row, column) == 0)
      return -1;
  }
  return free;
}

int FreeColumns(const TSheetState& sheet, int row)
{
  int k = 0;
  for (int column = 0; column < SHEET_COLUMNS; ++column)
    k += sheet.IsFree(row, column);
  return k;
}
} // namespace

TSheetCorrection::TSheetCorrection() : W(FEATURES, 0.0), Level(LEVELS, 0.0) {}

TSheetCorrection::TSheetCorrection(std::span<const double> weights, std::span<const double> levels)
    : TSheetCorrection()
{
  std::copy_n(weights.begin(), std::min<size_t>(weights.size(), W.size()), W.begin());
  std::copy_n(levels.begin(), std::min<size_t>(levels.size(), Level.size()), Level.begin());
}

void TSheetCorrection::Features(const TSheetState& sheet,
                                std::vector<std::pair<int, double>>& features)
{
  features.clear();
  const int free = sheet.FreeCount();
  if (free < MIN_FREE) return;
  const double f = double(free) / CELLS;
  for (int row = 0; row < SHEET_ROWS; ++row) {
    for (int column = 0; column < SHEET_COLUMNS; ++column) {
      if (!sheet.IsFree(row, column)) continue;
      const int i = (row * SHEET_COLUMNS + column) * CELL_FEATURES;
      features.insert(features.end(), {{i, 1.0}, {i + 1, f}, {i + 2, f * f}});
    }
    const int k = FreeColumns(sheet, row), i = FIRST_ROW_FEATURE + row * ROW_FEATURES;
    if (k >= 2) features.insert(features.end(), {{i, 1.0}, {i + 1, f}});
    if (k == 3) features.insert(features.end(), {{i + 2, 1.0}, {i + 3, f}});
  }
  for (const TBonusSection& bonus : BonusSections())
    for (int column = 0; column < SHEET_COLUMNS; ++column) {
      const int n = OpenBonusCells(sheet, *bonus.section, column);
      if (n > 0) features.emplace_back(bonus.first + column * bonus.section->rows + n - 1, 1.0);
    }
}

double TSheetCorrection::CellTerm(int row, int column, double f) const
{
  const double* w = &W[size_t((row * SHEET_COLUMNS + column) * CELL_FEATURES)];
  return w[0] + f * (w[1] + f * w[2]);
}

double TSheetCorrection::RowTerm(int row, int k, double f) const
{
  const double* w = &W[size_t(FIRST_ROW_FEATURE + row * ROW_FEATURES)];
  return (k >= 2 ? w[0] + f * w[1] : 0) + (k == 3 ? w[2] + f * w[3] : 0);
}

double TSheetCorrection::BonusTerm(int column, int section, int n) const
{
  if (n <= 0) return 0;
  const TBonusSection& bonus = BonusSections()[size_t(section)];
  return W[size_t(bonus.first + column * bonus.section->rows + n - 1)];
}

double TSheetCorrection::Value(const TSheetState& sheet) const
{
  const int free = sheet.FreeCount();
  if (free < MIN_FREE) return Level[size_t(free)];
  const double f = double(free) / CELLS;
  double value = Level[size_t(free)];
  for (int row = 0; row < SHEET_ROWS; ++row) {
    for (int column = 0; column < SHEET_COLUMNS; ++column)
      if (sheet.IsFree(row, column)) value += CellTerm(row, column, f);
    value += RowTerm(row, FreeColumns(sheet, row), f);
  }
  for (int s = 0; s < int(BonusSections().size()); ++s)
    for (int column = 0; column < SHEET_COLUMNS; ++column)
      value +=
          BonusTerm(column, s, OpenBonusCells(sheet, *BonusSections()[size_t(s)].section, column));
  return value;
}

void TSheetCorrection::AddTo(const TSheetState& sheet, std::vector<TEntryGain>& gains) const
{
  const int free = sheet.FreeCount();
  if (free < 1 || gains.empty()) return;
  const double now = Value(sheet);
  if (free - 1 < MIN_FREE) {
    // The sheet after any entry has no features left, only its level.
    for (TEntryGain& gain : gains) {
      const double change = Level[size_t(free - 1)] - now;
      gain.ifPoints += change;
      gain.ifStruck += change;
      for (double& byCount : gain.byCount)
        byCount += change;
    }
    return;
  }
  // Every entry leaves one cell fewer, so every term moves to the next share of free cells;
  // then each entry changes its own cell's, its row's and its bonus section's terms.
  const double after = double(free - 1) / CELLS;
  double moved = Level[size_t(free - 1)];
  std::array<int, SHEET_ROWS> freeColumns{};
  for (int row = 0; row < SHEET_ROWS; ++row) {
    for (int column = 0; column < SHEET_COLUMNS; ++column)
      if (sheet.IsFree(row, column)) moved += CellTerm(row, column, after);
    freeColumns[size_t(row)] = FreeColumns(sheet, row);
    moved += RowTerm(row, freeColumns[size_t(row)], after);
  }
  std::array<std::array<int, SHEET_COLUMNS>, 3> open{};
  for (int s = 0; s < 3; ++s)
    for (int column = 0; column < SHEET_COLUMNS; ++column) {
      open[size_t(s)][size_t(column)] =
          OpenBonusCells(sheet, *BonusSections()[size_t(s)].section, column);
      moved += BonusTerm(column, s, open[size_t(s)][size_t(column)]);
    }
  const double common = moved - now;
  for (TEntryGain& gain : gains) {
    const int k = freeColumns[size_t(gain.row)];
    double change = common - CellTerm(gain.row, gain.column, after) +
                    RowTerm(gain.row, k - 1, after) - RowTerm(gain.row, k, after);
    double ifStruck = change;
    const int s = BonusSectionOf(gain.row);
    if (s >= 0) {
      const int n = open[size_t(s)][size_t(gain.column)];
      change += BonusTerm(gain.column, s, n - 1) - BonusTerm(gain.column, s, n);
      ifStruck -= BonusTerm(gain.column, s, n);
    }
    gain.ifPoints += change;
    gain.ifStruck += gain.face ? change : ifStruck;
    for (double& byCount : gain.byCount)
      byCount += change;
  }
}
