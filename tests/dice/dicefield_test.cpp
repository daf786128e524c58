#include "dice/dicefield.h"
#include "gui/runtime.h"
#include "sheet/pointfield.h"
#include "sheet/wummelfield.h"
#include "tests/support/support.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

namespace
{
class Dice : public TWithApp
{
protected:
  TDicefield& D() { return *app_->DiceField[0]; }
  TGadget* Die(int i) { return D().Panel[size_t(i)]; }
  // The picture a die shows: face and whether it is the held one.
  std::pair<int, bool> Shown(int i)
  {
    const TPixmapPtr& p = Die(i)->Pixmap();
    for (int f = 1; f <= 6; ++f) {
      if (p == D().Pixmap[size_t(f)]) return {f, false};
      if (p == D().PixmapHigh[size_t(f)]) return {f, true};
    }
    return {0, false};
  }
  std::array<int, 7> Values() { return D().Dice; }
};
} // namespace

TEST_F(Dice, AreaLayoutAndFirstThrow)
{
  StartApp();
  EXPECT_EQ(D().Button->GetText(), "Würfeln");
  EXPECT_EQ(D().Fill->GetText(), "Eintragen");
  EXPECT_EQ(GadgetDisabled(D().Fill), 1);
  EXPECT_EQ(GadgetDisabled(D().Button), 0);
  EXPECT_EQ(D().Group->xpos, 10);
  EXPECT_EQ(D().Group->ypos, 290);
  const QPoint expected[7] = {{}, {14, 45}, {86, 45}, {158, 45}, {14, 117}, {86, 117}, {158, 117}};
  for (int i = 1; i <= 6; ++i) {
    EXPECT_EQ(QPoint(Die(i)->xpos, Die(i)->ypos), expected[i]);
    EXPECT_EQ(Die(i)->sensitivity, 3);
    EXPECT_TRUE(D().Dice[size_t(i)] >= 1 && D().Dice[size_t(i)] <= 6);
    EXPECT_EQ(Shown(i), std::make_pair(D().Dice[size_t(i)], false));
    EXPECT_EQ(AccessibleName(Die(i)),
              "Würfel " + QString::number(i) + ": " + QString::number(D().Dice[size_t(i)]));
  }
  EXPECT_EQ(D().Count, 0);
  // Status box: y0 = (135 - 20) / 2 - 55 = 2 in the tall layout.
  EXPECT_EQ(D().Player1->ypos, 2);
  EXPECT_EQ(D().Player1->width, 220);
  EXPECT_EQ(D().Player2->ypos, 79);
  EXPECT_EQ(D().Player1->GetText(), "Spieler1");
  EXPECT_EQ(D().Player2->GetText(), "Spieler1 hat keine Gegner");
  EXPECT_EQ(D().Player1->Font(), Font24);
  // Twelve pictures, each loaded once and shared by the panels.
  for (int f = 1; f <= 6; ++f) {
    ASSERT_TRUE(D().Pixmap[size_t(f)]);
    ASSERT_TRUE(D().PixmapHigh[size_t(f)]);
  }
}

TEST_F(Dice, CompactStatusBox)
{
  StartApp(1024, 768);
  EXPECT_EQ(D().Player1->ypos, 33);
  EXPECT_EQ(D().Player1->width, 250);
  EXPECT_EQ(D().Group2->width, 290);
  EXPECT_EQ(D().Group2->height, 197);
}

TEST_F(Dice, HoldAndReleaseWithTheLeftButtonOnly)
{
  StartApp();
  const auto before = Values();
  Click(Die(2));
  EXPECT_EQ(D().Active[2], 1);
  EXPECT_EQ(Shown(2), std::make_pair(before[2], true));
  EXPECT_TRUE(AccessibleName(Die(2)).endsWith(", gehalten"));
  RightClick(Die(3));
  ClickWidget(Die(4), Qt::MiddleButton);
  Pump();
  EXPECT_EQ(D().Active[3], 0);
  EXPECT_EQ(D().Active[4], 0);
  Click(Die(2));
  EXPECT_EQ(D().Active[2], 0);
  EXPECT_EQ(Shown(2), std::make_pair(before[2], false));
  EXPECT_EQ(Values(), before);
}

TEST_F(Dice, TwoRollsUseUpTheTurnAndFreezeTheHolds)
{
  StartApp();
  Click(Die(1));
  Click(Die(6));
  const auto first = Values();
  for (int roll = 1; roll <= 2; ++roll) {
    Click(D().Button);
    EXPECT_EQ(D().Count, roll);
    // Held dice keep value and highlighted picture; rolled dice show normal pictures.
    EXPECT_EQ(Shown(1), std::make_pair(first[1], true));
    EXPECT_EQ(Shown(6), std::make_pair(first[6], true));
    for (int i = 2; i <= 5; ++i)
      EXPECT_EQ(Shown(i), std::make_pair(D().Dice[size_t(i)], false));
  }
  EXPECT_EQ(GadgetDisabled(D().Button), 1);
  Click(Die(3));
  Click(Die(1));
  EXPECT_EQ(D().Active[3], 0);
  EXPECT_EQ(D().Active[1], 1);
  Click(D().Button); // disabled: nothing happens
  EXPECT_EQ(D().Count, 2);
  // A new game gives all three throws back.
  app_->NewGame();
  EXPECT_EQ(D().Count, 0);
  EXPECT_EQ(GadgetDisabled(D().Button), 0);
  for (int i = 1; i <= 6; ++i)
    EXPECT_EQ(D().Active[size_t(i)], 0);
  Click(D().Button);
  EXPECT_EQ(D().Count, 1);
}

TEST_F(Dice, RollWithAllDiceHeldChangesNothingButCounts)
{
  StartApp();
  for (int i = 1; i <= 6; ++i)
    Click(Die(i));
  const auto before = Values();
  Click(D().Button);
  EXPECT_EQ(Values(), before);
  EXPECT_EQ(D().Count, 1);
  for (int i = 1; i <= 6; ++i)
    EXPECT_TRUE(Shown(i).second);
}

TEST_F(Dice, RollsDrawTheGameGeneratorDieOneFirst)
{
  StartApp();
  Click(Die(2));
  Click(Die(5));
  SeedRnd(4242);
  Click(D().Button);
  SeedRnd(4242);
  for (int i : {1, 3, 4, 6})
    EXPECT_EQ(D().Dice[size_t(i)], Rand(1, 6)) << i;
}

TEST_F(Dice, DecliningAStrikeKeepsTheTurn)
{
  StartApp();
  SetDice({1, 1, 1, 1, 1, 1});
  Click(D().Button);
  Click(Die(1));
  SetDice({1, 1, 1, 1, 1, 1});
  TGadget* sixes = app_->Pointfield[0]->Points[0]->Array[5];
  Click(sixes);
  EXPECT_EQ(sixes->GetText(), "0");
  driver_->answers = {0};
  Click(D().Fill);
  EXPECT_EQ(driver_->questions, QStringList{"Wirklich eintragen?"});
  EXPECT_EQ(sixes->GetText(), "-");
  EXPECT_EQ(GadgetDisabled(sixes), 0);
  EXPECT_EQ(app_->Last, nullptr);
  EXPECT_EQ(GadgetDisabled(D().Fill), 1);
  EXPECT_EQ(D().Count, 1);
  EXPECT_EQ(D().Active[1], 1);
  EXPECT_EQ(Values(), (std::array<int, 7>{0, 1, 1, 1, 1, 1, 1}));
  // Confirmed, the row is struck and the turn ends with a fresh throw.
  Click(sixes);
  driver_->answers = {1};
  Click(D().Fill);
  EXPECT_EQ(sixes->GetText(), "0");
  EXPECT_EQ(GadgetDisabled(sixes), 1);
  EXPECT_EQ(D().Count, 0);
  EXPECT_EQ(D().Active[1], 0);
  // A cell with points is entered without a question.
  driver_->questions.clear();
  SetDice({2, 2, 3, 4, 5, 6});
  Click(app_->Pointfield[0]->Points[0]->Array[1]);
  Click(D().Fill);
  EXPECT_TRUE(driver_->questions.isEmpty());
  EXPECT_EQ(app_->Pointfield[0]->Points[0]->Array[1]->GetText(), "4");
}

TEST_F(Dice, EnterKeyPressesTheFocusedEnterButton)
{
  StartApp();
  QApplication::setActiveWindow(app_->Window->Native());
  SetDice({4, 5, 2, 6, 3, 5});
  TGadget* chance = app_->Chancefield[0]->Points[0]->Array[0];
  Click(chance);
  ASSERT_TRUE(D().Fill->Native()->hasFocus());
  QTest::keyClick(D().Fill->Native(), Qt::Key_Return);
  Pump();
  EXPECT_EQ(chance->GetText(), "25");
  EXPECT_EQ(GadgetDisabled(chance), 1);
}
