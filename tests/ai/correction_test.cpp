// The strong player's sheet-model correction: what a decision adds up (the change of each entry)
// must be exactly what the fitted worth of the sheets says, feature for feature.

#include "ai/sheetcorrection.h"
#include "ai/sheetvalue.h"
#include "ai/strategy.h"

#include "tests/ai/sheets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace
{
// A sheet with about `free` free cells, the others entered with points or struck at random.
TSheetState RandomSheet(std::mt19937& rng, int free)
{
  TSheetState sheet;
  std::uniform_int_distribution<int> cell(0, SHEET_ROWS * SHEET_COLUMNS - 1), coin(0, 3);
  while (sheet.FreeCount() > free) {
    const int i = cell(rng);
    const int row = i / SHEET_COLUMNS, column = i % SHEET_COLUMNS;
    if (!sheet.IsFree(row, column)) continue;
    sheet.Enter(row, column, coin(rng) == 0 ? 0 : row < NUMBER_ROWS ? 3 * (row + 1) : 30);
  }
  return sheet;
}

TSheetCorrection RandomCorrection(std::mt19937& rng)
{
  std::normal_distribution<double> weight(0, 10);
  std::vector<double> weights(TSheetCorrection::FEATURES), levels(TSheetCorrection::LEVELS);
  for (double& w : weights)
    w = weight(rng);
  for (double& l : levels)
    l = weight(rng);
  return TSheetCorrection(weights, levels);
}
} // namespace

TEST(SheetCorrection, EachEntrysChangeIsTheDifferenceOfTheSheetsWorths)
{
  std::mt19937 rng(7);
  const TSheetValue plain(TargetedWorths());
  for (int trial = 0; trial < 60; ++trial) {
    const TSheetCorrection correction =
        trial % 3 == 0 ? TSheetCorrection::Fitted() : RandomCorrection(rng);
    const TSheetValue corrected(TargetedWorths(), &correction);
    // Every free count, down to the last cells, where the correction falls away.
    const TSheetState sheet = RandomSheet(rng, 63 - trial);
    const auto before = plain.Gains(sheet);
    const auto after = corrected.Gains(sheet);
    ASSERT_EQ(before.size(), after.size());
    const double now = correction.Value(sheet);
    EXPECT_NEAR(corrected.Value(sheet) - plain.Value(sheet), now, 1e-9);
    for (size_t g = 0; g < after.size(); ++g) {
      const TEntryGain& gain = after[g];
      auto change = [&](int points) {
        TSheetState next = sheet;
        next.Enter(gain.row, gain.column, points);
        return correction.Value(next) - now;
      };
      if (gain.face) {
        for (int k = 0; k <= DICE; ++k)
          EXPECT_NEAR(gain.Gain(k * gain.face) - before[g].Gain(k * gain.face),
                      change(k * gain.face), 1e-9)
              << "row " << gain.row << " column " << gain.column << " free " << sheet.FreeCount();
      } else {
        EXPECT_NEAR(gain.Gain(0) - before[g].Gain(0), change(0), 1e-9)
            << "row " << gain.row << " column " << gain.column << " free " << sheet.FreeCount();
        EXPECT_NEAR(gain.Gain(30) - before[g].Gain(30), change(30), 1e-9)
            << "row " << gain.row << " column " << gain.column << " free " << sheet.FreeCount();
      }
    }
  }
}

TEST(SheetCorrection, WorthIsTheWeightedFeaturesAndVanishesOnTheLastCell)
{
  std::mt19937 rng(11);
  const TSheetCorrection correction = RandomCorrection(rng);
  std::vector<std::pair<int, double>> features;
  for (int free = 0; free <= 63; free += 3) {
    const TSheetState sheet = RandomSheet(rng, free);
    TSheetCorrection::Features(sheet, features);
    double value = correction.Levels()[size_t(sheet.FreeCount())];
    for (auto [i, x] : features) {
      ASSERT_GE(i, 0);
      ASSERT_LT(i, TSheetCorrection::FEATURES);
      value += correction.Weights()[size_t(i)] * x;
    }
    EXPECT_NEAR(correction.Value(sheet), value, 1e-9);
  }
  // A fresh sheet: each cell's three features, each row's four, and each open bonus section's
  // one for all of its cells free.
  TSheetCorrection::Features(TSheetState(), features);
  EXPECT_EQ(features.size(), size_t(63 * 3 + 21 * 4 + 9));
  // With one cell left the model must stay exact, so the shipped correction adds nothing there.
  TSheetState last = FullSheet();
  last.Enter(ROW_CHANCE, 2, FREE_CELL);
  TSheetCorrection::Features(last, features);
  EXPECT_TRUE(features.empty());
  EXPECT_EQ(TSheetCorrection::Fitted().Value(last), 0);
  EXPECT_EQ(TSheetCorrection::Fitted().Value(FullSheet()), 0);
}

TEST(SheetCorrection, ShippedTableIsFitted)
{
  // No placeholder: every row's cells carry weights, and no weight is out of all proportion to
  // the points of a game.
  const TSheetCorrection& fitted = TSheetCorrection::Fitted();
  for (int row = 0; row < SHEET_ROWS; ++row) {
    double weight = 0;
    for (int i = 0; i < SHEET_COLUMNS * TSheetCorrection::CELL_FEATURES; ++i)
      weight += std::abs(fitted.Weights()[size_t(row * SHEET_COLUMNS * 3 + i)]);
    EXPECT_GT(weight, 0.5) << "row " << row;
  }
  for (double w : fitted.Weights())
    EXPECT_LT(std::abs(w), 500.0);
}
