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
  PressT();
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
      {"a dialog",
       [this] {
         WhenWindow(QString::fromUtf8("Wurfwummel - About"), [](QWidget* w) { w->close(); });
         ChooseMenu(QString::fromUtf8("Über Wurfwummel"));
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
  Dice().Panel[1]->Native()->setFocus();
  QTest::keyClick(Dice().Panel[1]->Native(), Qt::Key_Shift);
  Pump();
  EXPECT_EQ(Said(), said);
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
  // Neither the key nor the menu item gives one.
  QTest::keyClick(app_->Window->Native(), Qt::Key_T);
  tipp->trigger();
  DispatchQueued();
  EXPECT_TRUE(GadgetHidden(app_->DiceField[1]->Hint));
  EXPECT_EQ(MarkedCells(1).size(), 0u);
  // Its own marks are the dice it holds; none is the hint's.
  SetComputerDelay(1);
  RunComputerTurn([this] {
    for (int i = 1; i <= DICE; ++i)
      EXPECT_FALSE(GadgetMarked(app_->DiceField[1]->Panel[size_t(i)]));
  });
  EXPECT_EQ(app_->CurrentPlayer, 0);
  EXPECT_TRUE(tipp->isEnabled());
  PressT();
  EXPECT_TRUE(Said().startsWith("Tipp: "));
}
