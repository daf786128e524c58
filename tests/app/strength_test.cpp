// The computer's three strengths, its fair way of joining and leaving a game, and the hint, all
// through the window: menu items, real key events, the files on disk and what a screen reader
// reads.

#include "ai/player.h"
#include "app/computer.h"
#include "dice/dicefield.h"
#include "tests/app/opponent.h"
#include "tests/support/support.h"

#include <QAccessible>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QTest>

namespace
{
class Strength : public Opponent
{
protected:
  QAction* Level(const char* name) { return Action(name); }
  std::vector<bool> LevelsChecked()
  {
    return {Level("Leicht")->isChecked(), Level("Mittel")->isChecked(),
            Level("Stark")->isChecked()};
  }
  void WriteChoice(const QByteArray& bytes)
  {
    ASSERT_TRUE(QDir().mkpath(DataPath()));
    ASSERT_TRUE(WriteAll(DataPath() + "/wurfwummel.cpu", bytes));
  }
};

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

TEST_F(Strength, RadioItemsAreExclusiveAndTheChoiceIsRememberedByteByByte)
{
  StartApp();
  ASSERT_NE(Level("Leicht"), nullptr);
  ASSERT_NE(Level("Leicht")->actionGroup(), nullptr);
  EXPECT_TRUE(Level("Leicht")->actionGroup()->isExclusive());
  EXPECT_EQ(LevelsChecked(), (std::vector<bool>{false, false, true}));
  EXPECT_EQ(app_->Computer->Level(), TLevel::Stark);
  // Nothing chosen yet: the data folder holds only the files it always held.
  EXPECT_FALSE(QFile::exists(DataPath() + "/wurfwummel.cpu"));

  // Chosen while the computer is off: the strength it will play at, saved at once.
  ChooseMenu("Mittel");
  EXPECT_EQ(LevelsChecked(), (std::vector<bool>{false, true, false}));
  EXPECT_EQ(app_->Computer->Level(), TLevel::Mittel);
  EXPECT_EQ(File("/wurfwummel.cpu"), QByteArray("0\r\nmittel\r\n"));
  EXPECT_EQ(PlayerCount, 1);
  EXPECT_EQ(app_->Computer->Ready(), nullptr); // nothing to build while it does not play

  Restart();
  EXPECT_EQ(LevelsChecked(), (std::vector<bool>{false, true, false}));
  EXPECT_EQ(app_->Computer->Level(), TLevel::Mittel);
  ChooseMenu("Gegen den Computer");
  EXPECT_EQ(File("/wurfwummel.cpu"), QByteArray("1\r\nmittel\r\n"));
  ChooseMenu("Leicht");
  ChooseMenu("Leicht");
  EXPECT_EQ(LevelsChecked(), (std::vector<bool>{true, false, false}));
  EXPECT_EQ(File("/wurfwummel.cpu"), QByteArray("1\r\nleicht\r\n"));

  Restart();
  EXPECT_TRUE(app_->ComputerPlays());
  EXPECT_TRUE(Checked());
  EXPECT_EQ(LevelsChecked(), (std::vector<bool>{true, false, false}));
  EXPECT_EQ(app_->Computer->Level(), TLevel::Leicht);
  EXPECT_EQ(File("/wurfwummel.cfg"), QByteArray("Spieler1\r\nComputer\r\n"));
}

TEST_F(Strength, ChoiceFileOfTheVersionBeforeStrengthsMeansStark)
{
  // Exactly what the earlier version wrote with the computer on.
  WriteChoice("1\r\n");
  ASSERT_TRUE(WriteAll(DataPath() + "/wurfwummel.cfg", "Spieler1\r\nComputer\r\n"));
  StartApp();
  EXPECT_TRUE(app_->ComputerPlays());
  EXPECT_EQ(app_->Computer->Level(), TLevel::Stark);
  EXPECT_EQ(LevelsChecked(), (std::vector<bool>{false, false, true}));
  EXPECT_EQ(File("/wurfwummel.cpu"), QByteArray("1\r\n")); // read, not rewritten
  app_->SaveGame();
  EXPECT_EQ(File("/wurfwummel.cpu"), QByteArray("1\r\nstark\r\n"));
  app_->Destroy();
  app_.reset();
  PlayerCount = 0;

  // A strength this version does not know, and the computer off.
  WriteChoice("0\r\nMeister\r\n");
  StartApp();
  EXPECT_FALSE(app_->ComputerPlays());
  EXPECT_EQ(app_->Computer->Level(), TLevel::Stark);
  EXPECT_EQ(LevelsChecked(), (std::vector<bool>{false, false, true}));
}

TEST_F(Strength, PlayerIsBuiltAtStartUpAndSwitchOnBeforeAnyStep)
{
  WriteChoice("1\r\nmittel\r\n");
  int ticks = 0;
  const int hook = AddHook(0, [&ticks](TEvent& e) {
    ticks += e.id == EVENT_TIMERTICK;
    return true;
  });
  StartApp();
  EXPECT_NE(app_->Computer->Ready(), nullptr);
  EXPECT_EQ(ticks, 0);

  ChooseMenu("Gegen den Computer"); // off, before any entry: at once
  EXPECT_FALSE(app_->ComputerPlays());
  ChooseMenu("Leicht");
  EXPECT_EQ(app_->Computer->Ready(), nullptr); // off: Leicht is not built yet
  ChooseMenu("Gegen den Computer");
  EXPECT_NE(app_->Computer->Ready(), nullptr);
  // Changed while it plays: the new strength is built at once, and no new game begins.
  PersonPlays();
  ASSERT_TRUE(app_->ComputerAtTurn());
  const std::array<int, 7> dice = app_->DiceField[1]->Dice;
  ChooseMenu("Stark");
  EXPECT_NE(app_->Computer->Ready(), nullptr);
  EXPECT_EQ(app_->Computer->Ready(), &app_->Computer->PlayerFor(TLevel::Stark));
  EXPECT_EQ(Entered(0), 1);
  EXPECT_EQ(app_->DiceField[1]->Dice, dice);
  EXPECT_EQ(ticks, 0);
  SetComputerDelay(1);
  RunComputerTurn();
  EXPECT_EQ(Entered(1), 1);
  RemoveHook(hook);
}

TEST_F(Strength, SwitchingOnOrOffMidGameAsksAndOkStartsANewGame)
{
  StartApp();
  PersonPlays();
  ASSERT_EQ(Entered(0), 1);
  driver_->questions.clear(); // the dice may have asked to strike the cell

  // Abbrechen: nothing changes, the check mark stays off.
  driver_->answers = {0};
  ChooseMenu("Gegen den Computer");
  EXPECT_EQ(driver_->questions, QStringList{COMPUTER_ON_QUESTION});
  EXPECT_EQ(PlayerCount, 1);
  EXPECT_EQ(Entered(0), 1);
  EXPECT_FALSE(Checked());
  EXPECT_FALSE(QFile::exists(DataPath() + "/wurfwummel.cpu"));

  // OK: the computer takes the second seat and a new game begins.
  driver_->answers = {1};
  ChooseMenu("Gegen den Computer");
  EXPECT_EQ(driver_->questions.size(), 2);
  ASSERT_EQ(PlayerCount, 2);
  EXPECT_TRUE(app_->ComputerPlays());
  EXPECT_TRUE(Checked());
  EXPECT_EQ(Entered(0), 0);
  EXPECT_EQ(app_->CurrentPlayer, 0);
  EXPECT_EQ(File("/wurfwummel.cpu"), QByteArray("1\r\nstark\r\n"));

  SetComputerDelay(1);
  PersonPlays();
  RunComputerTurn();
  ASSERT_EQ(Entered(1), 1);
  driver_->questions.clear();

  driver_->answers = {0};
  ChooseMenu("Gegen den Computer");
  EXPECT_EQ(driver_->questions, QStringList{COMPUTER_OFF_QUESTION});
  EXPECT_TRUE(app_->ComputerPlays());
  EXPECT_TRUE(Checked());
  EXPECT_EQ(Entered(0), 1);
  EXPECT_EQ(Entered(1), 1);
  EXPECT_EQ(File("/wurfwummel.cpu"), QByteArray("1\r\nstark\r\n"));

  // OK: the second seat is freed and a new game begins.
  driver_->answers = {1};
  ChooseMenu("Gegen den Computer");
  EXPECT_EQ(driver_->questions.size(), 2);
  EXPECT_EQ(PlayerCount, 1);
  EXPECT_FALSE(Checked());
  EXPECT_EQ(Entered(0), 0);
  EXPECT_EQ(app_->DiceField[0]->Player2->GetText(), "Spieler1 hat keine Gegner");
  EXPECT_EQ(File("/wurfwummel.cfg"), QByteArray("Spieler1\r\n"));
  EXPECT_EQ(File("/wurfwummel.cpu"), QByteArray("0\r\nstark\r\n"));

  // Before the first entry it switches at once, both ways.
  ChooseMenu("Gegen den Computer");
  EXPECT_TRUE(app_->ComputerPlays());
  ChooseMenu("Gegen den Computer");
  EXPECT_EQ(driver_->questions.size(), 2);
  EXPECT_EQ(PlayerCount, 1);
}

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
  ChooseMenu("Tipp\tT");
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
  EXPECT_EQ(Said(), QString::fromUtf8("Tipp: 3er Pasch, Spalte 3 (21 × 3 = 63 Punkte)"));
  EXPECT_EQ(Read(), Said());
  EXPECT_EQ(cell->GetText(), "-"); // not chosen
  EXPECT_EQ(app_->Last, nullptr);
  // Choosing it shows what the hint said the cell shows.
  Click(cell);
  EXPECT_EQ(cell->GetText(), "21");
  ExpectNoHint("choosing a cell");

  // The ×1 column, and a cell that can only be struck.
  ChooseMenu("Neues Spiel\tN");
  OnlyFree(5, 0);
  SetDice({6, 6, 1, 2, 3, 4});
  PressT();
  EXPECT_EQ(Said(), QString::fromUtf8("Tipp: 6er, Spalte 1 (12 Punkte)"));
  ChooseMenu("Neues Spiel\tN");
  ExpectNoHint("a new game");
  OnlyFree(19, 1);
  SetDice({1, 2, 3, 4, 5, 6});
  PressT();
  // Two rows share the caption "Wummel"; the hint numbers them as a screen reader hears them.
  EXPECT_EQ(Said(), QString::fromUtf8("Tipp: Wummel, Zeile 2, Spalte 2 streichen (0 Punkte)"));
  EXPECT_EQ(MarkedCells(0), std::vector<TGadget*>{SheetCell(*app_, 0, 19, 1)});
  ChooseMenu("Neues Spiel\tN");
  OnlyFree(20, 1);
  SetDice({1, 2, 3, 4, 5, 6});
  PressT();
  EXPECT_EQ(Said(), QString::fromUtf8("Tipp: Chance, Spalte 2 (21 × 2 = 42 Punkte)"));

  // Throws left: with nothing worth keeping all dice go again; with nothing to gain the cell.
  ChooseMenu("Neues Spiel\tN");
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
  QAction* tipp = Action("Tipp\tT");
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
