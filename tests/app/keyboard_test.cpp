// Playing from the keyboard alone: every key goes to the widget that has the focus.

#include "app/computer.h"
#include "app/sections.h"
#include "dice/dicefield.h"
#include "sheet/rules.h"
#include "store/highscore.h"
#include "store/rc4.h"
#include "tests/support/support.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <type_traits>

namespace
{
class Keyboard : public TWithApp
{
protected:
  void Start()
  {
    StartApp();
    SetScoreList(100000, "Profi");
    QApplication::setActiveWindow(app_->Window->Native());
  }
  static QWidget* Focus() { return QApplication::focusWidget(); }
  // A key pressed and released on the focused widget, then the main loop's handling.
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
  {
    QWidget* w = Focus();
    ASSERT_NE(w, nullptr);
    QTest::keyClick(w, key, mods);
    Pump();
  }
  TDicefield& Dice() { return *app_->DiceField[size_t(app_->CurrentPlayer)]; }

  // Player p's cells in the order Tab should visit them: section by section, row by row.
  std::vector<TGadget*> CellsInTabOrder(int p)
  {
    std::vector<TGadget*> cells;
    ForScoringSections(*app_, size_t(p), [&cells](auto& section) {
      for (size_t r = 0; r < section.Points[0]->Array.size(); ++r)
        for (const auto& column : section.Points)
          cells.push_back(column->Array[r]);
    });
    return cells;
  }
  std::vector<TGadget*> FreeCellsInTabOrder(int p)
  {
    std::vector<TGadget*> free;
    for (TGadget* cell : CellsInTabOrder(p))
      if (!GadgetDisabled(cell)) free.push_back(cell);
    return free;
  }

  // The grand total worked out here from the cells' texts, with the bonus rules.
  int TotalFromCells(int p)
  {
    int total = 0;
    for (int k = 0; k < 3; ++k) {
      int raw = 0;
      int bonus = 0;
      ForScoringSections(*app_, size_t(p), [&](auto& section) {
        const auto& cells = section.Points[size_t(k)]->Array;
        int sum = 0, withPoints = 0;
        for (TGadget* cell : cells) {
          const int v = cell->GetText().toInt();
          sum += v;
          withPoints += v > 0;
        }
        raw += sum;
        using TSection = std::decay_t<decltype(section)>;
        if constexpr (std::is_same_v<TSection, TPointfield>)
          bonus += NumberBonus(sum);
        else if constexpr (std::is_same_v<TSection, TPaschfield> ||
                           std::is_same_v<TSection, TNumfield> ||
                           std::is_same_v<TSection, TStreetfield>)
          bonus += PatternBonus(withPoints, int(cells.size()));
      });
      total += (k + 1) * (raw + bonus);
    }
    return total;
  }

  // One turn by keys: hold two dice with the digit keys, roll with Space, hold die 1 with
  // Space, Tab to the first free cell, choose it (Space or Enter) and enter it with Enter.
  void PlayTurnByKeys(int turn)
  {
    TDicefield& dice = Dice();
    ASSERT_EQ(Focus(), dice.Button->Native()) << "a turn starts on the roll button";
    Key(Qt::Key_2);
    Key(Qt::Key_5);
    EXPECT_EQ(dice.Active[2], 1);
    EXPECT_EQ(dice.Active[5], 1);
    const int held2 = dice.Dice[2], held5 = dice.Dice[5];
    Key(Qt::Key_Space); // rolls
    EXPECT_EQ(dice.Count, 1);
    EXPECT_EQ(dice.Dice[2], held2);
    EXPECT_EQ(dice.Dice[5], held5);
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), dice.Panel[1]->Native());
    Key(Qt::Key_Space);
    EXPECT_EQ(dice.Active[1], 1);
    for (int i = 2; i <= 7; ++i)
      Key(Qt::Key_Tab);
    const std::vector<TGadget*> free = FreeCellsInTabOrder(app_->CurrentPlayer);
    ASSERT_FALSE(free.empty());
    ASSERT_EQ(Focus(), free.front()->Native()) << "turn " << turn;
    Key(turn % 2 ? Qt::Key_Return : Qt::Key_Space);
    ASSERT_EQ(app_->Last, free.front());
    ASSERT_EQ(Focus(), dice.Fill->Native());
    const QString value = free.front()->GetText();
    EXPECT_NE(value, "-");
    if (free.size() == 1 && (PlayerCount == 1 || app_->CurrentPlayer == 1)) {
      // The last choice of the game counts in the totals before it is entered.
      EXPECT_EQ(app_->GrandTotal(app_->CurrentPlayer), TotalFromCells(app_->CurrentPlayer));
      for (int p = 0; p < PlayerCount; ++p)
        finalTotals.push_back(TotalFromCells(p));
    }
    Key(Qt::Key_Return);
    if (!finalTotals.empty()) return; // a new game has begun
    EXPECT_EQ(GadgetDisabled(free.front()), 1);
    EXPECT_EQ(free.front()->GetText(), value);
  }
  std::vector<int> finalTotals;
};
} // namespace

TEST_F(Keyboard, OnePlayerWholeGame)
{
  Start();
  driver_->answers.clear(); // every strike and the new-game question answered with OK
  app_->DiceField[0]->Button->Activate(0);
  for (int turn = 0; turn < 63; ++turn) {
    PlayTurnByKeys(turn);
    if (HasFatalFailure()) return;
  }
  ASSERT_EQ(finalTotals.size(), 1u);
  EXPECT_EQ(driver_->questions.filter("Highscore").size(), 1);
  // The new game starts on the roll button with an empty sheet.
  EXPECT_EQ(Focus(), app_->DiceField[0]->Button->Native());
  EXPECT_EQ(FreeCellsInTabOrder(0).size(), 63u);
}

TEST_F(Keyboard, TwoPlayerWholeGame)
{
  Start();
  app_->CreatePlayer("Berta");
  app_->DiceField[0]->Button->Activate(0);
  for (int turn = 0; turn < 126; ++turn) {
    ASSERT_EQ(app_->CurrentPlayer, turn % 2);
    PlayTurnByKeys(turn);
    if (HasFatalFailure()) return;
  }
  ASSERT_EQ(finalTotals.size(), 2u);
  EXPECT_EQ(driver_->questions.filter("Highscore").size(), 1);
  EXPECT_EQ(app_->CurrentPlayer, 0);
  EXPECT_EQ(Focus(), app_->DiceField[0]->Button->Native());
}

TEST_F(Keyboard, TabFollowsTheScreenAndSkipsLockedCellsAndSums)
{
  Start();
  TDicefield& dice = Dice();
  // Lock two cells, then choose a third so that "Eintragen" is enabled.
  std::vector<TGadget*> cells = CellsInTabOrder(0);
  for (TGadget* cell : {cells[1], cells[20]}) {
    Click(cell);
    Click(dice.Fill);
  }
  Click(cells[5]);
  ASSERT_EQ(GadgetDisabled(dice.Fill), 0);
  std::vector<TGadget*> expected{dice.Button};
  for (int i = 1; i <= DICE; ++i)
    expected.push_back(dice.Panel[size_t(i)]);
  for (TGadget* cell : cells) {
    if (cell == cells[1] || cell == cells[20]) continue;
    expected.push_back(cell);
    if (cell == cells[5]) expected.push_back(dice.Fill); // "Eintragen" follows the chosen cell
  }
  dice.Button->Activate(0);
  for (size_t i = 1; i <= expected.size(); ++i) {
    Key(Qt::Key_Tab);
    ASSERT_EQ(Focus(), expected[i % expected.size()]->Native()) << i;
  }
  for (size_t i = expected.size(); i-- > 0;) {
    Key(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_EQ(Focus(), expected[i]->Native()) << i;
  }
  // Without a choice, "Eintragen" is out of the way: the roll button follows the last cell.
  Click(dice.Button); // withdraws the choice
  ASSERT_EQ(GadgetDisabled(dice.Fill), 1);
  cells.back()->Activate(0);
  Key(Qt::Key_Tab);
  EXPECT_EQ(Focus(), dice.Button->Native());
}

TEST_F(Keyboard, DigitsAndSpaceHoldDiceByTheRulesOfAClick)
{
  Start();
  TDicefield& dice = Dice();
  dice.Button->Activate(0);
  for (Qt::Key k : {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5, Qt::Key_6})
    Key(k);
  for (int i = 1; i <= DICE; ++i)
    EXPECT_EQ(dice.Active[size_t(i)], 1) << i;
  Key(Qt::Key_3); // again: released
  EXPECT_EQ(dice.Active[3], 0);
  Key(Qt::Key_7); // no such die
  Key(Qt::Key_0);
  Key(Qt::Key_3, Qt::ShiftModifier); // not the digit key alone
  EXPECT_EQ(dice.Active[3], 0);
  // Space on a focused die works like a left click on it.
  dice.Panel[4]->Activate(0);
  Key(Qt::Key_Space);
  EXPECT_EQ(dice.Active[4], 0);
  EXPECT_TRUE(dice.Panel[4]->Native()->hasFocus());
  // After the last roll no key changes a hold.
  Click(dice.Button);
  Click(dice.Button);
  ASSERT_EQ(GadgetDisabled(dice.Button), 1);
  const auto holds = dice.Active;
  Key(Qt::Key_1);
  dice.Panel[2]->Activate(0);
  Key(Qt::Key_Space);
  EXPECT_EQ(dice.Active, holds);
  // N is still "Neues Spiel".
  Key(Qt::Key_N);
  EXPECT_EQ(dice.Count, 0);
  EXPECT_EQ(GadgetDisabled(dice.Button), 0);
  for (int i = 1; i <= DICE; ++i)
    EXPECT_EQ(dice.Active[size_t(i)], 0);
}

// After the last throw Tab passes the dice by; after "Abbrechen" at "Wirklich eintragen?" the
// keyboard stands on the cell it withdrew from, not nowhere (the grey "Eintragen").
TEST_F(Keyboard, AfterTheLastThrowAndAfterAbbrechenTheFocusStaysOnTheSheet)
{
  Start();
  TDicefield& dice = Dice();
  ASSERT_EQ(Focus(), dice.Button->Native());
  Key(Qt::Key_Space);
  Key(Qt::Key_Space);
  ASSERT_EQ(dice.Count, MAX_ROLLS);
  const std::vector<TGadget*> free = FreeCellsInTabOrder(0);
  ASSERT_EQ(Focus(), free.front()->Native()) << "the grey roll button handed on to the sheet";
  Key(Qt::Key_Tab, Qt::ShiftModifier);
  for (int i = 1; i <= DICE; ++i)
    EXPECT_NE(Focus(), dice.Panel[size_t(i)]->Native()) << i;
  QApplication::setActiveWindow(app_->Window->Native());
  free.front()->Activate(0);

  // The first cell counts ones: dice without a one strike it.
  SetDice({2, 3, 4, 5, 6, 6});
  Key(Qt::Key_Return);
  ASSERT_EQ(app_->Last, free.front());
  ASSERT_EQ(free.front()->GetText(), "0");
  ASSERT_EQ(Focus(), dice.Fill->Native());
  driver_->answers = {0};
  Key(Qt::Key_Return);
  EXPECT_EQ(driver_->questions.back(), QString::fromUtf8("Wirklich eintragen?"));
  EXPECT_EQ(app_->Last, nullptr);
  EXPECT_EQ(free.front()->GetText(), "-");
  EXPECT_EQ(Focus(), free.front()->Native());
  // And the keys work from there at once.
  Key(Qt::Key_Return);
  EXPECT_EQ(app_->Last, free.front());
}

// The menus open by F10 and by Alt with a letter, as on every desktop; the arrow keys go along
// the sheet's rows and columns (once they went as Tab, some sixty presses to a cell); Enter
// confirms the player dialog.
TEST_F(Keyboard, MenusArrowsAndTheDialogByKeysAlone)
{
  Start();
  TDicefield& dice = Dice();
  auto* bar = app_->Window->Native()->findChild<QMenuBar*>();
  ASSERT_NE(bar, nullptr);
  // A screen reader hears the menus by their names, the letter aside.
  QAccessibleInterface* barInfo = QAccessible::queryAccessibleInterface(bar);
  ASSERT_EQ(barInfo->childCount(), 2);
  EXPECT_EQ(barInfo->child(0)->text(QAccessible::Name), "Spiel");
  EXPECT_EQ(barInfo->child(1)->text(QAccessible::Name), "Anzeige");
  const auto open = []() -> QMenu* {
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
  };
  const auto title = [](QMenu* menu) { return menu ? menu->title().remove('&') : QString(); };
  Key(Qt::Key_F10);
  ASSERT_EQ(title(open()), "Spiel");
  ASSERT_NE(open()->activeAction(), nullptr);
  EXPECT_EQ(open()->activeAction()->text(), "Neues Spiel");
  QTest::keyClick(open(), Qt::Key_F10); // again: closed
  EXPECT_EQ(open(), nullptr);
  Key(Qt::Key_A, Qt::AltModifier);
  EXPECT_EQ(title(open()), "Anzeige");
  QTest::keyClick(open(), Qt::Key_Escape);
  Key(Qt::Key_S, Qt::AltModifier);
  EXPECT_EQ(title(open()), "Spiel");
  QTest::keyClick(open(), Qt::Key_Escape);
  while (open())
    open()->close();
  QApplication::setActiveWindow(app_->Window->Native());

  // Arrows on the sheet: "3er, Spalte 2" entered, Down from "2er, Spalte 2" passes it by.
  TGadget* threes2 = SheetCell(*app_, 0, 2, 1);
  SetDice({3, 3, 3, 1, 2, 4});
  Click(threes2);
  Click(dice.Fill);
  ASSERT_EQ(GadgetDisabled(threes2), 1);
  const auto at = [this](int row, int column) {
    return Focus() == SheetCell(*app_, 0, row, column)->Native();
  };
  SheetCell(*app_, 0, 0, 1)->Activate(0);
  Key(Qt::Key_Down);
  EXPECT_TRUE(at(1, 1));
  EXPECT_TRUE(AccessibleName(SheetCell(*app_, 0, 1, 1)).startsWith("2er, Spalte 2"));
  Key(Qt::Key_Down);
  EXPECT_TRUE(at(3, 1)) << "past the entered 3er";
  Key(Qt::Key_Up);
  EXPECT_TRUE(at(1, 1));
  Key(Qt::Key_Right);
  EXPECT_TRUE(at(1, 2));
  Key(Qt::Key_Right); // the last column: the focus stays
  EXPECT_TRUE(at(1, 2));
  Key(Qt::Key_Left);
  Key(Qt::Key_Left);
  EXPECT_TRUE(at(1, 0));
  Key(Qt::Key_Up);
  Key(Qt::Key_Up); // the first row: the focus stays
  EXPECT_TRUE(at(0, 0));
  // From the last number row straight on to the first row of the next section.
  SheetCell(*app_, 0, 5, 0)->Activate(0);
  Key(Qt::Key_Down);
  EXPECT_TRUE(at(6, 0));
  EXPECT_TRUE(AccessibleName(SheetCell(*app_, 0, 6, 0)).startsWith("3er Pasch, Spalte 1"));
  // Chosen with Enter, the cell hands on to "Eintragen" as before.
  Key(Qt::Key_Return);
  EXPECT_EQ(app_->Last, SheetCell(*app_, 0, 6, 0));
  EXPECT_EQ(Focus(), dice.Fill->Native());

  // Enter confirms the player dialog, from its name field; the game under way asks first.
  bool seen = false;
  WhenWindow("Wurfwummel - Spieler", [&seen](QWidget* w) {
    seen = true;
    QApplication::setActiveWindow(w);
    QWidget* name = Named(w, "Name von Spieler 1");
    ASSERT_NE(name, nullptr);
    ASSERT_EQ(QApplication::focusWidget(), name);
    RunSteps({[name] {
      static_cast<QLineEdit*>(name)->selectAll();
      QTest::keyClicks(name, "Anna");
      QTest::keyClick(name, Qt::Key_Return);
    }});
  });
  driver_->answers = {1};
  Key(Qt::Key_S, Qt::AltModifier);
  QMenu* game = open();
  ASSERT_NE(game, nullptr);
  QTest::keyClick(game, Qt::Key_Down);
  QTest::keyClick(game, Qt::Key_Down);
  ASSERT_NE(game->activeAction(), nullptr);
  EXPECT_EQ(game->activeAction()->text(), "Spieler Einstellungen");
  QTest::keyClick(game, Qt::Key_Return);
  Pump(); // the dialog's loop runs inside, until Enter closes it
  EXPECT_TRUE(seen);
  EXPECT_EQ(app_->PlayerName[0], "Anna");
  EXPECT_EQ(driver_->questions.filter(QString::fromUtf8("Änderungen")).size(), 1);
  EXPECT_EQ(GadgetDisabled(threes2), 0); // a new game
}
