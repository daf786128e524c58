#include "ai/levels.h"
#include "ai/player.h"
#include "tests/ai/sheets.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace
{
// A sheet with about `percent` of its cells entered with plausible points.
TSheetState RandomSheet(std::mt19937& rng, int percent)
{
  std::uniform_int_distribution<int> face(1, 6), hundred(0, 99);
  TSheetState sheet;
  for (int row = 0; row < SHEET_ROWS; ++row)
    for (int column = 0; column < SHEET_COLUMNS; ++column) {
      if (hundred(rng) >= percent) continue;
      TFaces dice;
      for (int& f : dice)
        f = face(rng);
      sheet.Enter(row, column, RowPoints(row, dice));
    }
  return sheet;
}

TFaces RandomDice(std::mt19937& rng)
{
  std::uniform_int_distribution<int> face(1, 6);
  TFaces dice;
  for (int& f : dice)
    f = face(rng);
  return dice;
}

// What entering a cell adds to the grand total at once, from the totals alone.
int GainNow(const TSheetState& sheet, int row, int column, const TFaces& dice)
{
  TSheetState after = sheet;
  after.Enter(row, column, RowPoints(row, dice));
  return after.GrandTotal() - sheet.GrandTotal();
}

int BestGainNow(const TSheetState& sheet, const TFaces& dice)
{
  int best = -1;
  for (int row = 0; row < SHEET_ROWS; ++row)
    for (int column = 0; column < SHEET_COLUMNS; ++column)
      if (sheet.IsFree(row, column)) best = std::max(best, GainNow(sheet, row, column, dice));
  return best;
}

// A whole game of one strength on dice from a fixed seed; calls `check` before every entry.
template <class TCheck> TSheetState PlayGame(const TPlayer& player, unsigned seed, TCheck check)
{
  std::mt19937 rng(seed);
  TSheetState sheet;
  for (int turn = 0; turn < SHEET_ROWS * SHEET_COLUMNS; ++turn) {
    TFaces dice = RandomDice(rng);
    THolds holds{};
    for (int left = MAX_THROWS_LEFT; left >= 1; --left) {
      holds = player.ChooseHolds(sheet, dice, holds, left);
      const TFaces next = RandomDice(rng);
      for (size_t i = 0; i < DICE; ++i)
        if (!holds[i]) dice[i] = next[i];
    }
    const TCellChoice cell = player.ChooseCell(sheet, dice);
    if (cell.row < 0 || !sheet.IsFree(cell.row, cell.column)) {
      ADD_FAILURE() << "turn " << turn << ": no free cell chosen";
      return sheet;
    }
    check(sheet, dice, cell);
    sheet.Enter(cell.row, cell.column, RowPoints(cell.row, dice));
  }
  return sheet;
}
} // namespace

TEST(Levels, NamesRoundTrip)
{
  for (TLevel level : {TLevel::Leicht, TLevel::Mittel, TLevel::Stark})
    EXPECT_EQ(LevelFromName(LevelName(level)), level);
  EXPECT_EQ(LevelName(TLevel::Leicht), "leicht");
  EXPECT_EQ(LevelName(TLevel::Mittel), "mittel");
  EXPECT_EQ(LevelName(TLevel::Stark), "stark");
  EXPECT_FALSE(LevelFromName("Stark"));
  EXPECT_FALSE(LevelFromName(""));
}

// "Mittel" enters, of every free cell, one whose entry raises the grand total most now.
TEST(Levels, MittelTakesTheMostThisTurn)
{
  const auto mittel = MakePlayer(TLevel::Mittel);
  std::mt19937 rng(20240613);
  for (int round = 0; round < 400; ++round) {
    const TSheetState sheet = RandomSheet(rng, round % 100);
    if (sheet.FreeCount() == 0) continue;
    const TFaces dice = RandomDice(rng);
    const TCellChoice cell = mittel->ChooseCell(sheet, dice);
    ASSERT_TRUE(cell.row >= 0 && sheet.IsFree(cell.row, cell.column));
    EXPECT_EQ(GainNow(sheet, cell.row, cell.column, dice), BestGainNow(sheet, dice)) << round;
  }
}

// Its holds with one throw left are the best of all 64 for this turn's gain, counted over every
// ordered throw of the other dice. The ×3 number column is 18 short of its bonus with "6er"
// free; "Chance" ×1 and "3er Pasch" ×2 are free too.
TEST(Levels, MittelHoldsForTheMostThisTurn)
{
  TSheetState sheet = FullSheet();
  sheet.Enter(ROW_NUMBERS + 5, 2, FREE_CELL);
  sheet.Enter(ROW_CHANCE, 0, FREE_CELL);
  sheet.Enter(ROW_PASCH, 1, FREE_CELL);
  const auto mittel = MakePlayer(TLevel::Mittel);
  for (const TFaces dice : {TFaces{6, 6, 2, 3, 6, 1}, TFaces{6, 5, 5, 5, 1, 2}}) {
    std::vector<double> worth(64);
    for (unsigned held = 0; held < 64; ++held) {
      std::vector<size_t> thrown;
      for (size_t i = 0; i < DICE; ++i)
        if (!(held & (1u << i))) thrown.push_back(i);
      int sequences = 1;
      for (size_t n = 0; n < thrown.size(); ++n)
        sequences *= 6;
      double sum = 0;
      for (int s = 0; s < sequences; ++s) {
        TFaces next = dice;
        int v = s;
        for (size_t i : thrown) {
          next[i] = v % 6 + 1;
          v /= 6;
        }
        sum += BestGainNow(sheet, next);
      }
      worth[held] = sum / sequences;
    }
    const THolds holds = mittel->ChooseHolds(sheet, dice, THolds{}, 1);
    unsigned mask = 0;
    for (size_t i = 0; i < DICE; ++i)
      mask |= unsigned(holds[i]) << i;
    EXPECT_NEAR(worth[mask], *std::max_element(worth.begin(), worth.end()), 1e-9);
  }
}

// "Leicht" enters the most raw points there are, leftmost column first, and strikes only when
// nothing scores.
TEST(Levels, LeichtTakesTheMostRawPointsAndStrikesOnlyWhenNothingScores)
{
  const auto leicht = MakePlayer(TLevel::Leicht);
  std::mt19937 rng(4711);
  for (int round = 0; round < 400; ++round) {
    const TSheetState sheet = RandomSheet(rng, round % 100);
    if (sheet.FreeCount() == 0) continue;
    const TFaces dice = RandomDice(rng);
    const TCellChoice cell = leicht->ChooseCell(sheet, dice);
    ASSERT_TRUE(cell.row >= 0 && sheet.IsFree(cell.row, cell.column));
    int most = 0;
    for (int row = 0; row < SHEET_ROWS; ++row)
      for (int column = 0; column < SHEET_COLUMNS; ++column)
        if (sheet.IsFree(row, column)) most = std::max(most, RowPoints(row, dice));
    EXPECT_EQ(RowPoints(cell.row, dice), most) << round;
    for (int column = 0; column < cell.column; ++column)
      EXPECT_FALSE(sheet.IsFree(cell.row, column)) << round;
  }
}

// A full straight on a fresh sheet: "Leicht" writes it in the first column, "Mittel" where it
// counts three times.
TEST(Levels, HandCheckedEntries)
{
  const auto leicht = MakePlayer(TLevel::Leicht);
  const auto mittel = MakePlayer(TLevel::Mittel);
  const TSheetState fresh;
  const TFaces straight = {4, 2, 6, 1, 5, 3};
  EXPECT_EQ(leicht->ChooseCell(fresh, straight).row, ROW_STREETS + 5);
  EXPECT_EQ(leicht->ChooseCell(fresh, straight).column, 0);
  EXPECT_EQ(mittel->ChooseCell(fresh, straight).row, ROW_STREETS + 5);
  EXPECT_EQ(mittel->ChooseCell(fresh, straight).column, 2);

  // Nothing scores: only "1-2-3-4-5-6" ×3 (worth 150 when it comes) and "Wummel" ×1 (one turn
  // in fifty) are free, and the dice lack a five. Every strength strikes "Wummel".
  TSheetState late = FullSheet();
  late.Enter(ROW_STREETS + 5, 2, FREE_CELL);
  late.Enter(ROW_WUMMEL, 0, FREE_CELL);
  const TFaces nothing = {1, 1, 2, 3, 4, 6};
  for (TLevel level : {TLevel::Leicht, TLevel::Mittel, TLevel::Stark}) {
    const TCellChoice cell = MakePlayer(level)->ChooseCell(late, nothing);
    EXPECT_EQ(cell.row, ROW_WUMMEL) << LevelName(level);
    EXPECT_EQ(cell.column, 0) << LevelName(level);
  }

  // Four ones and a 2 and a 3 early on: "Mittel" takes the most for now, 9 points three times in
  // an n-of-a-kind row or "Chance", where the ones would bring only 12.
  const TFaces ones = {1, 1, 2, 1, 3, 1};
  const TCellChoice now = mittel->ChooseCell(fresh, ones);
  EXPECT_EQ(GainNow(fresh, now.row, now.column, ones), 27);
}

// Whole games: every strength fills the sheet with free cells only, the same dice give the same
// game, and "Leicht" never strikes a cell while another would score.
TEST(Levels, WholeGamesAreLegalAndRepeatable)
{
  for (TLevel level : {TLevel::Leicht, TLevel::Mittel, TLevel::Stark}) {
    const auto player = MakePlayer(level);
    int strikesWithScore = 0;
    const TSheetState first =
        PlayGame(*player, 99, [&](const TSheetState& sheet, const TFaces& dice, TCellChoice cell) {
          if (RowPoints(cell.row, dice) > 0) return;
          for (int row = 0; row < SHEET_ROWS; ++row)
            for (int column = 0; column < SHEET_COLUMNS; ++column)
              strikesWithScore += sheet.IsFree(row, column) && RowPoints(row, dice) > 0;
        });
    EXPECT_EQ(first.FreeCount(), 0) << LevelName(level);
    if (level == TLevel::Leicht) {
      EXPECT_EQ(strikesWithScore, 0);
    }
    const auto again = MakePlayer(level);
    const TSheetState second = PlayGame(*again, 99, [](auto&&...) {});
    EXPECT_TRUE(first == second) << LevelName(level);
  }
}

// The strong player's decisions depend on the sheet and the dice alone, not on what it was asked
// before: one that has just played a game decides a late sheet as a fresh one does.
TEST(Levels, StarkDecidesBySheetAndDiceAlone)
{
  const auto played = MakePlayer(TLevel::Stark);
  PlayGame(*played, 7, [](auto&&...) {});
  TSheetState late = FullSheet();
  for (const auto& [row, column] :
       {std::pair{ROW_NUMBERS + 2, 0}, std::pair{ROW_NUMBERS + 5, 1}, std::pair{ROW_STREETS + 1, 2},
        std::pair{ROW_STREETS + 2, 2}, std::pair{ROW_CHANCE, 1}, std::pair{ROW_PASCH + 1, 0},
        std::pair{ROW_HOUSES + 2, 1}})
    late.Enter(row, column, FREE_CELL);
  const auto fresh = MakePlayer(TLevel::Stark);
  const TDiceSets& sets = TDiceSets::Get();
  for (int i = 0; i < FULL_THROWS; i += 7) {
    const TFaces& dice = sets.Faces(sets.FullIndex(i));
    const TCellChoice a = played->ChooseCell(late, dice), b = fresh->ChooseCell(late, dice);
    EXPECT_TRUE(a.row == b.row && a.column == b.column) << i;
    EXPECT_EQ(played->ChooseHolds(late, dice, THolds{}, 2),
              fresh->ChooseHolds(late, dice, THolds{}, 2));
  }
}
