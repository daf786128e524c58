#include "dice/dicefield.h"
#include "sheet/patternfield.h"
#include "sheet/pointfield.h"
#include "sheet/winpointfield.h"
#include "sheet/wummelfield.h"
#include "tests/support/support.h"

#include <QWidget>

namespace
{
class Sheet : public TWithApp
{
protected:
  TPointfield& Points() { return *app_->Pointfield[0]; }
  TPaschfield& Pasch() { return *app_->Paschfield[0]; }
  TWinPointField& Totals() { return *app_->Winpointfield[0]; }
  TDicefield& Dice() { return *app_->DiceField[0]; }
  // Clicks a cell, then enters it as the enter button does.
  void Enter(TGadget* cell)
  {
    Click(cell);
    Click(Dice().Fill);
  }
  QString Text(TGadget* g) { return g->GetText(); }
};

std::vector<TGadget*> AllCells(TApp& app, int p)
{
  std::vector<TGadget*> cells;
  auto add = [&](auto& section) {
    for (auto& column : section->Points)
      for (TGadget* cell : column->Array)
        cells.push_back(cell);
  };
  add(app.Pointfield[size_t(p)]);
  add(app.Paschfield[size_t(p)]);
  add(app.Numfield[size_t(p)]);
  add(app.Streetfield[size_t(p)]);
  add(app.Wummelfield[size_t(p)]);
  add(app.Chancefield[size_t(p)]);
  return cells;
}
} // namespace

TEST_F(Sheet, NewSheetIsEmpty)
{
  StartApp();
  const auto cells = AllCells(*app_, 0);
  EXPECT_EQ(cells.size(), 63u);
  for (TGadget* cell : cells) {
    EXPECT_EQ(Text(cell), "-");
    EXPECT_EQ(GadgetDisabled(cell), 0);
  }
  for (auto* displays :
       {&Points().Sum, &Points().Bonus, &Points().Total, &Pasch().Bonus, &Totals().Bonus})
    for (TGadget* d : *displays) {
      EXPECT_EQ(Text(d), "0");
      EXPECT_EQ(GadgetDisabled(d), 1);
    }
  EXPECT_FALSE(Points().IsFull());
  EXPECT_FALSE(app_->Chancefield[0]->IsFull());
  EXPECT_EQ(Points().Points[2]->QueryHeight(), 145);
  EXPECT_EQ(app_->Wummelfield[0]->Points[0]->QueryHeight(), 45);
  EXPECT_EQ(app_->Chancefield[0]->Points[0]->QueryHeight(), 20);
  EXPECT_EQ(Points().Label[7]->GetText(), "Summe");
  EXPECT_EQ(Points().Label[11]->GetText(), "Gesamt");
  EXPECT_EQ(app_->Streetfield[0]->Label[5]->width, 90);
  EXPECT_EQ(app_->Streetfield[0]->Label[7]->GetText(), "Bonus");
  EXPECT_EQ(app_->Numfield[0]->Label[0]->GetText(), "2-2-2 Haus");
}

TEST_F(Sheet, ClickShowsPointsAndMovesTheSelection)
{
  StartApp();
  SetDice({3, 3, 3, 5, 6, 1});
  TGadget* threes = Points().Points[0]->Array[2];
  Click(threes);
  EXPECT_EQ(Text(threes), "9");
  EXPECT_EQ(app_->Last, threes);
  // The tentative value counts everywhere in the same event.
  EXPECT_EQ(Text(Points().Sum[0]), "9");
  EXPECT_EQ(Text(Points().Total[0]), "9");
  EXPECT_EQ(Text(Totals().Bonus[0]), "9");
  EXPECT_EQ(Text(Totals().Bonus[GRAND_TOTAL]), "9");
  EXPECT_EQ(GadgetDisabled(Dice().Fill), 0);
  EXPECT_TRUE(Dice().Fill->Native()->hasFocus());
  // A click in another section gives the first cell back its "-".
  TGadget* chance = app_->Chancefield[0]->Points[2]->Array[0];
  Click(chance);
  EXPECT_EQ(Text(threes), "-");
  EXPECT_EQ(Text(chance), "21");
  EXPECT_EQ(app_->Last, chance);
  EXPECT_EQ(Text(Totals().Bonus[2]), "63");
  // The withdrawn value stops counting in the same event, although the number section had
  // handled it before the chance row took the click (it once kept showing 9 and 72).
  EXPECT_EQ(Text(Points().Sum[0]), "0");
  EXPECT_EQ(Text(Totals().Bonus[GRAND_TOTAL]), "63");
  Click(chance); // clicking the tentative cell again recomputes it and refreshes all
  EXPECT_EQ(Text(chance), "21");
  EXPECT_EQ(Text(Points().Sum[0]), "0");
  EXPECT_EQ(Text(Totals().Bonus[GRAND_TOTAL]), "63");
  // Rolling withdraws the selection; the displays follow at that event.
  Click(Dice().Button);
  EXPECT_EQ(Text(chance), "-");
  EXPECT_EQ(app_->Last, nullptr);
  EXPECT_EQ(GadgetDisabled(Dice().Fill), 1);
  EXPECT_EQ(Text(Totals().Bonus[GRAND_TOTAL]), "0");
}

TEST_F(Sheet, RawSeventyInTheTripleColumn)
{
  StartApp();
  TPointColumn& x3 = *Points().Points[2];
  const std::pair<int, std::vector<int>> rows[] = {
      {5, {6, 6, 6, 6, 6, 1}}, // 30
      {4, {5, 5, 5, 5, 2, 1}}, // 20
      {3, {4, 4, 4, 4, 2, 1}}, // 16
      {1, {2, 2, 1, 3, 3, 5}}, // 4, total 70
  };
  for (const auto& [row, faces] : rows) {
    SetDice(faces);
    Enter(x3.Array[size_t(row)]);
  }
  EXPECT_EQ(Text(Points().Sum[2]), "70");
  EXPECT_EQ(Text(Points().Bonus[2]), "30");
  EXPECT_EQ(Text(Points().Total[2]), "300");
  EXPECT_EQ(Text(Totals().Bonus[2]), "300");
  // Raw 63 in the x2 column contributes (63 + 30) x 2.
  TPointColumn& x2 = *Points().Points[1];
  for (const auto& [row, faces] : {std::pair{5, std::vector<int>{6, 6, 6, 6, 6, 6}},
                                   std::pair{4, std::vector<int>{5, 5, 5, 5, 5, 1}},
                                   std::pair{1, std::vector<int>{2, 2, 2, 2, 1, 1}}}) {
    SetDice(faces);
    Enter(x2.Array[size_t(row)]);
  }
  EXPECT_EQ(Text(Points().Sum[1]), "69");
  EXPECT_EQ(Text(Totals().Bonus[1]), "198");
}

TEST_F(Sheet, PatternColumnBonusIsLostByAStrike)
{
  StartApp();
  TPaschColumn& x2 = *Pasch().Points[1];
  SetDice({3, 3, 3, 4, 4, 1}); // 18
  Enter(x2.Array[0]);
  SetDice({3, 3, 3, 3, 4, 5}); // 21
  Enter(x2.Array[1]);
  EXPECT_EQ(Text(Pasch().Bonus[1]), "0");
  SetDice({4, 4, 4, 4, 4, 4}); // 24: the bonus shows while the value is only tentative
  Click(x2.Array[2]);
  EXPECT_EQ(Text(Pasch().Bonus[1]), "50");
  EXPECT_EQ(Pasch().FullSumm(1), (18 + 21 + 24 + 50) * 2);
  EXPECT_EQ(Text(Totals().Bonus[1]), "226");
  Click(Dice().Button); // withdrawn: gone again
  EXPECT_EQ(Text(Pasch().Bonus[1]), "0");
  // The x1 column with a struck row never earns it.
  TPaschColumn& x1 = *Pasch().Points[0];
  SetDice({3, 3, 3, 4, 4, 1});
  Enter(x1.Array[0]);
  SetDice({3, 3, 3, 3, 4, 5});
  Enter(x1.Array[1]);
  SetDice({1, 2, 3, 4, 5, 6});
  Enter(x1.Array[2]); // struck after the question
  EXPECT_EQ(Text(x1.Array[2]), "0");
  EXPECT_EQ(GadgetDisabled(x1.Array[2]), 1);
  EXPECT_EQ(Text(Pasch().Bonus[0]), "0");
  EXPECT_TRUE(x1.IsFull());
}

TEST_F(Sheet, ASectionIsFullOnlyWhenEntered)
{
  StartApp();
  auto& chance = *app_->Chancefield[0];
  SetDice({4, 5, 2, 6, 3, 5});
  Enter(chance.Points[2]->Array[0]);
  EXPECT_EQ(Text(Totals().Bonus[2]), "75");
  EXPECT_EQ(Text(Totals().Bonus[GRAND_TOTAL]), "75");
  Enter(chance.Points[0]->Array[0]);
  Click(chance.Points[1]->Array[0]); // tentative only
  EXPECT_FALSE(chance.IsFull());
  Click(Dice().Fill);
  EXPECT_TRUE(chance.IsFull());
  // A new game frees every cell again.
  app_->NewGame();
  for (TGadget* cell : AllCells(*app_, 0)) {
    EXPECT_EQ(Text(cell), "-");
    EXPECT_EQ(GadgetDisabled(cell), 0);
  }
  for (TGadget* d : Totals().Bonus)
    EXPECT_EQ(Text(d), "0");
}

TEST_F(Sheet, StandardLayoutPositions)
{
  StartApp(1280, 801);
  EXPECT_EQ(app_->Style, STYLE_STANDARD);
  EXPECT_EQ(PosIn(Points().Group, app_->Window), QPoint(10, 10));
  auto at = [](TGadget* g) { return QPoint(g->xpos, g->ypos); };
  EXPECT_EQ(at(Points().Group), QPoint(10, 10));
  EXPECT_EQ(at(Pasch().Group), QPoint(270, 10));
  EXPECT_EQ(at(app_->Numfield[0]->Group), QPoint(270, 150));
  EXPECT_EQ(at(app_->Streetfield[0]->Group), QPoint(270, 290));
  EXPECT_EQ(at(app_->Wummelfield[0]->Group), QPoint(270, 505));
  EXPECT_EQ(at(app_->Chancefield[0]->Group), QPoint(270, 585));
  EXPECT_EQ(at(Totals().Group), QPoint(270, 640));
  EXPECT_EQ(at(Totals().Bonus[GRAND_TOTAL]), QPoint(100, 25));
  EXPECT_EQ(Totals().Bonus[GRAND_TOTAL]->width, 160);
  // Cells and displays of the number section.
  EXPECT_EQ(at(Points().Points[1]->Array[5]), QPoint(125, 125));
  EXPECT_EQ(at(Points().Total[2]), QPoint(180, 221));
  EXPECT_EQ(at(Points().Label[10]), QPoint(10, 214));
  EXPECT_EQ(Points().Label[10]->width, 220);
  EXPECT_EQ(at(Pasch().Bonus[0]), QPoint(100, 82));
  EXPECT_EQ(at(app_->Streetfield[0]->Bonus[2]), QPoint(210, 157));
  EXPECT_EQ(at(app_->Wummelfield[0]->Label), QPoint(10, 12));
  // The group's children start at (4, 16) inside its frame.
  EXPECT_EQ(PosIn(Points().Points[0]->Array[0], app_->Window), QPoint(10 + 4 + 70, 10 + 16));
}

TEST_F(Sheet, CompactLayoutPositions)
{
  StartApp(1280, 800);
  EXPECT_EQ(app_->Style, STYLE_COMPACT);
  const int w = app_->Panel[0]->ClientWidth();
  EXPECT_EQ(w, 860);
  auto at = [](TGadget* g) { return QPoint(g->xpos, g->ypos); };
  EXPECT_EQ(at(app_->Wummelfield[0]->Group), QPoint(w - 300, 10));
  EXPECT_EQ(at(app_->Chancefield[0]->Group), QPoint(w - 300, 90));
  EXPECT_EQ(at(Totals().Group), QPoint(w - 300, 145));
  EXPECT_EQ(at(app_->Streetfield[0]->Group), QPoint(270, 290));
  EXPECT_EQ(at(Dice().Fill), QPoint(560, 422));
  EXPECT_EQ(at(Dice().Group2), QPoint(560, 225));
}
