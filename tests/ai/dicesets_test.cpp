#include "ai/dicesets.h"
#include "ai/sheetstate.h"

#include <gtest/gtest.h>
#include <map>
#include <set>
#include <vector>

namespace
{
// Every sequence of n dice, as faces 1 to 6.
std::vector<std::vector<int>> Sequences(int n)
{
  std::vector<std::vector<int>> all{{}};
  for (int i = 0; i < n; ++i) {
    std::vector<std::vector<int>> longer;
    for (const auto& s : all)
      for (int face = 1; face <= 6; ++face) {
        longer.push_back(s);
        longer.back().push_back(face);
      }
    all = longer;
  }
  return all;
}
} // namespace

// Each multiset's probability is the share of the 6^n ordered throws that show it.
TEST(DiceSets, OutcomeProbabilitiesMatchCountsOverAllSequences)
{
  const TDiceSets& sets = TDiceSets::Get();
  int total = 0;
  for (int n = 0; n <= DICE; ++n) {
    std::map<int, int> seen;
    const auto sequences = Sequences(n);
    for (const auto& s : sequences) {
      TCounts c{};
      for (int face : s)
        ++c[size_t(face - 1)];
      ++seen[sets.IndexOf(c)];
    }
    const auto& outcomes = sets.Outcomes(n);
    ASSERT_EQ(outcomes.size(), seen.size()) << n << " dice";
    for (const auto& o : outcomes)
      EXPECT_DOUBLE_EQ(o.probability, double(seen[o.set]) / double(sequences.size()));
    total += int(outcomes.size());
  }
  EXPECT_EQ(total, ALL_SETS);
  EXPECT_EQ(sets.Outcomes(DICE).size(), size_t(FULL_THROWS));
}

TEST(DiceSets, KeepsAreEverySubMultisetOnce)
{
  const TDiceSets& sets = TDiceSets::Get();
  // 1, 1, 2, 3, 3, 3: (2 + 1)(1 + 1)(3 + 1) ways to keep some of each face.
  const int throwSet = sets.IndexOfFaces({3, 1, 3, 2, 1, 3});
  EXPECT_EQ(sets.Keeps(throwSet).size(), 24u);
  EXPECT_EQ(sets.Keeps(sets.IndexOfFaces({1, 2, 3, 4, 5, 6})).size(), 64u);
  EXPECT_EQ(sets.Keeps(sets.IndexOfFaces({4, 4, 4, 4, 4, 4})).size(), 7u);
  EXPECT_EQ(sets.IndexOf({7, 0, 0, 0, 0, 0}), -1);
  EXPECT_EQ(sets.IndexOf({-1, 2, 0, 0, 0, 0}), -1);
  // One die more or fewer, as the look-ahead steps through the keeps.
  EXPECT_EQ(sets.Plus(sets.IndexOf({2, 0, 0, 0, 0, 0}), 2), sets.IndexOf({2, 1, 0, 0, 0, 0}));
  EXPECT_EQ(sets.Plus(throwSet, 4), -1);
  EXPECT_EQ(sets.Minus(throwSet, 3), sets.IndexOf({2, 1, 2, 0, 0, 0}));
  EXPECT_EQ(sets.Minus(throwSet, 6), -1);
  // Every multiset comes once, none before one with fewer dice.
  const std::vector<int>& order = sets.BySize();
  ASSERT_EQ(order.size(), size_t(ALL_SETS));
  for (size_t i = 1; i < order.size(); ++i)
    EXPECT_LE(sets.Size(order[i - 1]), sets.Size(order[i]));
  EXPECT_EQ(std::set<int>(order.begin(), order.end()).size(), size_t(ALL_SETS));
}

// The totals as the sheet shows them: cells, number bonus and pattern bonuses, times the column.
TEST(SheetState, ColumnTotalsAddBonusesBeforeTheMultiplier)
{
  TSheetState sheet;
  EXPECT_EQ(sheet.GrandTotal(), 0);
  EXPECT_EQ(sheet.FreeCount(), 63);
  for (int row = 0; row < NUMBER_ROWS; ++row) // 3 dice of every face: raw 63
    sheet.Enter(ROW_NUMBERS + row, 1, 3 * (row + 1));
  EXPECT_EQ(sheet.ColumnTotal(1), (63 + 30) * 2);
  sheet.Enter(ROW_CHANCE, 2, 25);
  EXPECT_EQ(sheet.ColumnTotal(2), 75);
  sheet.Enter(ROW_PASCH, 1, 18);
  sheet.Enter(ROW_PASCH + 1, 1, 21);
  sheet.Enter(ROW_PASCH + 2, 1, 0);
  EXPECT_EQ(sheet.ColumnTotal(1), (63 + 30 + 39) * 2);
  sheet.Enter(ROW_PASCH + 2, 1, 24);
  EXPECT_EQ(sheet.ColumnTotal(1), (63 + 30 + 63 + 50) * 2);
  EXPECT_EQ(sheet.GrandTotal(), (63 + 30 + 63 + 50) * 2 + 75);
  EXPECT_EQ(sheet.FreeCount(), 63 - 10);
}

TEST(SheetState, RowPointsFollowTheRowsInSheetOrder)
{
  const TFaces straight = {6, 5, 4, 3, 2, 1};
  const int expected[SHEET_ROWS] = {1, 2,  3,  4,  5,  6,  0,  0, 0, 0, 0,
                                    0, 30, 30, 30, 40, 40, 50, 0, 0, 21};
  for (int row = 0; row < SHEET_ROWS; ++row)
    EXPECT_EQ(RowPoints(row, straight), expected[row]) << row;
  EXPECT_EQ(RowPoints(ROW_WUMMEL + 1, {2, 2, 2, 2, 2, 2}), 50);
  EXPECT_EQ(RowPoints(ROW_HOUSES + 2, {3, 3, 3, 2, 2, 2}), 30);
  EXPECT_EQ(RowPoints(ROW_PASCH + 2, {3, 3, 3, 3, 3, 6}), 21);
}
