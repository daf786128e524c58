#include "ai/greedy.h"
#include "ai/strategy.h"
#include "tests/ai/sheets.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace
{
// Expected final total by brute force: every ordered sequence of the dice thrown again, the best
// of all 64 hold patterns before each further throw, the best free cell at the end.
class TBruteForce
{
public:
  explicit TBruteForce(const TSheetState& sheet) : Sheet(sheet), Memo(46656, NAN) {}

  double Final(const TFaces& dice)
  {
    int code = 0;
    for (int face : dice)
      code = code * 6 + face - 1;
    double& best = Memo[size_t(code)];
    if (!std::isnan(best)) return best;
    best = -1;
    for (int row = 0; row < SHEET_ROWS; ++row)
      for (int column = 0; column < SHEET_COLUMNS; ++column) {
        if (!Sheet.IsFree(row, column)) continue;
        TSheetState after = Sheet;
        after.Enter(row, column, RowPoints(row, dice));
        best = std::max(best, double(after.GrandTotal()));
      }
    return best;
  }

  // Holding `held` (bit i: die i + 1) and throwing the others, with throwsLeft throws to come.
  double Hold(TFaces dice, unsigned held, int throwsLeft)
  {
    std::vector<size_t> free;
    for (size_t i = 0; i < DICE; ++i)
      if (!(held & (1u << i))) free.push_back(i);
    int sequences = 1;
    for (size_t n = 0; n < free.size(); ++n)
      sequences *= 6;
    double sum = 0;
    for (int s = 0; s < sequences; ++s) {
      int v = s;
      for (size_t i : free) {
        dice[i] = v % 6 + 1;
        v /= 6;
      }
      if (throwsLeft == 1) {
        sum += Final(dice);
        continue;
      }
      double best = Final(dice);
      for (unsigned next = 0; next < 64; ++next)
        best = std::max(best, Hold(dice, next, throwsLeft - 1));
      sum += best;
    }
    return sum / sequences;
  }

private:
  TSheetState Sheet;
  std::vector<double> Memo;
};

THolds Holds(unsigned mask)
{
  THolds holds{};
  for (size_t i = 0; i < DICE; ++i)
    holds[i] = mask & (1u << i);
  return holds;
}

unsigned Mask(const THolds& holds)
{
  unsigned mask = 0;
  for (size_t i = 0; i < DICE; ++i)
    mask |= unsigned(holds[i]) << i;
  return mask;
}

const TStrategy& Strategy()
{
  static const TStrategy strategy;
  return strategy;
}
} // namespace

// With one cell left the expected worth is the expected grand total, so the look-ahead over
// multisets must agree with a count over every ordered sequence of dice.
TEST(StrategyHoldValue, MatchesBruteForceOverAllSequences)
{
  const TStrategy& strategy = Strategy();
  {
    TSheetState sheet = FullSheet();
    sheet.Enter(ROW_CHANCE, 0, FREE_CELL);
    TBruteForce brute(sheet);
    const TFaces dice = {6, 6, 6, 1, 2, 3};
    EXPECT_NEAR(strategy.HoldValue(sheet, dice, Holds(0), 1), brute.Hold(dice, 0, 1), 1e-9);
    EXPECT_NEAR(strategy.HoldValue(sheet, dice, Holds(0b000111), 1), brute.Hold(dice, 0b000111, 1),
                1e-9);
    EXPECT_NEAR(strategy.HoldValue(sheet, dice, Holds(0), 0), brute.Final(dice), 1e-9);
  }
  {
    // Only the ×2 "Wummel" left: two throws to come, four threes held.
    TSheetState sheet = FullSheet();
    sheet.Enter(ROW_WUMMEL, 1, FREE_CELL);
    TBruteForce brute(sheet);
    const TFaces dice = {3, 1, 3, 3, 2, 3};
    const double fourThrees = brute.Hold(dice, 0b101101, 2);
    EXPECT_NEAR(strategy.HoldValue(sheet, dice, Holds(0b101101), 2), fourThrees, 1e-9);
    EXPECT_NEAR(strategy.HoldValue(sheet, dice, Holds(0b101111), 2), brute.Hold(dice, 0b101111, 2),
                1e-9);
    const THolds chosen = strategy.ChooseHolds(sheet, dice, Holds(0), 2);
    EXPECT_EQ(Mask(chosen), 0b101101u);
  }
  {
    // Only the ×3 "1-2-3-4-5-6" left, a six short, one throw to come.
    TSheetState sheet = FullSheet();
    sheet.Enter(ROW_STREETS + 5, 2, FREE_CELL);
    TBruteForce brute(sheet);
    const TFaces dice = {1, 2, 3, 4, 5, 5};
    EXPECT_NEAR(strategy.HoldValue(sheet, dice, Holds(0b011111), 1), brute.Hold(dice, 0b011111, 1),
                1e-9);
    EXPECT_NEAR(strategy.HoldValue(sheet, dice, Holds(0b001111), 1), brute.Hold(dice, 0b001111, 1),
                1e-9);
    // One time in six the straight scores 50 and completes the column's bonus of 50, times 3.
    EXPECT_NEAR(brute.Hold(dice, 0b011111, 1) - brute.Final(dice), 3 * (50 + 50) / 6.0, 1e-9);
  }
  {
    // Only "1er" ×1 left, the column two points short of its bonus.
    TSheetState sheet = FullSheet();
    sheet.Enter(ROW_NUMBERS, 0, FREE_CELL);
    const int numbers[NUMBER_ROWS] = {FREE_CELL, 6, 6, 16, 15, 18};
    for (int row = 1; row < NUMBER_ROWS; ++row)
      sheet.Enter(row, 0, numbers[row]);
    int sum = 0;
    for (int row = 1; row < NUMBER_ROWS; ++row)
      sum += sheet.Cell(row, 0);
    ASSERT_EQ(sum, 61);
    TBruteForce brute(sheet);
    const TFaces dice = {4, 1, 4, 5, 6, 6};
    EXPECT_NEAR(strategy.HoldValue(sheet, dice, Holds(0), 1), brute.Hold(dice, 0, 1), 1e-9);
    EXPECT_NEAR(strategy.HoldValue(sheet, dice, Holds(0b000010), 1), brute.Hold(dice, 0b000010, 1),
                1e-9);
    EXPECT_EQ(Mask(strategy.ChooseHolds(sheet, dice, Holds(0), 1)), 0b000010u);
  }
}

TEST(StrategyChoices, HandCheckedPositions)
{
  const TStrategy& strategy = Strategy();
  const TGreedy greedy;
  // Six equal dice with "Wummel" free: 150 points in the ×3 column, and no reason to throw.
  const TSheetState fresh;
  const TFaces twos = {2, 2, 2, 2, 2, 2};
  const TCellChoice wummel = strategy.ChooseCell(fresh, twos);
  EXPECT_TRUE(wummel.row == ROW_WUMMEL || wummel.row == ROW_WUMMEL + 1) << wummel.row;
  EXPECT_EQ(wummel.column, 2);
  EXPECT_EQ(Mask(strategy.ChooseHolds(fresh, twos, Holds(0), 2)), 0b111111u);

  // A straight one die short with one throw left: keep one of each of 1 to 5 and throw the
  // other five, which cannot lose "1-2-3-4-5" and makes "1-2-3-4-5-6" one time in six.
  const TFaces almost = {5, 1, 2, 5, 3, 4};
  const THolds straight = strategy.ChooseHolds(fresh, almost, Holds(0), 1);
  EXPECT_EQ(std::count(straight.begin(), straight.end(), true), 5);
  EXPECT_TRUE(straight[1] && straight[2] && straight[4] && straight[5]);
  // The five already held stays held, the other one is thrown.
  EXPECT_EQ(Mask(strategy.ChooseHolds(fresh, almost, Holds(0b001000), 1)), 0b111110u);

  // Late in a game the ×3 number column is two points short of its bonus, with two ones in the
  // throw and only "Chance" ×3 and "Wummel" ×1 free besides: entering the ones secures
  // 3 × (2 + 30) and keeps "Chance" for later, where the greedy player takes "Chance" for
  // 3 × 18 and leaves the bonus to one last turn at "1er".
  TSheetState lateGame = FullSheet();
  const int numbers[NUMBER_ROWS] = {FREE_CELL, 6, 6, 16, 15, 18};
  for (int row = 0; row < NUMBER_ROWS; ++row)
    lateGame.Enter(row, 2, numbers[row]);
  lateGame.Enter(ROW_CHANCE, 2, FREE_CELL);
  lateGame.Enter(ROW_WUMMEL, 0, FREE_CELL);
  const TFaces ones = {1, 3, 1, 6, 5, 2};
  const TCellChoice bonus = strategy.ChooseCell(lateGame, ones);
  EXPECT_EQ(bonus.row, ROW_NUMBERS);
  EXPECT_EQ(bonus.column, 2);
  const TCellChoice naive = greedy.ChooseCell(lateGame, ones);
  EXPECT_EQ(naive.row, ROW_CHANCE);
  EXPECT_EQ(naive.column, 2);
}

// With two cells left the choice weighs the last turn exactly. "1er" ×1 and "Chance" ×1 are free
// and the other number rows of that column hold 60. Five ones enter as 5 and reach the bonus
// (+30), and "Chance" then brings 28 on average (each die kept from 5 up on the first throw, from
// 4 up on the second: 4 2/3 a die); "Chance" now brings 11, and "1er" later 2.53 ones on average
// with the bonus only about half the time. The greedy player takes the 11.
TEST(StrategyChoices, LastTwoCellsWeighedExactly)
{
  TSheetState sheet = FullSheet();
  sheet.Enter(ROW_NUMBERS, 0, FREE_CELL);
  sheet.Enter(ROW_CHANCE, 0, FREE_CELL);
  const TFaces dice = {1, 1, 6, 1, 1, 1};
  const TCellChoice cell = Strategy().ChooseCell(sheet, dice);
  EXPECT_EQ(cell.row, ROW_NUMBERS);
  EXPECT_EQ(cell.column, 0);
  EXPECT_EQ(TGreedy().ChooseCell(sheet, dice).row, ROW_CHANCE);

  TSheetState after = sheet;
  after.Enter(ROW_NUMBERS, 0, 5);
  EXPECT_NEAR(Strategy().Value(after), after.GrandTotal() + 28.0, 1e-9);
  // Ending the turn with these dice is worth the ones entered and "Chance" played afterwards,
  // whether the entry is judged by playing that last turn or by the model alone.
  for (const bool deep : {true, false})
    EXPECT_NEAR(TStrategy(DEFAULT_MOST_TRIES, deep).HoldValue(sheet, dice, Holds(0), 0),
                after.GrandTotal() + 28.0, 1e-9);
}

// Decisions on many random sheets and dice only ever name a free cell, and whole games fill
// every cell exactly once.
TEST(StrategyChoices, NeverALockedCell)
{
  const TStrategy& strategy = Strategy();
  const TGreedy greedy;
  std::mt19937 rng(4711);
  std::uniform_int_distribution<int> die(1, 6), percent(0, 99);
  for (int round = 0; round < 300; ++round) {
    TSheetState sheet;
    const int filled = percent(rng);
    for (int row = 0; row < SHEET_ROWS; ++row)
      for (int column = 0; column < SHEET_COLUMNS; ++column)
        if (percent(rng) < filled) sheet.Enter(row, column, percent(rng) % 3 ? 30 : 0);
    TFaces dice;
    for (int& face : dice)
      face = die(rng);
    for (const TCellChoice cell :
         {strategy.ChooseCell(sheet, dice), greedy.ChooseCell(sheet, dice)}) {
      if (sheet.FreeCount() == 0) {
        EXPECT_EQ(cell.row, -1);
        continue;
      }
      ASSERT_GE(cell.row, 0);
      ASSERT_LT(cell.row, SHEET_ROWS);
      ASSERT_GE(cell.column, 0);
      ASSERT_LT(cell.column, SHEET_COLUMNS);
      EXPECT_TRUE(sheet.IsFree(cell.row, cell.column));
    }
    const THolds holds = Holds(unsigned(percent(rng)) % 64);
    EXPECT_EQ(strategy.ChooseHolds(sheet, dice, holds, 0), holds);
  }

  for (int game = 0; game < 4; ++game) {
    TSheetState mine, naive;
    for (int turn = 0; turn < SHEET_ROWS * SHEET_COLUMNS; ++turn) {
      for (TSheetState* sheet : {&mine, &naive}) {
        TFaces dice;
        for (int& face : dice)
          face = die(rng);
        THolds holds{};
        for (int left = MAX_THROWS_LEFT; left >= 1; --left) {
          holds = sheet == &mine ? strategy.ChooseHolds(*sheet, dice, holds, left)
                                 : greedy.ChooseHolds(*sheet, dice, holds, left);
          for (size_t i = 0; i < DICE; ++i)
            if (!holds[i]) dice[i] = die(rng);
        }
        const TCellChoice cell =
            sheet == &mine ? strategy.ChooseCell(*sheet, dice) : greedy.ChooseCell(*sheet, dice);
        ASSERT_TRUE(cell.row >= 0 && sheet->IsFree(cell.row, cell.column)) << turn;
        sheet->Enter(cell.row, cell.column, RowPoints(cell.row, dice));
      }
    }
    EXPECT_EQ(mine.FreeCount(), 0);
    EXPECT_EQ(naive.FreeCount(), 0);
    // A whole game's worth is exactly its grand total.
    EXPECT_NEAR(strategy.Value(mine), mine.GrandTotal(), 1e-9);
  }
}

// Dice the game could never show give no decision rather than a read out of bounds.
TEST(StrategyChoices, ImpossibleDiceAreRefused)
{
  const TStrategy& strategy = Strategy();
  const TSheetState fresh;
  const TFaces bad = {1, 2, 0, 4, 5, 7};
  EXPECT_EQ(strategy.ChooseCell(fresh, bad).row, -1);
  EXPECT_EQ(Mask(strategy.ChooseHolds(fresh, bad, Holds(0b1), 2)), 0b1u);
  EXPECT_EQ(strategy.HoldValue(fresh, bad, Holds(0), 2), 0);
}

// Folding cells into the best worth of each throw, with the floor for dominated misses, gives
// exactly the maximum over every cell that each throw can go to, counted the plain way. Random
// worths, some of them with a miss worth more than a score, on every row.
TEST(StrategyChoices, FoldedCellsGiveEachThrowsBestCell)
{
  const auto& points = ThrowPoints();
  std::mt19937 rng(20240613);
  std::uniform_real_distribution<double> worth(-100, 100);
  for (int round = 0; round < 200; ++round) {
    struct TCell {
      int row;
      std::array<double, 2> scale; // worth of a score: scale[0] + scale[1] * its points
      double missed;
    };
    std::vector<TCell> cells;
    const int count = 1 + round % 8;
    for (int c = 0; c < count; ++c) {
      const int row = int(rng() % SHEET_ROWS);
      cells.push_back({row, {worth(rng), std::abs(worth(rng)) / 10}, worth(rng)});
    }
    std::vector<double> best(FULL_THROWS, -INFINITY);
    double floor = -INFINITY;
    for (const TCell& cell : cells) {
      auto hit = [&](int p) { return cell.scale[0] + cell.scale[1] * p; };
      // Dominated when no score is worth less than the miss; points are at least 1.
      bool dominated = true;
      for (const auto& [i, p] : RowThrows()[size_t(cell.row)].hits)
        dominated = dominated && hit(p) >= cell.missed;
      FoldCell(best, floor, cell.row, hit, cell.missed, dominated);
    }
    for (int i = 0; i < FULL_THROWS; ++i) {
      double plain = -INFINITY;
      for (const TCell& cell : cells) {
        const int p = points[size_t(i)][size_t(cell.row)];
        const int scored = cell.row < NUMBER_ROWS ? p / (cell.row + 1) : p;
        plain = std::max(plain, p > 0 ? cell.scale[0] + cell.scale[1] * scored : cell.missed);
      }
      ASSERT_EQ(std::max(best[size_t(i)], floor), plain) << "round " << round << ", throw " << i;
    }
  }
}

// Stark's own play of a turn valued by other worths, as the game analysis values it: each throw
// ends in the cell that ChooseCell picks, worth that cell's value plus its offset, and the dice
// are kept as Stark's plan keeps them. Without offsets that is the plan itself; with them it is
// never worth more than a plan that chooses by them, and one throw before the last is the mean
// over every outcome of the dice Stark throws again, counted here the plain way.
TEST(StrategyChoices, StarksPlayValuedByOtherWorths)
{
  const TStrategy strategy;
  const TDiceSets& sets = TDiceSets::Get();
  TSheetState sheet;
  std::mt19937 rng(11);
  for (int row = 0; row < SHEET_ROWS; row += 2)
    sheet.Enter(row, int(rng() % SHEET_COLUMNS), row < NUMBER_ROWS ? 2 * (row + 1) : 0);
  const std::vector<double> finals = strategy.TurnFinals(sheet);
  const std::vector<double> unmoved = strategy.TurnFinals(sheet, TCellOffsets{});
  TCellOffsets offsets{};
  std::uniform_real_distribution<double> offset(-30, 30);
  for (double& o : offsets)
    o = offset(rng);
  const std::vector<double> moved = strategy.TurnFinals(sheet, offsets);
  for (int i = 0; i < FULL_THROWS; ++i) {
    ASSERT_NEAR(unmoved[size_t(i)], finals[size_t(i)], 1e-9) << i;
    const TFaces& dice = sets.Faces(sets.FullIndex(i));
    const TCellChoice cell = strategy.ChooseCell(sheet, dice);
    ASSERT_NEAR(moved[size_t(i)],
                strategy.CellValue(sheet, dice, cell.row, cell.column) +
                    offsets[size_t(cell.row * SHEET_COLUMNS + cell.column)],
                1e-9)
        << i;
  }

  const TTurnPlanner stark(finals, MAX_THROWS_LEFT);
  const TTurnPlanner itself(finals, stark), valued(moved, stark), chooser(moved, MAX_THROWS_LEFT);
  EXPECT_NEAR(itself.TurnValue(), stark.TurnValue(), 1e-9);
  EXPECT_LT(valued.TurnValue(), chooser.TurnValue());
  for (int i = 0; i < FULL_THROWS; ++i) {
    const int full = sets.FullIndex(i);
    for (int left = 0; left <= MAX_THROWS_LEFT; ++left) {
      ASSERT_NEAR(itself.ThrowValue(full, left), stark.ThrowValue(full, left), 1e-9);
      ASSERT_LE(valued.ThrowValue(full, left), chooser.ThrowValue(full, left) + 1e-9);
    }
    const int keep = stark.BestKeep(full, 1);
    const TCounts kept = sets.Counts(keep);
    double mean = 0;
    for (const TDiceSets::TOutcome& o : sets.Outcomes(DICE - sets.Size(keep))) {
      TCounts all = kept;
      for (size_t f = 0; f < all.size(); ++f)
        all[f] += sets.Counts(o.set)[f];
      mean += o.probability * moved[size_t(sets.FullOrdinal(sets.IndexOf(all)))];
    }
    ASSERT_NEAR(valued.ThrowValue(full, 1), mean, 1e-9) << i;
  }
}
