#include "app/recorder.h"
#include "dice/dicefield.h"
#include "sheet/patternfield.h"
#include "sheet/pointfield.h"
#include "sheet/rules.h"
#include "sheet/winpointfield.h"
#include "sheet/wummelfield.h"
#include "store/highscore.h"
#include "store/rc4.h"
#include "store/scorefile.h"
#include "tests/support/support.h"

#include <QApplication>
#include <QPushButton>
#include <QWidget>
#include <map>

namespace
{
enum TSection { NUMBERS, PASCH, HOUSES, STREETS, WUMMEL, CHANCE };

struct TCell {
  TSection section;
  int column;
  int row;
  TGadget* gadget;
};

std::vector<TCell> Cells(TApp& app, int p)
{
  std::vector<TCell> cells;
  auto add = [&](TSection s, auto& section) {
    for (int k = 0; k < 3; ++k)
      for (int r = 0; r < int(section->Points[size_t(k)]->Array.size()); ++r)
        cells.push_back({s, k, r, section->Points[size_t(k)]->Array[size_t(r)]});
  };
  add(NUMBERS, app.Pointfield[size_t(p)]);
  add(PASCH, app.Paschfield[size_t(p)]);
  add(HOUSES, app.Numfield[size_t(p)]);
  add(STREETS, app.Streetfield[size_t(p)]);
  add(WUMMEL, app.Wummelfield[size_t(p)]);
  add(CHANCE, app.Chancefield[size_t(p)]);
  return cells;
}

// Dice that fit a cell; player 1 strikes the straights of its x3 column instead.
std::vector<int> DiceFor(const TCell& c, int player)
{
  switch (c.section) {
  case NUMBERS:
    return std::vector<int>(6, c.row + 1);
  case PASCH:
    return {4, 4, 4, 4, 4, 6};
  case HOUSES:
    if (c.row == 0) return {1, 1, 2, 2, 3, 3};
    if (c.row == 1) return {1, 1, 2, 2, 3, 4};
    return {1, 1, 1, 2, 2, 2};
  case STREETS:
    if (player == 1 && c.column == 2) return {1, 1, 1, 1, 1, 1};
    return {6, 5, 4, 3, 2, 1};
  case WUMMEL:
    return {6, 6, 6, 6, 6, 6};
  default:
    return {6, 6, 6, 6, 6, 5};
  }
}

// The grand total from the entered cells, worked out here from the cells' texts.
int ExpectedTotal(const std::vector<TCell>& cells)
{
  int total = 0;
  for (int k = 0; k < 3; ++k) {
    int raw = 0, numbers = 0;
    std::map<TSection, std::pair<int, int>> pattern; // cells with points, cells
    for (const TCell& c : cells) {
      if (c.column != k) continue;
      const int v = c.gadget->GetText().toInt();
      raw += v;
      if (c.section == NUMBERS) numbers += v;
      if (c.section == PASCH || c.section == HOUSES || c.section == STREETS) {
        pattern[c.section].first += v > 0;
        pattern[c.section].second += 1;
      }
    }
    int bonus = NumberBonus(numbers);
    for (const auto& [s, counts] : pattern)
      bonus += PatternBonus(counts.first, counts.second);
    total += (k + 1) * (raw + bonus);
  }
  return total;
}

class Game : public TWithApp
{
protected:
  // Plays one turn of the current player in its next free cell; returns that cell.
  TCell PlayTurn(std::vector<std::vector<TCell>>& todo)
  {
    const int p = app_->CurrentPlayer;
    const TCell cell = todo[size_t(p)].front();
    todo[size_t(p)].erase(todo[size_t(p)].begin());
    SetDice(DiceFor(cell, p));
    Click(cell.gadget);
    EXPECT_EQ(app_->Last, cell.gadget);
    Click(app_->DiceField[size_t(p)]->Fill);
    // Entered, unless it was the game's last entry and a new game has begun.
    if (!todo[size_t(p)].empty()) {
      EXPECT_EQ(GadgetDisabled(cell.gadget), 1);
    }
    return cell;
  }
  // A list that no total of these games enters.
  void FillScoreList(int score)
  {
    SetScoreList(score, "Profi");
  }
  void CloseHighscoreDialogLater(bool* seen)
  {
    WhenWindow("Wurfwummel - HighScore", [seen](QWidget* w) {
      *seen = true;
      for (auto* b : w->findChildren<QPushButton*>())
        if (b->text() == "OK") b->click();
    });
  }
};
} // namespace

TEST_F(Game, OnePlayerWholeGame)
{
  StartApp();
  FillScoreList(100000);
  std::vector<std::vector<TCell>> todo{Cells(*app_, 0)};
  const std::vector<TCell> cells = todo[0];
  int turns = 0;
  while (!todo[0].empty()) {
    if (todo[0].size() == 1) driver_->answers = {0}; // Cancel at the end: save and quit
    PlayTurn(todo);
    ++turns;
    EXPECT_EQ(app_->CurrentPlayer, 0);
    EXPECT_FALSE(GadgetHidden(app_->Panel[0]));
    EXPECT_EQ(app_->DiceField[0]->Player2->GetText(), "Spieler1 hat keine Gegner");
    if (!todo[0].empty()) {
      EXPECT_TRUE(driver_->questions.isEmpty()) << turns;
    }
  }
  EXPECT_EQ(turns, 63);
  ASSERT_EQ(driver_->questions,
            QStringList{"Es wurde kein neuer Highscore erspielt.\nNeues Spiel?"});
  EXPECT_EQ(driver_->exits, std::vector<int>{0});
  for (const TCell& c : cells)
    EXPECT_EQ(GadgetDisabled(c.gadget), 1);
  const int expected = ExpectedTotal(cells);
  // 126 + 90 per number column; pasch 78 + 50; houses 90 + 50; straights 220 + 50; 100; 35.
  EXPECT_EQ(expected, 6 * (216 + 128 + 140 + 270 + 100 + 35));
  EXPECT_EQ(app_->GrandTotal(0), expected);
  EXPECT_EQ(ReadAll(DataPath() + "/wurfwummel.cfg"), QByteArray("Spieler1\r\n"));
}

TEST_F(Game, TwoPlayersAlternateAndTheEndComesAfterTheSecond)
{
  StartApp();
  app_->CreatePlayer("Berta");
  EXPECT_EQ(PlayerCount, 2);
  EXPECT_TRUE(GadgetHidden(app_->Panel[1]));
  EXPECT_EQ(app_->DiceField[0]->Player2->GetText(),
            QString::fromUtf8("Der Gegner Berta hat noch nicht gewürfelt"));
  EXPECT_EQ(app_->DiceField[1]->Player2->GetText(),
            QString::fromUtf8("Der Gegner Spieler1 hat noch nicht gewürfelt"));
  FillScoreList(100000);
  std::vector<std::vector<TCell>> todo{Cells(*app_, 0), Cells(*app_, 1)};
  const std::vector<std::vector<TCell>> cells = todo;
  std::vector<int> order;
  for (int turn = 0; turn < 126; ++turn) {
    order.push_back(app_->CurrentPlayer);
    if (turn == 125) driver_->answers = {1}; // OK: a fresh game with the same players
    PlayTurn(todo);
    if (turn < 125) {
      EXPECT_TRUE(driver_->questions.filter("Highscore").isEmpty()) << turn;
      EXPECT_EQ(app_->CurrentPlayer, (turn + 1) % 2);
      EXPECT_FALSE(GadgetHidden(app_->Panel[size_t(app_->CurrentPlayer)]));
      EXPECT_TRUE(GadgetHidden(app_->Panel[size_t(1 - app_->CurrentPlayer)]));
    }
    if (turn == 124) {
      // Player 0's sheet is full, but the game goes on until player 1's is.
      EXPECT_TRUE(app_->Pointfield[0]->IsFull());
      EXPECT_EQ(ExpectedTotal(cells[0]), app_->GrandTotal(0));
    }
    if (turn == 1) {
      // The opponent line reads the opponent's grand total after every action.
      SetDice({1, 2, 3, 4, 5, 6});
      Click(app_->DiceField[0]->Button);
      EXPECT_EQ(app_->DiceField[0]->Player2->GetText(),
                "Der Gegner Berta hat " + app_->Winpointfield[1]->Bonus[GRAND_TOTAL]->GetText() +
                    " Punkte");
    }
  }
  for (int t = 0; t < 126; ++t)
    EXPECT_EQ(order[size_t(t)], t % 2);
  EXPECT_EQ(driver_->questions.filter("Highscore").size(), 1);
  EXPECT_EQ(driver_->questions.filter("Wirklich eintragen?").size(), 6); // player 1's strikes
  EXPECT_TRUE(driver_->exits.empty());
  // The new game: player 0 to move, empty sheets, waiting texts.
  EXPECT_EQ(app_->CurrentPlayer, 0);
  for (int p = 0; p < 2; ++p) {
    for (const TCell& c : Cells(*app_, p)) {
      EXPECT_EQ(c.gadget->GetText(), "-");
      EXPECT_EQ(GadgetDisabled(c.gadget), 0);
    }
    EXPECT_EQ(app_->GrandTotal(p), 0);
  }
  EXPECT_EQ(app_->DiceField[0]->Player2->GetText(),
            QString::fromUtf8("Der Gegner Berta hat noch nicht gewürfelt"));
}

TEST_F(Game, TotalsOfATwoPlayerGameAndTheHighScoreDialog)
{
  StartApp();
  app_->CreatePlayer("Berta");
  std::vector<std::vector<TCell>> todo{Cells(*app_, 0), Cells(*app_, 1)};
  const std::vector<TCell> first = todo[0];
  int total0 = 0;
  bool seen = false;
  for (int turn = 0; turn < 126; ++turn) {
    if (turn == 125) {
      total0 = app_->GrandTotal(0);
      EXPECT_EQ(total0, ExpectedTotal(first));
      CloseHighscoreDialogLater(&seen);
    }
    PlayTurn(todo);
  }
  EXPECT_TRUE(seen);
  EXPECT_TRUE(driver_->questions.filter("Highscore").isEmpty());
  // Both enter the default list, player 0 above; player 1 struck the straights of its x3
  // column and lost them with their bonus: 3 x (220 + 50).
  EXPECT_EQ(app_->ScoreIndex[0], 1);
  EXPECT_EQ(app_->ScoreIndex[1], 2);
  EXPECT_EQ(RecordScore((*app_->Score)[0]), total0);
  EXPECT_EQ(RecordName((*app_->Score)[0]), "Spieler1");
  EXPECT_EQ(RecordScore((*app_->Score)[1]), total0 - 3 * 270);
  EXPECT_EQ(RecordName((*app_->Score)[1]), "Berta");
  EXPECT_EQ(app_->GrandTotal(0), 0); // and a new game has begun

  // Killed now: the record has the game finished, the score file (written at the end of the
  // run) not yet its entries. Once the next start did not add them either; now it does, once.
  app_->Record->Flush();
  const QString file = DataPath() + "/wurfwummel.scr";
  auto count = [&file](int total, const char* name) {
    int n = 0;
    for (const QString& record : ParseScoreFile(ReadAll(file)))
      n += RecordScore(record) == total && RecordName(record) == name;
    return n;
  };
  EXPECT_EQ(count(total0, "Spieler1"), 0);
  for (int start = 0; start < 2; ++start) {
    app_->Destroy(); // nothing saved, as after a kill
    app_.reset();
    PlayerCount = 0;
    StartApp();
    EXPECT_EQ(count(total0, "Spieler1"), 1) << start;
    EXPECT_EQ(count(total0 - 3 * 270, "Berta"), 1) << start;
  }
  // And a run that ends as usual writes them no second time.
  app_->SaveGame();
  EXPECT_EQ(count(total0, "Spieler1"), 1);
}

TEST_F(Game, NewGameWhilePlayerTwoIsToMove)
{
  StartApp();
  app_->CreatePlayer("Berta");
  std::vector<std::vector<TCell>> todo{Cells(*app_, 0), Cells(*app_, 1)};
  PlayTurn(todo);
  ASSERT_EQ(app_->CurrentPlayer, 1);
  Click(todo[1].front().gadget); // a selection on player 1's sheet
  app_->NewGame();
  EXPECT_EQ(app_->CurrentPlayer, 0);
  EXPECT_EQ(app_->Last, nullptr);
  EXPECT_TRUE(GadgetHidden(app_->Panel[1]));
  EXPECT_FALSE(GadgetHidden(app_->Panel[0]));
  EXPECT_EQ(app_->DiceField[1]->Player2->GetText(),
            QString::fromUtf8("Der Gegner Spieler1 hat noch nicht gewürfelt"));
}

// Removing the second player while it has a cell selected once left a pointer to a freed cell.
TEST_F(Game, RemovingPlayerTwoClearsItsSelection)
{
  StartApp();
  app_->CreatePlayer("Berta");
  std::vector<std::vector<TCell>> todo{Cells(*app_, 0), Cells(*app_, 1)};
  PlayTurn(todo);
  Click(todo[1].front().gadget);
  ASSERT_NE(app_->Last, nullptr);
  app_->RemovePlayer();
  EXPECT_EQ(app_->Last, nullptr);
  EXPECT_EQ(PlayerCount, 1);
  EXPECT_EQ(app_->CurrentPlayer, 0);
  EXPECT_FALSE(GadgetHidden(app_->Panel[0]));
  EXPECT_EQ(app_->DiceField[0]->Player2->GetText(), "Spieler1 hat keine Gegner");
  Click(app_->DiceField[0]->Button); // the game goes on safely
  EXPECT_EQ(app_->DiceField[0]->Count, 1);
  app_->RemovePlayer(); // one player is always kept
  EXPECT_EQ(PlayerCount, 1);
}

TEST_F(Game, DiceQueries)
{
  StartApp();
  SetDice({4, 5, 2, 6, 3, 5});
  EXPECT_EQ(app_->SummDices(), (std::array<int, 6>{4, 5, 2, 6, 3, 5}));
  EXPECT_EQ(app_->SummPoints(), 25);
  EXPECT_EQ(app_->CountDices(), (std::array<int, 6>{0, 1, 1, 1, 2, 1}));
  SetDice({1, 1, 1, 1, 1, 1});
  EXPECT_EQ(app_->SummPoints(), 6);
  EXPECT_EQ(app_->CountDices(), (std::array<int, 6>{6, 0, 0, 0, 0, 0}));
}
