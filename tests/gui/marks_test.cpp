// Radio items in menus, and the mark that points a gadget out.

#include "gui/driver.h"
#include "gui/event.h"
#include "gui/gadget.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace
{
class Marks : public ::testing::Test
{
protected:
  void SetUp() override
  {
    SetDesktopSize(1024, 768);
    FlushEvents();
    window_ = CreateWindow("Test", 10, 20, 400, 300, nullptr,
                           WINDOW_TITLEBAR | WINDOW_CLIENTCOORDS | WINDOW_MENU);
  }
  void TearDown() override
  {
    FreeGadget(window_);
    FlushEvents();
  }
  std::vector<TEvent> MenuActions()
  {
    QCoreApplication::processEvents();
    std::vector<TEvent> events;
    while (PollEvent())
      if (EventID() == EVENT_MENUACTION) events.push_back(CurrentEvent());
    return events;
  }
  QAction* ActionOf(const QString& text)
  {
    for (QAction* a : window_->Native()->findChildren<QAction*>())
      if (a->text() == text) return a;
    return nullptr;
  }
  static std::vector<int> Chosen(const std::vector<TGadget*>& items)
  {
    std::vector<int> chosen;
    for (TGadget* item : items)
      chosen.push_back((item->State() & GADGET_SELECTED) ? 1 : 0);
    return chosen;
  }
  static bool Greenish(QRgb c) { return qGreen(c) > qRed(c) + 60 && qGreen(c) > qBlue(c) + 40; }
  TGadget* window_ = nullptr;
};
} // namespace

TEST_F(Marks, RadioMenuItemsAreExclusiveWhoeverChooses)
{
  TGadget* menu = CreateMenu("Spiel", 0, window_->GetMenu());
  TGadget* check = CreateMenu("Gegen den Computer", 10, menu);
  check->SetSelected(0);
  const std::vector<TGadget*> items = {CreateMenu("Leicht", 11, menu),
                                       CreateMenu("Mittel", 12, menu),
                                       CreateMenu("Stark", 13, menu, 'S', MODIFIER_CONTROL)};
  SetMenuRadioGroup(items);
  window_->UpdateMenu();
  window_->SetShow(1);
  EXPECT_EQ(Chosen(items), (std::vector<int>{0, 0, 0}));
  // Qt draws round marks for the items of an exclusive action group, square ones otherwise.
  QAction* leicht = ActionOf("Leicht");
  ASSERT_NE(leicht, nullptr);
  ASSERT_NE(leicht->actionGroup(), nullptr);
  EXPECT_TRUE(leicht->actionGroup()->isExclusive());
  EXPECT_EQ(leicht->actionGroup()->actions().size(), 3);
  EXPECT_EQ(ActionOf("Gegen den Computer")->actionGroup(), nullptr);

  // The program chooses.
  items[2]->SetSelected(1);
  items[0]->SetSelected(1);
  EXPECT_EQ(Chosen(items), (std::vector<int>{1, 0, 0}));
  EXPECT_TRUE(leicht->isChecked());
  EXPECT_FALSE(ActionOf("Stark")->isChecked());
  EXPECT_TRUE(MenuActions().empty());

  // The person chooses from the menu: the item is chosen before its action arrives.
  ActionOf("Mittel")->trigger();
  auto events = MenuActions();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].source, items[1]);
  EXPECT_EQ(events[0].data, 12);
  EXPECT_EQ(Chosen(items), (std::vector<int>{0, 1, 0}));
  // Choosing the chosen one again keeps it.
  ActionOf("Mittel")->trigger();
  EXPECT_EQ(MenuActions().size(), 1u);
  EXPECT_EQ(Chosen(items), (std::vector<int>{0, 1, 0}));
  EXPECT_TRUE(ActionOf("Mittel")->isChecked());

  // And by its hot key.
  QApplication::setActiveWindow(window_->Native());
  QTest::keyClick(window_->Native(), Qt::Key_S, Qt::ControlModifier);
  events = MenuActions();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].source, items[2]);
  EXPECT_EQ(Chosen(items), (std::vector<int>{0, 0, 1}));

  // A check item beside them keeps what the program said, whatever is chosen.
  ActionOf("Gegen den Computer")->trigger();
  EXPECT_EQ(MenuActions().size(), 1u);
  EXPECT_FALSE(check->State() & GADGET_SELECTED);
  EXPECT_FALSE(ActionOf("Gegen den Computer")->isChecked());
  EXPECT_EQ(Chosen(items), (std::vector<int>{0, 0, 1}));

  // An item freed leaves the group working.
  FreeGadget(items[1]);
  ActionOf("Leicht")->trigger();
  EXPECT_EQ(Chosen({items[0], items[2]}), (std::vector<int>{1, 0}));
}

TEST_F(Marks, MarkShowsOverPanelAndButtonTakesNoClickAndGoes)
{
  TGadget* panel = CreatePanel(10, 10, 72, 72, window_, PANEL_ACTIVE);
  panel->SetColor(240, 140, 40);
  TGadget* cell = CreateButton("-", 100, 10, 50, 20, window_, BUTTON_PUSH);
  window_->SetShow(1);
  const QImage before = panel->Native()->grab().toImage();
  EXPECT_EQ(GadgetMarked(panel), 0);

  SetMarked(panel, 1);
  SetMarked(panel, 1); // once is enough
  SetMarked(cell, 1);
  EXPECT_EQ(GadgetMarked(panel), 1);
  EXPECT_EQ(GadgetMarked(cell), 1);
  const QImage marked = panel->Native()->grab().toImage();
  // A green badge in the top-right corner; the rest of the panel as it was.
  EXPECT_TRUE(Greenish(marked.pixel(72 - 15, 8))) << std::hex << marked.pixel(72 - 15, 8);
  EXPECT_EQ(marked.pixel(10, 60), before.pixel(10, 60));
  EXPECT_EQ(marked.pixel(36, 36), before.pixel(36, 36));
  const QImage cellMarked = cell->Native()->grab().toImage();
  EXPECT_TRUE(Greenish(cellMarked.pixel(1, 10))) << std::hex << cellMarked.pixel(1, 10);
  EXPECT_TRUE(Greenish(cellMarked.pixel(20, 1)));

  // Clicks go through the mark to the gadget.
  QWidget* top = window_->Native();
  QWidget* hit = top->childAt(panel->Native()->mapTo(top, QPoint(72 - 15, 8)));
  EXPECT_EQ(hit, panel->Native());
  FlushEvents();
  QTest::mouseClick(panel->Native(), Qt::LeftButton, Qt::NoModifier, QPoint(72 - 15, 8));
  QCoreApplication::processEvents();
  bool up = false;
  while (PollEvent())
    up = up || (EventID() == EVENT_MOUSEUP && CurrentEvent().source == panel);
  EXPECT_TRUE(up);

  SetMarked(panel, 0);
  SetMarked(cell, 0);
  EXPECT_EQ(GadgetMarked(panel), 0);
  EXPECT_EQ(panel->Native()->grab().toImage(), before);
  // The button's face may follow the window's state; where the frame was, it is as before.
  const QImage cellAfter = cell->Native()->grab().toImage();
  EXPECT_FALSE(Greenish(cellAfter.pixel(1, 10)));
  EXPECT_FALSE(Greenish(cellAfter.pixel(20, 1)));
  EXPECT_FALSE(Greenish(cellAfter.pixel(45, 5)));
  // Nothing happens to gadgets that cannot carry a mark.
  SetMarked(nullptr, 1);
  SetMarked(window_, 1);
  EXPECT_EQ(GadgetMarked(window_), 0);
}
