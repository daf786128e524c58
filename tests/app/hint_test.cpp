// The hint through the window: T pressed in the main window, the marks on the dice and cells,
// the line in the status box as a screen reader reads it, and when it goes.

#include "ai/player.h"
#include "app/computer.h"
#include "dice/dicefield.h"
#include "tests/app/opponent.h"
#include "tests/support/support.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QTest>
#include <functional>

namespace
{
class Hint : public Opponent
{
protected:
  void Start()
  {
    StartApp();
    QApplication::setActiveWindow(app_->Window->Native());
  }
  TDicefield& Dice() { return *app_->DiceField[size_t(app_->CurrentPlayer)]; }
  // T pressed and released in the main window, then the main loop's handling.
  void PressT()
  {
    QTest::keyClick(app_->Window->Native(), Qt::Key_T);
    Pump();
  }
  QString Said() { return GadgetHidden(Dice().Hint) ? QString() : Dice().Hint->GetText(); }
  // What a screen reader reads of the hint's line.
  QString Read()
  {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(Dice().Hint->Native());
    return a ? a->text(QAccessible::Name) : QString();
  }
  std::vector<int> MarkedDice()
  {
    std::vector<int> marked;
    for (int i = 1; i <= DICE; ++i)
      if (GadgetMarked(Dice().Panel[size_t(i)])) marked.push_back(i);
    return marked;
  }
  std::vector<TGadget*> MarkedCells(int p)
  {
    std::vector<TGadget*> marked;
    for (TGadget* cell : Cells(p))
      if (GadgetMarked(cell)) marked.push_back(cell);
    return marked;
  }
  // Every cell of the person's sheet entered with 0 except the one at (row, column); no throw
  // left unless told otherwise.
  void OnlyFree(int row, int column, bool throwsLeft = false)
  {
    TGadget* keep = SheetCell(*app_, 0, row, column);
    ASSERT_NE(keep, nullptr);
    for (TGadget* cell : Cells(0))
      if (cell != keep) {
        cell->SetText("0");
        cell->SetEnabled(0);
      }
    if (!throwsLeft) {
      Dice().Count = MAX_ROLLS;
      Dice().Button->SetEnabled(0);
    }
  }
  void ExpectNoHint(const char* after)
  {
    EXPECT_EQ(Said(), QString()) << after;
    EXPECT_TRUE(GadgetHidden(Dice().Hint)) << after;
    EXPECT_FALSE(GadgetHidden(Dice().Player2)) << after;
    EXPECT_EQ(MarkedDice(), std::vector<int>{}) << after;
    for (int p = 0; p < PlayerCount; ++p)
      EXPECT_EQ(MarkedCells(p).size(), 0u) << after;
    for (int i = 1; i <= DICE; ++i)
      EXPECT_FALSE(AccessibleName(Dice().Panel[size_t(i)]).contains("Tipp")) << after;
  }
};
} // namespace

TEST_F(Hint, DiceToKeepAreMarkedAndSaidAndNothingChanges)
{
  Start();
  SetDice({5, 2, 5, 1, 5, 3});
  TDicefield& dice = Dice();
  const std::array<int, 7> faces = dice.Dice;
  QWidget* focus = QApplication::focusWidget();
  // Before the first hint of a game the person learns what it costs; "Abbrechen" gives none.
  driver_->answers = {0};
  PressT();
  EXPECT_EQ(driver_->questions, QStringList{HINT_QUESTION});
  ExpectNoHint("Abbrechen at the question");
  EXPECT_FALSE(app_->HintUsed);
  PressT(); // asked again, and OK
  EXPECT_EQ(driver_->questions.size(), 2);
  EXPECT_TRUE(app_->HintUsed);
  // A screen reader is told without being asked: the line is a notification, shown anew.
  QAccessibleInterface* line = QAccessible::queryAccessibleInterface(dice.Hint->Native());
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->role(), QAccessible::Notification);
  // What the strongest player chooses, asked independently of the game.
  const auto engine = MakePlayer(TLevel::Stark);
  const THolds keep = engine->ChooseHolds(TSheetState(), {5, 2, 5, 1, 5, 3}, THolds{}, MAX_ROLLS);
  std::vector<int> expected;
  QStringList kept;
  for (int i = 0; i < DICE; ++i)
    if (keep[size_t(i)]) {
      expected.push_back(i + 1);
      kept << QString::number(dice.Dice[size_t(i + 1)]);
    }
  ASSERT_FALSE(expected.empty());
  ASSERT_LT(expected.size(), 6u);
  EXPECT_EQ(MarkedDice(), expected);
  EXPECT_EQ(Said(), QString::fromUtf8("Tipp: ") + kept.join(", ") +
                        QString::fromUtf8(" halten und würfeln"));
  EXPECT_EQ(Read(), Said());
  EXPECT_TRUE(GadgetHidden(dice.Player2));
  EXPECT_FALSE(GadgetHidden(dice.Hint));
  EXPECT_TRUE(AccessibleName(dice.Panel[size_t(expected[0])]).endsWith(", Tipp: halten"));
  // It changes nothing: no hold, no throw, no selection, the focus where it was.
  EXPECT_EQ(dice.Dice, faces);
  EXPECT_EQ(dice.Active, (std::array<unsigned char, 7>{}));
  EXPECT_EQ(dice.Count, 0);
  EXPECT_EQ(app_->Last, nullptr);
  EXPECT_EQ(QApplication::focusWidget(), focus);

  // Holding exactly those dice and asking again: keep them held.
  for (int i : expected)
    Click(dice.Panel[size_t(i)]);
  ExpectNoHint("holding a die");
  ChooseMenu("Tipp");
  EXPECT_EQ(MarkedDice(), expected);
  EXPECT_EQ(Said(), QString::fromUtf8("Tipp: ") + kept.join(", ") +
                        QString::fromUtf8(" gehalten lassen und würfeln"));
  EXPECT_EQ(driver_->questions.size(), 2); // once a game

  // Held dice that it would throw again are named and marked apart, on the picture and for a
  // screen reader; once "4, 1, 1, 4 halten und würfeln" left a held 6 unmentioned.
  ChooseMenu("Neues Spiel");
  EXPECT_FALSE(app_->HintUsed);
  const std::vector<int> faces2{6, 4, 1, 1, 4, 2};
  SetDice(faces2);
  for (int i : {1, 2, 3, 4, 5, 6})
    Click(dice.Panel[size_t(i)]);
  THolds held;
  held.fill(true);
  const THolds keep2 = engine->ChooseHolds(TSheetState(), {6, 4, 1, 1, 4, 2}, held, MAX_ROLLS);
  PressT();
  EXPECT_EQ(driver_->questions.size(), 3); // a new game asks again
  QStringList kept2, released2;
  for (int i = 1; i <= DICE; ++i) {
    TGadget* die = dice.Panel[size_t(i)];
    const QString name = AccessibleName(die);
    if (keep2[size_t(i - 1)]) {
      kept2 << QString::number(faces2[size_t(i - 1)]);
      EXPECT_EQ(GadgetMarked(die), MARK_KEEP) << i;
      EXPECT_TRUE(name.endsWith(", gehalten, Tipp: halten")) << name.toStdString();
    } else {
      released2 << QString::number(faces2[size_t(i - 1)]);
      EXPECT_EQ(GadgetMarked(die), MARK_RELEASE) << i;
      EXPECT_TRUE(name.endsWith(", gehalten, Tipp: freigeben")) << name.toStdString();
    }
  }
  ASSERT_FALSE(released2.isEmpty());
  const QString release = released2.join(", ") + " freigeben";
  if (kept2.isEmpty())
    EXPECT_EQ(Said(), "Tipp: " + release + QString::fromUtf8(" und alle Würfel neu würfeln"));
  else
    EXPECT_EQ(Said(), "Tipp: " + release + ", " + kept2.join(", ") +
                          QString::fromUtf8(" halten und würfeln"));
  EXPECT_EQ(Read(), Said());
}

TEST_F(Hint, CellToEnterIsMarkedWithItsRowColumnAndPoints)
{
  Start();
  // Only one free cell and no throw left: the hint can name nothing else.
  OnlyFree(6, 2); // 3er Pasch, the ×3 column
  SetDice({4, 4, 1, 4, 2, 6});
  PressT();
  TGadget* cell = SheetCell(*app_, 0, 6, 2);
  EXPECT_EQ(MarkedCells(0), std::vector<TGadget*>{cell});
  EXPECT_EQ(MarkedDice(), std::vector<int>{});
  EXPECT_EQ(Said(), QString::fromUtf8("Tipp: 3er Pasch, Spalte 3 (21 Punkte)"));
  EXPECT_EQ(Read(), Said());
  EXPECT_EQ(cell->GetText(), "-"); // not chosen
  EXPECT_EQ(app_->Last, nullptr);
  // The cell says it as a die with the hint does, also after the sheet is described again.
  EXPECT_TRUE(AccessibleName(cell).endsWith(", Tipp: hier eintragen"))
      << AccessibleName(cell).toStdString();
  app_->Describe();
  EXPECT_TRUE(AccessibleName(cell).endsWith(", Tipp: hier eintragen"));
  // Choosing it shows what the hint said the cell shows.
  Click(cell);
  EXPECT_EQ(cell->GetText(), "21");
  ExpectNoHint("choosing a cell");

  // The ×1 column, and a cell that can only be struck.
  ChooseMenu("Neues Spiel");
  OnlyFree(5, 0);
  SetDice({6, 6, 1, 2, 3, 4});
  PressT();
  EXPECT_EQ(Said(), QString::fromUtf8("Tipp: 6er, Spalte 1 (12 Punkte)"));
  ChooseMenu("Neues Spiel");
  ExpectNoHint("a new game");
  OnlyFree(19, 1);
  SetDice({1, 2, 3, 4, 5, 6});
  PressT();
  // Two rows share the caption "Wummel"; the hint numbers them as a screen reader hears them.
  EXPECT_EQ(Said(), QString::fromUtf8("Tipp: Wummel, Zeile 2, Spalte 2 streichen (0 Punkte)"));
  EXPECT_EQ(MarkedCells(0), std::vector<TGadget*>{SheetCell(*app_, 0, 19, 1)});
  EXPECT_TRUE(AccessibleName(SheetCell(*app_, 0, 19, 1)).endsWith(", Tipp: streichen"));
  ChooseMenu("Neues Spiel");
  OnlyFree(20, 1);
  SetDice({1, 2, 3, 4, 5, 6});
  PressT();
  EXPECT_EQ(Said(), QString::fromUtf8("Tipp: Chance, Spalte 2 (21 Punkte)"));

  // Throws left: with nothing worth keeping all dice go again; with nothing to gain the cell.
  ChooseMenu("Neues Spiel");
  OnlyFree(5, 0, true);
  SetDice({1, 1, 2, 3, 4, 5});
  PressT();
  EXPECT_EQ(Said(), QString::fromUtf8("Tipp: alle Würfel neu würfeln"));
  EXPECT_EQ(MarkedDice(), std::vector<int>{});
  SetDice({6, 6, 6, 6, 6, 6});
  PressT();
  EXPECT_EQ(Said(), QString::fromUtf8("Tipp: 6er, Spalte 1 (36 Punkte)"));
  EXPECT_EQ(MarkedDice(), std::vector<int>{});
}

TEST_F(Hint, GoesAtThePersonsNextAction)
{
  Start();
  const std::vector<std::pair<const char*, std::function<void()>>> actions = {
      {"clicking a die", [this] { Click(Dice().Panel[2]); }},
      {"the key 3",
       [this] {
         QTest::keyClick(app_->Window->Native(), Qt::Key_3);
         Pump();
       }},
      {"Space on a die",
       [this] {
         Dice().Panel[4]->Native()->setFocus();
         QTest::keyClick(Dice().Panel[4]->Native(), Qt::Key_Space);
         Pump();
       }},
      {"throwing", [this] { Click(Dice().Button); }},
      {"choosing a cell", [this] { Click(FirstFree(0)); }},
      {"entering",
       [this] {
         Click(FirstFree(0));
         PressT();
         Click(Dice().Fill);
       }},
      {"N",
       [this] {
         QTest::keyClick(app_->Window->Native(), Qt::Key_N);
         Pump();
       }},
      {"the player dialog",
       [this] {
         WhenWindow(QString::fromUtf8("Wurfwummel - Spieler"), [](QWidget* w) { w->close(); });
         ChooseMenu(QString::fromUtf8("Spieler Einstellungen"));
       }},
  };
  for (const auto& [name, act] : actions) {
    QApplication::setActiveWindow(app_->Window->Native());
    PressT();
    ASSERT_TRUE(Said().startsWith("Tipp: ")) << name;
    act();
    ExpectNoHint(name);
  }
  // Moving the focus is no action.
  PressT();
  const QString said = Said();
  const std::vector<int> marked = MarkedDice();
  Dice().Panel[1]->Native()->setFocus();
  QTest::keyClick(Dice().Panel[1]->Native(), Qt::Key_Shift);
  Pump();
  EXPECT_EQ(Said(), said);
  // Nor is looking: the rules, the list, the about window, or how the computer would play.
  const std::pair<const char*, const char*> windows[] = {
      {"Regelwerk anzeigen", "Wurfwummel - Regeln"},
      {"Highscore anzeigen", "Wurfwummel - HighScore"},
      {"Über Wurfwummel", "Wurfwummel - About"},
  };
  for (const auto& [item, title] : windows) {
    WhenWindow(QString::fromUtf8(title), [](QWidget* w) { w->close(); });
    ChooseMenu(QString::fromUtf8(item));
    EXPECT_EQ(Said(), said) << title;
    EXPECT_EQ(MarkedDice(), marked) << title;
  }
  ChooseMenu("Schnell");
  ChooseMenu("Normal");
  EXPECT_EQ(Said(), said);
  // One question a game: the one before N, and this one.
  EXPECT_EQ(driver_->questions.count(QString::fromUtf8(HINT_QUESTION)), 2);
}

TEST_F(Hint, NeverInTheComputersTurn)
{
  Start();
  ChooseMenu("Gegen den Computer");
  QAction* tipp = Action("Tipp");
  ASSERT_NE(tipp, nullptr);
  EXPECT_TRUE(tipp->isEnabled());
  PressT();
  ASSERT_TRUE(Said().startsWith("Tipp: "));
  PersonPlays(); // entering takes the person's hint away and hands the turn on
  ASSERT_TRUE(app_->ComputerAtTurn());
  EXPECT_FALSE(tipp->isEnabled());
  for (size_t p = 0; p < 2; ++p)
    EXPECT_TRUE(GadgetHidden(app_->DiceField[p]->Hint)) << p;
  // Neither the key nor the menu item gives one; the key makes the status box say why.
  tipp->trigger();
  DispatchQueued();
  EXPECT_TRUE(GadgetHidden(app_->DiceField[1]->Hint));
  QTest::keyClick(app_->Window->Native(), Qt::Key_T);
  DispatchQueued();
  EXPECT_FALSE(GadgetHidden(app_->DiceField[1]->Hint));
  EXPECT_EQ(app_->DiceField[1]->Hint->GetText(),
            QString::fromUtf8("Kein Tipp, solange der Computer am Zug ist"));
  EXPECT_EQ(MarkedCells(1).size(), 0u);
  EXPECT_EQ(MarkedCells(0).size(), 0u);
  // Its own marks are the dice it holds; none is the hint's.
  SetComputerDelay(1);
  RunComputerTurn([this] {
    for (int i = 1; i <= DICE; ++i)
      EXPECT_FALSE(GadgetMarked(app_->DiceField[1]->Panel[size_t(i)]));
  });
  EXPECT_EQ(app_->CurrentPlayer, 0);
  EXPECT_TRUE(GadgetHidden(app_->DiceField[1]->Hint)); // said only for that turn
  EXPECT_TRUE(tipp->isEnabled());
  PressT();
  EXPECT_TRUE(Said().startsWith("Tipp: "));
}

// A game with a hint stays out of the high-score list, one without enters it; either way the
// status box says how the game ended.
TEST_F(Hint, AGameWithAHintDoesNotEnterTheHighScoreList)
{
  Start();
  SetScoreList(1, "Niemand");
  const QByteArray before = File("/wurfwummel.scr");
  OnlyFree(20, 0); // Chance, the ×1 column
  SetDice({6, 6, 6, 6, 6, 5});
  PressT();
  ASSERT_TRUE(app_->HintUsed);
  driver_->questions.clear();
  driver_->answers = {0}; // "Abbrechen" at the end: the program ends
  QString shown;
  bool turnShown = true;
  driver_->asked = [&](const QString&) {
    shown = Dice().Player2->GetText();
    turnShown = !GadgetHidden(Dice().Turn);
  };
  Click(SheetCell(*app_, 0, 20, 0));
  Click(Dice().Fill);
  driver_->asked = nullptr;
  EXPECT_EQ(driver_->questions, QStringList{QString::fromUtf8(
                                    "Es wurde kein neuer Highscore erspielt.\nNeues Spiel?")});
  EXPECT_EQ(driver_->exits, std::vector<int>{0});
  EXPECT_EQ(File("/wurfwummel.scr"), before);
  EXPECT_EQ(app_->ScoreIndex, (std::array<int, 2>{-1, -1}));
  EXPECT_EQ(shown, "Endstand: 35 Punkte"); // while the question waits
  EXPECT_FALSE(turnShown);                 // and nobody "ist am Zug"

  // The next game is without a hint: its score enters the list.
  driver_->exits.clear();
  ChooseMenu("Neues Spiel");
  EXPECT_FALSE(app_->HintUsed);
  EXPECT_FALSE(GadgetHidden(Dice().Turn));
  EXPECT_EQ(Dice().Player2->GetText(), "Spieler1 hat keine Gegner");
  OnlyFree(20, 0);
  SetDice({6, 6, 6, 6, 6, 5});
  bool listed = false;
  WhenWindow("Wurfwummel - HighScore", [&listed](QWidget* w) {
    listed = true;
    w->close();
  });
  Click(SheetCell(*app_, 0, 20, 0));
  Click(Dice().Fill);
  EXPECT_TRUE(listed);
  EXPECT_EQ(app_->ScoreIndex[0], 1);
}

TEST_F(Hint, TheEndOfATwoPlayerGameSaysWhoWonByHowMuch)
{
  Start();
  app_->CreatePlayer("Anna");
  // Both sheets full but for the Chance cell of the ×1 column; the opponent's total is not
  // yet summed up anywhere when the game ends.
  for (int p = 0; p < 2; ++p)
    for (TGadget* cell : Cells(p))
      if (cell != SheetCell(*app_, p, 20, 0)) {
        cell->SetText("0");
        cell->SetEnabled(0);
      }
  SetDice({1, 2, 3, 4, 5, 6});
  Click(SheetCell(*app_, 0, 20, 0));
  Click(Dice().Fill);
  ASSERT_EQ(app_->CurrentPlayer, 1);
  SetDice({6, 6, 6, 6, 6, 6});
  // Both scores enter the list; behind its window the status boxes tell the end.
  bool listed = false;
  WhenWindow("Wurfwummel - HighScore", [this, &listed](QWidget* w) {
    listed = true;
    for (size_t p = 0; p < 2; ++p) {
      TDicefield& dice = *app_->DiceField[p];
      EXPECT_EQ(dice.Player2->GetText(), "Anna gewinnt mit 36 zu 21 Punkten") << p;
      EXPECT_EQ(dice.Player1->GetText(), "Spielende") << p;
      EXPECT_EQ(AccessibleName(dice.Group2), "Spielende: Anna gewinnt mit 36 zu 21 Punkten") << p;
    }
    EXPECT_EQ(app_->GrandTotal(0), 21);
    EXPECT_EQ(app_->GrandTotal(1), 36);
    w->close();
  });
  Click(SheetCell(*app_, 1, 20, 0));
  Click(Dice().Fill);
  EXPECT_TRUE(listed);
  EXPECT_EQ(app_->ScoreIndex, (std::array<int, 2>{2, 1}));
  // The new game that follows has the status boxes' own lines back.
  EXPECT_EQ(app_->DiceField[0]->Player1->GetText(), "Spieler1");
  EXPECT_FALSE(GadgetHidden(app_->DiceField[0]->Turn));
}
