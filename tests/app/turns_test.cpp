// Whole games whose players change in the middle, and the sums after a withdrawn choice.

#include "app/sections.h"
#include "dice/dicefield.h"
#include "forms/playerform.h"
#include "store/highscore.h"
#include "store/rc4.h"
#include "tests/support/support.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>

namespace
{
const char* const END_QUESTION = "Es wurde kein neuer Highscore erspielt.\nNeues Spiel?";

class Turns : public TWithApp
{
protected:
  // The free cells of player p, in the order of the sheet.
  std::vector<TGadget*> FreeCells(int p)
  {
    std::vector<TGadget*> cells;
    ForScoringSections(*app_, size_t(p), [&cells](auto& section) {
      for (const auto& column : section.Points)
        for (TGadget* cell : column->Array)
          if (!GadgetDisabled(cell)) cells.push_back(cell);
    });
    return cells;
  }

  // One turn by mouse: six sixes, the first free cell, "Eintragen". Returns who played.
  int PlayTurn()
  {
    const int p = app_->CurrentPlayer;
    const std::vector<TGadget*> free = FreeCells(p);
    EXPECT_FALSE(free.empty()) << "player " << p << " is at the turn with a full sheet";
    if (free.empty()) return -1;
    SetDice({6, 6, 6, 6, 6, 6});
    Click(free.front());
    EXPECT_EQ(GadgetDisabled(app_->DiceField[size_t(p)]->Fill), 0);
    Click(app_->DiceField[size_t(p)]->Fill);
    return p;
  }

  // The player who is at the turn, as the screen shows it: the one visible panel's name.
  QString ShownPlayer()
  {
    QString shown;
    int visible = 0;
    for (int p = 0; p < PlayerCount; ++p) {
      if (GadgetHidden(app_->Panel[size_t(p)])) continue;
      ++visible;
      shown = app_->DiceField[size_t(p)]->Player1->GetText();
      EXPECT_EQ(AccessibleName(app_->DiceField[size_t(p)]->Group2), shown + " ist am Zug");
    }
    EXPECT_EQ(visible, 1);
    return shown;
  }

  // Chooses a menu item as the menu bar does; the main loop then handles it.
  void ChooseMenu(const QString& text)
  {
    for (QAction* a : app_->Window->Native()->findChildren<QAction*>())
      if (a->text() == text) {
        a->trigger();
        Pump();
        return;
      }
    ADD_FAILURE() << "no menu item " << text.toStdString();
  }

  // Opens "Spieler Einstellungen" from the menu, clicks the second player's box and closes
  // the dialog with the given button.
  void ToggleSecondPlayer(const QString& closeWith)
  {
    WhenWindow("Wurfwummel - Spieler", [closeWith](QWidget* w) {
      QCheckBox* second = nullptr;
      for (QCheckBox* box : w->findChildren<QCheckBox*>())
        if (box->isEnabled()) second = box;
      QPushButton* close = nullptr;
      for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->text() == closeWith) close = b;
      ASSERT_NE(second, nullptr);
      ASSERT_NE(close, nullptr);
      RunSteps({[second] { second->click(); }, [close] { close->click(); }});
    });
    ChooseMenu("Spieler Einstellungen");
  }

  // A list that every total of these games enters.
  void LowScoreList() { SetScoreList(1, "Niemand"); }
  // A list that no total of these games enters.
  void HighScoreList() { SetScoreList(100000, "Profi"); }
};

// Six sixes in every row, cells taken top to bottom: numbers 36 and no bonus, each "Pasch"
// 36 and its bonus of 50, houses and straights struck, "Wummel" 50 twice, chance 36.
constexpr int SIXES_TOTAL = (36 + 3 * 36 + 50 + 2 * 50 + 36) * (1 + 2 + 3);
} // namespace

// A second player who joined in the middle once left the game stuck: player 1's full sheet
// kept the turn and "Eintragen" never came back.
TEST_F(Turns, SecondPlayerJoiningMidGameStillFinishes)
{
  StartApp();
  LowScoreList();
  for (int t = 0; t < 10; ++t)
    EXPECT_EQ(PlayTurn(), 0);
  ToggleSecondPlayer("OK");
  ASSERT_EQ(PlayerCount, 2);
  EXPECT_EQ(app_->CurrentPlayer, 0);
  EXPECT_EQ(app_->PlayerName[1], "Spieler2");
  EXPECT_EQ(FreeCells(1).size(), 63u);
  EXPECT_TRUE(driver_->questions.filter("Änderungen").isEmpty());

  bool dialogSeen = false;
  std::vector<int> order;
  for (int t = 0; t < 200 && !dialogSeen; ++t) {
    if (FreeCells(0).size() + FreeCells(1).size() == 1)
      WhenWindow("Wurfwummel - HighScore", [&dialogSeen](QWidget* w) {
        dialogSeen = true;
        for (auto* b : w->findChildren<QPushButton*>())
          if (b->text() == "OK") b->click();
      });
    const int p = PlayTurn();
    order.push_back(p);
    if (p < 0) break;
    if (!dialogSeen) {
      EXPECT_EQ(ShownPlayer(), app_->PlayerName[size_t(app_->CurrentPlayer)]);
    }
  }
  ASSERT_TRUE(dialogSeen);
  // Player 0 had 53 turns left, player 1 all 63: they alternate while both have free cells,
  // then player 1 plays the last ten alone.
  ASSERT_EQ(order.size(), 116u);
  for (size_t t = 0; t < 106; ++t)
    EXPECT_EQ(order[t], int(t % 2)) << t;
  for (size_t t = 106; t < 116; ++t)
    EXPECT_EQ(order[t], 1) << t;
  // Both totals went into the list.
  EXPECT_GE(app_->ScoreIndex[0], 1);
  EXPECT_GE(app_->ScoreIndex[1], 1);
  EXPECT_EQ(RecordScore((*app_->Score)[size_t(app_->ScoreIndex[0] - 1)]), SIXES_TOTAL);
  EXPECT_EQ(RecordName((*app_->Score)[size_t(app_->ScoreIndex[0] - 1)]), "Spieler1");
  EXPECT_EQ(RecordScore((*app_->Score)[size_t(app_->ScoreIndex[1] - 1)]), SIXES_TOTAL);
  EXPECT_EQ(RecordName((*app_->Score)[size_t(app_->ScoreIndex[1] - 1)]), "Spieler2");
  // And a new game has begun with player 0.
  EXPECT_EQ(app_->CurrentPlayer, 0);
  EXPECT_EQ(FreeCells(0).size(), 63u);
  EXPECT_EQ(FreeCells(1).size(), 63u);
  EXPECT_EQ(ShownPlayer(), "Spieler1");
}

// Leaving in the middle asks, and "Abbrechen" keeps the game as it was; OK begins afresh for
// the one who stays, a game that can be finished.
TEST_F(Turns, RemovingTheSecondPlayerMidGameAsksAndBeginsAfresh)
{
  StartApp();
  HighScoreList();
  app_->CreatePlayer("Berta");
  for (int t = 0; t < 21; ++t)
    PlayTurn();
  ASSERT_EQ(app_->CurrentPlayer, 1);
  driver_->answers = {0};
  ToggleSecondPlayer("OK");
  EXPECT_EQ(driver_->questions.filter(QString::fromUtf8("Änderungen")),
            QStringList{PLAYER_QUESTION});
  ASSERT_EQ(PlayerCount, 2);
  EXPECT_EQ(app_->CurrentPlayer, 1);
  EXPECT_EQ(FreeCells(0).size(), 63u - 11);
  ToggleSecondPlayer("OK");
  ASSERT_EQ(PlayerCount, 1);
  EXPECT_EQ(app_->CurrentPlayer, 0);
  EXPECT_EQ(ShownPlayer(), "Spieler1");
  EXPECT_EQ(FreeCells(0).size(), 63u);
  int turns = 0;
  while (driver_->questions.filter("Highscore").isEmpty() && turns < 100) {
    if (PlayTurn() < 0) break;
    ++turns;
  }
  EXPECT_EQ(turns, 63);
  EXPECT_EQ(driver_->questions.filter("Highscore"), QStringList{END_QUESTION});
}

// Player 0 finished while a late second player played on; removing that player once left a
// game of one full sheet that nobody could end. Now it begins afresh.
TEST_F(Turns, RemovingThePlayerWhoPlaysOnLeavesNoGameStuck)
{
  StartApp();
  HighScoreList();
  for (int t = 0; t < 10; ++t)
    PlayTurn();
  ToggleSecondPlayer("OK");
  for (int t = 0; t < 106 + 3; ++t)
    PlayTurn();
  ASSERT_TRUE(app_->SheetFull(0));
  ASSERT_EQ(app_->CurrentPlayer, 1);
  EXPECT_TRUE(driver_->questions.filter("Highscore").isEmpty());
  // Out and in again within one opening changes nothing: player 1 plays on.
  WhenWindow("Wurfwummel - Spieler", [](QWidget* w) {
    QCheckBox* second = nullptr;
    for (QCheckBox* box : w->findChildren<QCheckBox*>())
      if (box->isEnabled()) second = box;
    QPushButton* ok = nullptr;
    for (QPushButton* b : w->findChildren<QPushButton*>())
      if (b->text() == "OK") ok = b;
    RunSteps({[second] { second->click(); }, [second] { second->click(); }, [ok] { ok->click(); }});
  });
  ChooseMenu("Spieler Einstellungen");
  ASSERT_EQ(PlayerCount, 2);
  EXPECT_EQ(app_->CurrentPlayer, 1);
  EXPECT_EQ(FreeCells(1).size(), 7u);
  // Out: a new game for the one who stays.
  ToggleSecondPlayer("OK");
  EXPECT_EQ(PlayerCount, 1);
  EXPECT_EQ(app_->CurrentPlayer, 0);
  EXPECT_EQ(FreeCells(0).size(), 63u);
  EXPECT_TRUE(driver_->questions.filter("Highscore").isEmpty());
  EXPECT_TRUE(driver_->exits.empty());
}

// The "3er" cell given back by a click on "3er Pasch" once kept counting in the number
// section's sum and total and in the grand total.
TEST_F(Turns, EveryDisplayDropsAWithdrawnChoiceAtOnce)
{
  StartApp();
  app_->CreatePlayer("Berta");
  SetDice({3, 3, 3, 5, 6, 1});
  TPointfield& numbers = *app_->Pointfield[0];
  TPaschfield& pasch = *app_->Paschfield[0];
  TWinPointField& totals = *app_->Winpointfield[0];
  TGadget* threes = numbers.Points[0]->Array[2];
  TGadget* threeOfAKind = pasch.Points[0]->Array[0];
  Click(threes);
  EXPECT_EQ(threes->GetText(), "9");
  EXPECT_EQ(numbers.Sum[0]->GetText(), "9");
  EXPECT_EQ(numbers.Total[0]->GetText(), "9");
  EXPECT_EQ(totals.Bonus[0]->GetText(), "9");
  EXPECT_EQ(totals.Bonus[GRAND_TOTAL]->GetText(), "9");
  Click(threeOfAKind);
  EXPECT_EQ(threes->GetText(), "-");
  EXPECT_EQ(threeOfAKind->GetText(), "21");
  // Every display of the sheet, each column.
  for (size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(numbers.Sum[k]->GetText(), "0") << k;
    EXPECT_EQ(numbers.Bonus[k]->GetText(), "0") << k;
    EXPECT_EQ(numbers.Total[k]->GetText(), "0") << k;
    EXPECT_EQ(pasch.Bonus[k]->GetText(), "0") << k;
    EXPECT_EQ(app_->Numfield[0]->Bonus[k]->GetText(), "0") << k;
    EXPECT_EQ(app_->Streetfield[0]->Bonus[k]->GetText(), "0") << k;
  }
  EXPECT_EQ(totals.Bonus[0]->GetText(), "21");
  EXPECT_EQ(totals.Bonus[1]->GetText(), "0");
  EXPECT_EQ(totals.Bonus[2]->GetText(), "0");
  EXPECT_EQ(totals.Bonus[GRAND_TOTAL]->GetText(), "21");
  // The opponent reads the true total once the turn has passed.
  Click(app_->DiceField[0]->Fill);
  ASSERT_EQ(app_->CurrentPlayer, 1);
  Click(app_->DiceField[1]->Button);
  EXPECT_EQ(app_->DiceField[1]->Player2->GetText(), "Der Gegner Spieler1 hat 21 Punkte");
}
