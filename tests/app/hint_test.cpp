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
  EXPECT_EQ(MarkedDice(), std::vector<int>{}); // each mark went as its die was held
  // Asked again, the hint says so; a mark shows what is still to do, and nothing is.
  ChooseMenu("Tipp");
  EXPECT_EQ(MarkedDice(), std::vector<int>{});
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
      // Held and to be kept: nothing to do there.
      kept2 << QString::number(faces2[size_t(i - 1)]);
      EXPECT_EQ(GadgetMarked(die), 0) << i;
      EXPECT_TRUE(name.endsWith(", gehalten")) << name.toStdString();
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
  // Choosing it shows what the hint said the cell shows; the advice is followed, the words stay.
  Click(cell);
  EXPECT_EQ(cell->GetText(), "21");
  EXPECT_EQ(MarkedCells(0).size(), 0u);
  EXPECT_FALSE(AccessibleName(cell).contains("Tipp"));
  EXPECT_EQ(Said(), QString::fromUtf8("Tipp: 3er Pasch, Spalte 3 (21 Punkte)"));

  // The ×1 column, and a cell that can only be struck.
  ChooseMenu("Neues Spiel");
  OnlyFree(5, 0);
  SetDice({6, 6, 1, 2, 3, 4});
  PressT();
  EXPECT_EQ(Said(), QString::fromUtf8("Tipp: 6er, Spalte 1 (12 Punkte)"));
  // One point is one "Punkt", here as in the analysis's list, which says it in the same words.
  ChooseMenu("Neues Spiel");
  OnlyFree(0, 0);
  SetDice({1, 2, 3, 4, 5, 6});
  PressT();
  EXPECT_EQ(Said(), QString::fromUtf8("Tipp: 1er, Spalte 1 (1 Punkt)"));
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

// Once holding the first marked die took every other mark and the words away: the hint stays
// until the next throw or entry, and each mark goes as its advice is followed, by mouse or key.
TEST_F(Hint, StaysUntilTheNextThrowOrEntryAndEachMarkGoesAsItIsFollowed)
{
  Start();
  TDicefield& dice = Dice();
  SetDice({5, 2, 5, 1, 5, 3});
  const auto engine = MakePlayer(TLevel::Stark);
  const THolds keep = engine->ChooseHolds(TSheetState(), {5, 2, 5, 1, 5, 3}, THolds{}, MAX_ROLLS);
  std::vector<int> marked, unmarked;
  for (int i = 1; i <= DICE; ++i)
    (keep[size_t(i - 1)] ? marked : unmarked).push_back(i);
  ASSERT_GE(marked.size(), 2u);
  ASSERT_FALSE(unmarked.empty());
  const auto key = [this](Qt::Key k, QWidget* to = nullptr) {
    if (!to) to = QApplication::focusWidget();
    ASSERT_NE(to, nullptr);
    QTest::keyClick(to, k);
    Pump();
  };
  // What a screen reader reads of a die.
  const auto read = [](TGadget* die) {
    return QAccessible::queryAccessibleInterface(die->Native())->text(QAccessible::Name);
  };
  PressT();
  const QString said = Said();
  ASSERT_TRUE(said.startsWith("Tipp: ")) << said.toStdString();
  ASSERT_EQ(MarkedDice(), marked);

  // The digit key of the first marked die holds it: that mark goes, the others and the words
  // stay; released again, it is marked again.
  const int first = marked.front();
  key(Qt::Key(Qt::Key_0 + first), app_->Window->Native());
  ASSERT_EQ(dice.Active[size_t(first)], 1);
  std::vector<int> rest(marked.begin() + 1, marked.end());
  EXPECT_EQ(MarkedDice(), rest);
  EXPECT_FALSE(read(dice.Panel[size_t(first)]).contains("Tipp"));
  EXPECT_TRUE(read(dice.Panel[size_t(rest.front())]).endsWith(", Tipp: halten"));
  EXPECT_EQ(Said(), said);
  EXPECT_EQ(Read(), said);
  key(Qt::Key(Qt::Key_0 + first), app_->Window->Native());
  EXPECT_EQ(MarkedDice(), marked);
  // A die the hint would throw, held by Space on it, has no mark to lose; the words stay.
  dice.Panel[size_t(unmarked.front())]->Activate(0);
  key(Qt::Key_Space);
  ASSERT_EQ(dice.Active[size_t(unmarked.front())], 1);
  EXPECT_EQ(MarkedDice(), marked);
  EXPECT_EQ(Said(), said);
  key(Qt::Key_Space);
  // Every marked die held, with the mouse: no mark left, the words still there to read.
  for (int i : marked)
    Click(dice.Panel[size_t(i)]);
  EXPECT_EQ(MarkedDice(), std::vector<int>{});
  EXPECT_EQ(Said(), said);
  // Moving the focus, choosing a cell, looking at the rules: no throw, no entry.
  key(Qt::Key_Tab);
  Click(FirstFree(0));
  ASSERT_NE(app_->Last, nullptr);
  WhenWindow(QString::fromUtf8("Wurfwummel - Regeln"), [](QWidget* w) { w->close(); });
  ChooseMenu("Regelwerk anzeigen");
  EXPECT_EQ(Said(), said);
  // The throw takes it away, by Space on "Würfeln".
  dice.Button->Activate(0);
  key(Qt::Key_Space);
  EXPECT_EQ(dice.Count, 1);
  ExpectNoHint("the throw");

  // The strike question answered "Abbrechen" enters nothing: the hint stays; the entry ends it.
  SetDice({2, 3, 4, 5, 6, 6});
  PressT();
  const QString strike = Said();
  ASSERT_TRUE(strike.startsWith("Tipp: ")) << strike.toStdString();
  Click(SheetCell(*app_, 0, 0, 0)); // ones, without a one
  ASSERT_EQ(SheetCell(*app_, 0, 0, 0)->GetText(), "0");
  driver_->answers = {0};
  Click(dice.Fill);
  EXPECT_EQ(driver_->questions.back(), QString::fromUtf8(STRIKE_QUESTION));
  EXPECT_EQ(Said(), strike);
  driver_->answers = {1};
  Click(SheetCell(*app_, 0, 0, 0));
  QTest::keyClick(dice.Fill->Native(), Qt::Key_Return);
  Pump();
  ASSERT_EQ(GadgetDisabled(SheetCell(*app_, 0, 0, 0)), 1);
  ExpectNoHint("the entry");
  // One question a game.
  EXPECT_EQ(driver_->questions.count(QString::fromUtf8(HINT_QUESTION)), 1);
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
  QString shown, endQuestion;
  bool turnShown = true;
  driver_->asked = [&](const QString&) {
    shown = Dice().Player2->GetText();
    turnShown = !GadgetHidden(Dice().Turn);
    endQuestion = app_->EndQuestion();
  };
  Click(SheetCell(*app_, 0, 20, 0));
  Click(Dice().Fill);
  driver_->asked = nullptr;
  // Without the hint the total would have entered the list: the end says what kept it out.
  EXPECT_EQ(driver_->questions, QStringList{QString::fromUtf8("Ohne Tipp wäre dieses Spiel in die "
                                                              "Highscore-Liste gekommen.\nNeues "
                                                              "Spiel?")});
  EXPECT_EQ(driver_->exits, std::vector<int>{0});
  EXPECT_EQ(File("/wurfwummel.scr"), before);
  EXPECT_EQ(app_->ScoreIndex, (std::array<int, 2>{-1, -1}));
  EXPECT_EQ(shown, "Endstand: 35 Punkte"); // while the question waits
  EXPECT_FALSE(turnShown);                 // and nobody "ist am Zug"
  EXPECT_EQ(endQuestion, driver_->questions.value(0));

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

  // A game with a hint whose total the list would not have taken either hears the usual words.
  SetScoreList(100000, "Profi");
  OnlyFree(20, 0);
  SetDice({6, 6, 6, 6, 6, 5});
  PressT();
  driver_->answers = {1};
  driver_->asked = [&](const QString&) { endQuestion = app_->EndQuestion(); };
  Click(SheetCell(*app_, 0, 20, 0));
  Click(Dice().Fill);
  driver_->asked = nullptr;
  EXPECT_EQ(endQuestion,
            QString::fromUtf8("Es wurde kein neuer Highscore erspielt.\nNeues Spiel?"));
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
