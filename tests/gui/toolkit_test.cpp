#include "gui/driver.h"
#include "gui/event.h"
#include "gui/gadget.h"
#include "gui/table.h"
#include "tests/support/support.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QTableWidget>
#include <QTest>
#include <QWidget>

namespace
{
// A window of its own, freed after each test.
class Toolkit : public ::testing::Test
{
protected:
  void SetUp() override
  {
    SetDesktopSize(1024, 768);
    FlushEvents();
  }
  void TearDown() override
  {
    FreeGadget(window_);
    FlushEvents();
  }
  TGadget* MakeWindow(int style = WINDOW_TITLEBAR | WINDOW_CLIENTCOORDS)
  {
    window_ = CreateWindow("Test", 10, 20, 400, 300, nullptr, style);
    return window_;
  }
  // The waiting events, less the focus, placement and pointer-crossing news of any window.
  std::vector<TEvent> Drain()
  {
    QCoreApplication::processEvents();
    std::vector<TEvent> events;
    while (PollEvent()) {
      const int id = EventID();
      if (id == EVENT_APPSUSPEND || id == EVENT_APPRESUME || id == EVENT_WINDOWACTIVATE ||
          id == EVENT_WINDOWMOVE || id == EVENT_WINDOWSIZE || id == EVENT_MOUSEENTER ||
          id == EVENT_MOUSELEAVE || id == EVENT_MOUSEMOVE)
        continue;
      events.push_back(CurrentEvent());
    }
    return events;
  }
  TGadget* window_ = nullptr;
};
} // namespace

TEST_F(Toolkit, ButtonClicksPostCoalescedActions)
{
  MakeWindow();
  TGadget* a = CreateButton("A", 10, 10, 80, 24, window_, BUTTON_PUSH);
  TGadget* b = CreateButton("B", 100, 10, 80, 24, window_, 0);
  EXPECT_EQ(a->style, BUTTON_PUSH);
  EXPECT_EQ(b->style, BUTTON_PUSH); // every push variant is stored as 8
  ClickWidget(a);
  auto events = Drain();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].id, EVENT_GADGETACTION);
  EXPECT_EQ(events[0].source, a);
  EXPECT_EQ(events[0].data, 0);
  // Two quick clicks on one button are one action; clicks on two buttons are two.
  ClickWidget(a);
  ClickWidget(a);
  ClickWidget(b);
  events = Drain();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].source, a);
  EXPECT_EQ(events[1].source, b);
  // A disabled button posts nothing and reports bit 4.
  a->SetEnabled(0);
  EXPECT_EQ(GadgetDisabled(a), 1);
  EXPECT_EQ(a->State() & GADGET_DISABLED, GADGET_DISABLED);
  ClickWidget(a);
  EXPECT_TRUE(Drain().empty());
  a->SetEnabled(1);
  EXPECT_EQ(GadgetDisabled(a), 0);
}

TEST_F(Toolkit, QueueDropsThe257thAndHooksRunByPriority)
{
  MakeWindow();
  TEvent e;
  e.id = EVENT_MOUSEMOVE;
  for (int i = 0; i < 300; ++i) {
    e.data = i;
    TEvent::Emit(e);
  }
  EXPECT_EQ(QueuedEvents(), EVENT_QUEUE_CAPACITY);
  std::vector<TEvent> events;
  while (QueuedEvents() > 0 && PollEvent())
    events.push_back(CurrentEvent());
  ASSERT_EQ(events.size(), 256u);
  EXPECT_EQ(events.back().data, 255);
  while (PollEvent()) {
  }
  EXPECT_EQ(EventID(), 0); // an empty poll leaves an empty current event

  std::vector<int> order;
  const int low = AddHook(0, [&](TEvent&) {
    order.push_back(0);
    return true;
  });
  const int high = AddHook(5, [&](TEvent& ev) {
    order.push_back(5);
    ev.data = 77;
    return true;
  });
  const int swallow = AddHook(3, [&](TEvent& ev) {
    order.push_back(3);
    return ev.id != EVENT_KEYUP;
  });
  e.id = EVENT_KEYDOWN;
  TEvent::Emit(e);
  e.id = EVENT_KEYUP;
  TEvent::Emit(e);
  EXPECT_EQ(order, (std::vector<int>{5, 3, 0, 5, 3}));
  ASSERT_EQ(QueuedEvents(), 1);
  PollEvent();
  EXPECT_EQ(EventData(), 77); // a hook may change an event
  for (int h : {low, high, swallow})
    RemoveHook(h);
  EXPECT_EQ(TEvent::DescriptionForId(EVENT_GADGETACTION), "GadgetAction");
  EXPECT_EQ(TEvent::DescriptionForId(0x4003), "WindowClose");
  EXPECT_EQ(TEvent::DescriptionForId(259), "AppTerminate");
}

TEST_F(Toolkit, CentringAndClientCoordinates)
{
  // The main window's style on a 1024 x 768 desktop: hidden, client area at (82, 126).
  MakeWindow(613);
  FreeGadget(window_);
  window_ = CreateWindow("Main", 0, 0, 860, 515, nullptr, 613);
  EXPECT_EQ(window_->xpos, 82);
  EXPECT_EQ(window_->ypos, 126);
  EXPECT_EQ(GadgetHidden(window_), 1);
  EXPECT_FALSE(window_->Native()->isVisible());
  EXPECT_EQ(window_->ClientWidth(), 860);
  EXPECT_EQ(window_->ClientHeight(), 515);
  window_->SetShow(1);
  EXPECT_TRUE(window_->Native()->isVisible());
  EXPECT_EQ(window_->Container()->mapToGlobal(QPoint(0, 0)), QPoint(82, 126));
  EXPECT_TRUE(window_->GetMenu());
  // A dialog 15 pixels wider than its parent: half of -15 truncates to -7.
  TGadget* dialog = CreateWindow("Dialog", 0, 0, 875, 100, window_, 545);
  EXPECT_EQ(dialog->xpos, 82 - 7);
  EXPECT_EQ(dialog->ypos, 126 + (515 - 100) / 2);
  EXPECT_EQ(dialog->parent, window_);
  EXPECT_EQ(window_->parent, Desktop());
  FreeGadget(dialog);
  EXPECT_TRUE(window_->kids.empty());
}

TEST_F(Toolkit, GroupBoxInnerAreaAndTree)
{
  MakeWindow();
  TGadget* group = CreatePanel(10, 10, 260, 215, window_, PANEL_GROUP, "Titel");
  EXPECT_EQ(group->ClientWidth(), 252);
  EXPECT_EQ(group->ClientHeight(), 195);
  TGadget* child = CreateButton("x", 0, 0, 20, 20, group, BUTTON_PUSH);
  EXPECT_EQ(child->Native()->mapTo(group->Native(), QPoint(0, 0)), QPoint(4, 16));
  EXPECT_EQ(group->kids, std::vector<TGadget*>{child});
  EXPECT_EQ(group->GetText(), "Titel");
  TGadget* active = CreatePanel(0, 0, 50, 50, window_, PANEL_ACTIVE);
  EXPECT_EQ(active->sensitivity, 3);
  EXPECT_EQ(group->sensitivity, 0);
  EXPECT_EQ(active->Class(), GADGET_PANEL);
  EXPECT_EQ(child->Class(), GADGET_BUTTON);
  // Freeing a group frees what is in it.
  FreeGadget(group);
  EXPECT_EQ(window_->kids, std::vector<TGadget*>{active});
}

TEST_F(Toolkit, LabelsSeparatorsAndFocus)
{
  MakeWindow();
  window_->SetShow(1);
  TGadget* label = CreateLabel("a & b", 0, 0, 100, 20, window_, LABEL_CENTER);
  EXPECT_EQ(label->GetText(), "a & b");
  TGadget* separator = CreateLabel("x", 0, 30, 100, 2, window_, LABEL_SEPARATOR);
  separator->SetText("changed");
  EXPECT_EQ(separator->GetText(), "");
  TGadget* panel = CreatePanel(0, 50, 200, 100, window_, PANEL_PLAIN);
  TGadget* field = CreateTextField(0, 0, 100, 20, panel, 0);
  QApplication::setActiveWindow(window_->Native());
  field->Activate(0);
  EXPECT_TRUE(field->Native()->hasFocus());
  // Hiding the focused control hands the focus to its parent.
  field->SetShow(0);
  EXPECT_FALSE(field->Native()->hasFocus());
  EXPECT_TRUE(panel->Native()->hasFocus());
  EXPECT_EQ(GadgetHidden(field), 1);
}

TEST_F(Toolkit, CheckBoxCycleFromIndeterminate)
{
  MakeWindow();
  TGadget* box = CreateButton("", 0, 0, 20, 20, window_, BUTTON_CHECKBOX);
  box->SetSelected(-1);
  EXPECT_EQ(ButtonState(box), -1);
  EXPECT_EQ(box->State() & (GADGET_SELECTED | GADGET_INDETERMINATE), 80);
  ClickWidget(box);
  auto events = Drain();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].data, 1);
  EXPECT_EQ(ButtonState(box), 1);
  ClickWidget(box);
  events = Drain();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].data, 0);
  EXPECT_EQ(ButtonState(box), 0);
}

TEST_F(Toolkit, ActivePanelsCaptureTheMouse)
{
  MakeWindow();
  window_->SetShow(1);
  TGadget* die = CreatePanel(50, 50, 72, 72, window_, PANEL_ACTIVE);
  TGadget* plain = CreatePanel(200, 50, 72, 72, window_, PANEL_PLAIN);
  QWidget* w = die->Native();
  // Press on the die, release far off it: the release is still the die's.
  QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(300, -40));
  auto events = Drain();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].id, EVENT_MOUSEDOWN);
  EXPECT_EQ(events[0].data, 1);
  EXPECT_EQ(events[1].id, EVENT_MOUSEUP);
  EXPECT_EQ(events[1].source, die);
  EXPECT_EQ(events[1].x, 300);
  EXPECT_EQ(events[1].y, -40);
  // A double click is two presses and two releases; the right button reports 2.
  // The system reports a double click as press, release, double-click, release.
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                            QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
    QMouseEvent me(type, QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), Qt::RightButton,
                   type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::RightButton,
                   Qt::ShiftModifier);
    QApplication::sendEvent(w, &me);
  }
  events = Drain();
  int downs = 0, ups = 0;
  for (const TEvent& e : events) {
    downs += e.id == EVENT_MOUSEDOWN;
    ups += e.id == EVENT_MOUSEUP;
    if (e.id == EVENT_MOUSEDOWN) {
      EXPECT_EQ(e.data, 2);
      EXPECT_EQ(e.mods, MODIFIER_SHIFT);
    }
  }
  EXPECT_EQ(downs, 2);
  EXPECT_EQ(ups, 2);
  // A plain panel reports nothing.
  QTest::mouseClick(plain->Native(), Qt::LeftButton);
  for (const TEvent& e : Drain())
    EXPECT_NE(e.source, plain);
}

TEST_F(Toolkit, CloseBoxOnlyAsks)
{
  MakeWindow();
  window_->SetShow(1);
  window_->Native()->close();
  auto events = Drain();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].id, EVENT_WINDOWCLOSE);
  EXPECT_EQ(events[0].source, window_);
  EXPECT_TRUE(window_->Native()->isVisible());
}

TEST_F(Toolkit, HotKeyOfAMenuItem)
{
  MakeWindow(WINDOW_TITLEBAR | WINDOW_CLIENTCOORDS | WINDOW_MENU);
  window_->SetShow(1);
  TGadget* menu = CreateMenu("Spiel", 0, window_->GetMenu());
  TGadget* item = CreateMenu("Neues Spiel", 4711, menu, 78, 0);
  CreateMenu("", 0, menu);
  TGadget* other = CreateMenu("Ende", 4712, menu, 0x70, MODIFIER_CONTROL | MODIFIER_SHIFT);
  window_->UpdateMenu();
  EXPECT_EQ(item->GetText(), "Neues Spiel");
  EXPECT_EQ(item->style, 4711);
  QApplication::setActiveWindow(window_->Native());
  ASSERT_EQ(QApplication::activeWindow(), window_->Native());

  QTest::keyClick(window_->Native(), Qt::Key_N);
  auto events = Drain();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].id, EVENT_MENUACTION);
  EXPECT_EQ(events[0].source, item);
  EXPECT_EQ(events[0].data, 4711);
  QTest::keyClick(window_->Native(), Qt::Key_N, Qt::ShiftModifier);
  EXPECT_TRUE(Drain().empty());
  QTest::keyClick(window_->Native(), Qt::Key_F1, Qt::ControlModifier | Qt::ShiftModifier);
  events = Drain();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].source, other);
  // Held down, the key repeats the action.
  QTest::keyPress(window_->Native(), Qt::Key_N);
  QKeyEvent repeat(QEvent::KeyPress, Qt::Key_N, Qt::NoModifier, "n", true);
  QApplication::sendEvent(window_->Native(), &repeat);
  QTest::keyRelease(window_->Native(), Qt::Key_N);
  EXPECT_EQ(Drain().size(), 2u);
  // A disabled item posts no menu action, only HotkeyHit with itself as source, so that the
  // program can say why nothing happens.
  item->SetEnabled(0);
  QTest::keyClick(window_->Native(), Qt::Key_N);
  events = Drain();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].id, EVENT_HOTKEYHIT);
  EXPECT_EQ(events[0].source, item);
  EXPECT_EQ(events[0].data, 78);
  item->SetEnabled(1);

  // In a dialog in front, N is an ordinary character of its text field.
  TGadget* dialog = CreateWindow("Dialog", 0, 0, 200, 100, window_, 545);
  TGadget* field = CreateTextField(10, 10, 100, 20, dialog, 0);
  QApplication::setActiveWindow(dialog->Native());
  field->Activate(0);
  QTest::keyClick(field->Native(), Qt::Key_N);
  EXPECT_EQ(field->GetText(), "n");
  events = Drain();
  for (const TEvent& e : events)
    EXPECT_NE(e.id, EVENT_MENUACTION);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events[0].id, EVENT_GADGETACTION); // typing edits the field
  field->SetText("set");                       // but setting the text is no user edit
  EXPECT_TRUE(Drain().empty());
  FreeGadget(dialog);
}

TEST_F(Toolkit, MenuItemShowsItsKeyAsShortcutBesideItsText)
{
  MakeWindow(WINDOW_TITLEBAR | WINDOW_CLIENTCOORDS | WINDOW_MENU);
  TGadget* menu = CreateMenu("Spiel", 0, window_->GetMenu());
  CreateMenu("Neues Spiel", 1, menu, 78, 0);
  CreateMenu("Alles", 2, menu, 'A', MODIFIER_ALT | MODIFIER_CONTROL | MODIFIER_SHIFT);
  QStringList texts;
  for (QAction* a : window_->Native()->findChildren<QAction*>())
    texts << a->text() + "\t" + a->shortcut().toString();
  EXPECT_TRUE(texts.contains("Neues Spiel\tN"));
  EXPECT_TRUE(texts.contains("Alles\tCtrl+Alt+Shift+A")) << texts.join('|').toStdString();
}

TEST_F(Toolkit, ConfirmBoxAnsweredWithEscapeIsCancel)
{
  MakeWindow();
  window_->SetShow(1);
  SetAppTitle("Wurfwummel");
  QString caption;
  QStringList buttons;
  Later([&]() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    caption = box->windowTitle();
    for (QAbstractButton* b : box->buttons())
      buttons << b->text();
    QTest::keyClick(box, Qt::Key_Escape);
  });
  EXPECT_EQ(Confirm("Frage?"), 0);
  EXPECT_EQ(caption, "Wurfwummel");
  EXPECT_TRUE(buttons.contains("OK"));
  EXPECT_TRUE(buttons.contains("Abbrechen"));
  Later([&]() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    QTest::keyClick(box, Qt::Key_Return);
  });
  EXPECT_EQ(Confirm("Frage?"), 1);
  Later([&]() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    for (QAbstractButton* b : box->buttons())
      if (b->text() == "Nein") b->click();
  });
  EXPECT_EQ(Proceed("Weiter?", 1), 0);
}

TEST_F(Toolkit, FontsFromTheSystemFont)
{
  TGuiFontPtr big = LibraryFont(1, 24, FONT_BOLD | FONT_UNDERLINE);
  EXPECT_EQ(big->size, 24.0);
  EXPECT_EQ(big->handle->pointSizeF(), 24.0);
  EXPECT_TRUE(big->handle->bold());
  EXPECT_TRUE(big->handle->underline());
  EXPECT_FALSE(big->handle->italic());
  TGuiFontPtr plain = LibraryFont(1, 0, 0);
  EXPECT_EQ(plain->handle->pointSizeF(), QApplication::font().pointSizeF());
  EXPECT_EQ(plain->name, QApplication::font().family());
}

TEST_F(Toolkit, PanelPicturesBlendOverTheBackground)
{
  MakeWindow();
  window_->SetShow(1);
  TGadget* panel = CreatePanel(0, 0, 4, 4, window_, PANEL_PLAIN);
  panel->SetColor(0, 0, 255);
  TPixmapPtr pixmap = TPixmap::Create(2, 2, PF_RGBA8888);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) {
      uint8_t* p = pixmap->pixels.data() + y * pixmap->pitch + x * 4;
      p[0] = 255;
      p[3] = x == 0 ? 255 : 128; // the right column half transparent
    }
  panel->SetPixmap(pixmap, PANELPIXMAP_TILE);
  const QImage shot = panel->Native()->grab().toImage();
  // Tiled: the 2 x 2 picture repeats across the 4 x 4 panel.
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(shot.pixelColor(0, y), QColor(255, 0, 0)) << y;
    EXPECT_EQ(shot.pixelColor(2, y), QColor(255, 0, 0)) << y;
    const QColor mixed = shot.pixelColor(3, y);
    EXPECT_NEAR(mixed.red(), 128, 2);
    EXPECT_NEAR(mixed.blue(), 127, 2);
  }
  panel->SetPixmap(nullptr, 0); // none leaves the background
  EXPECT_EQ(panel->Native()->grab().toImage().pixelColor(1, 1), QColor(0, 0, 255));
}

TEST_F(Toolkit, TableSortsByNumberAndReportsRowTags)
{
  MakeWindow();
  // An OK button whose Enter shortcut the table must not give away its Enter to.
  TGadget* ok = CreateButton("OK", 300, 250, 80, 24, window_, BUTTON_OK);
  TGadget* table = CreateTable(10, 10, 380, 200, window_);
  SetTableColumns(table, {"Spieler", "Schnitt", "Art"}, true);
  AddTableRow(table, 7, {"Anna", "9", "allein"}, {TABLE_NO_KEY, 9});
  AddTableRow(table, 8, {"Bert", "100", "gegen Stark"}, {TABLE_NO_KEY, 100});
  AddTableRow(table, 9, {"Cleo", "10", "zwei Personen"}, {TABLE_NO_KEY, 10});
  window_->SetShow(1);
  QApplication::setActiveWindow(window_->Native());
  EXPECT_EQ(TableRows(table), 3);
  EXPECT_EQ(TableCell(table, 0, 0), "Anna"); // unsorted until asked
  auto* view = qobject_cast<QTableWidget*>(table->Native());
  ASSERT_NE(view, nullptr);
  QHeaderView* header = view->horizontalHeader();
  // No column is cut off: each is wider than its widest text.
  const QFontMetrics metrics(view->font());
  EXPECT_GT(header->sectionSize(2), metrics.horizontalAdvance("zwei Personen"));
  EXPECT_GT(header->sectionSize(1), metrics.horizontalAdvance("Schnitt"));
  EXPECT_GE(TableWidthNeeded(table), header->sectionSize(0) + header->sectionSize(1) +
                                         metrics.horizontalAdvance("zwei Personen"));
  // A screen reader reads the table cell by cell, with the column's header, as it is sorted now.
  QAccessibleInterface* info = QAccessible::queryAccessibleInterface(view);
  ASSERT_NE(info, nullptr);
  QAccessibleTableInterface* cells = info->tableInterface();
  ASSERT_NE(cells, nullptr);
  const auto spoken = [cells](int row, int column) {
    QAccessibleInterface* cell = cells->cellAt(row, column);
    return cell ? cell->text(QAccessible::Name) : QString();
  };
  EXPECT_EQ(spoken(1, 1), "100");
  const auto clickHeader = [&](int column) {
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
  };
  // By number 9 < 10 < 100, where the text would put "10" < "100" < "9"; again turns it round.
  clickHeader(1);
  EXPECT_EQ(QStringList({TableCell(table, 0, 1), TableCell(table, 1, 1), TableCell(table, 2, 1)}),
            QStringList({"9", "10", "100"}));
  // Once the cells moved it reads them where they are now; it once read them where they were.
  EXPECT_EQ(spoken(1, 1), "10");
  clickHeader(1);
  EXPECT_EQ(TableCell(table, 0, 0), "Bert");
  EXPECT_EQ(spoken(0, 0), "Bert");
  // A column without keys sorts by its text.
  clickHeader(2);
  EXPECT_EQ(TableCell(table, 0, 2), "allein");
  EXPECT_EQ(TableCell(table, 2, 2), "zwei Personen");
  Drain();
  // Clicking the second row chooses it: its tag, not its place, is what is reported.
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                    view->visualItemRect(view->item(1, 0)).center());
  auto events = Drain();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].id, EVENT_GADGETSELECT);
  EXPECT_EQ(events[0].source, table);
  EXPECT_EQ(events[0].data, 8);
  EXPECT_EQ(TableSelection(table), 8);
  // Enter acts on the chosen row, and the dialog's OK button stays unpressed.
  QTest::keyClick(view, Qt::Key_Down);
  QTest::keyClick(view, Qt::Key_Return);
  events = Drain();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].id, EVENT_GADGETSELECT);
  EXPECT_EQ(events[0].data, 9);
  EXPECT_EQ(events[1].id, EVENT_GADGETACTION);
  EXPECT_EQ(events[1].source, table);
  EXPECT_EQ(events[1].data, 9);
  for (const TEvent& e : events)
    EXPECT_NE(e.source, ok);
  EXPECT_EQ(cells->rowCount(), 3);
  EXPECT_EQ(cells->columnCount(), 3);
  QAccessibleInterface* cell = cells->cellAt(2, 1);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->text(QAccessible::Name), TableCell(table, 2, 1));
  EXPECT_EQ(cells->columnDescription(1), "Schnitt");
  // Choosing from the program posts nothing; clearing leaves no choice.
  SelectTableRow(table, 7);
  EXPECT_EQ(TableSelection(table), 7);
  EXPECT_TRUE(Drain().empty());
  ClearTable(table);
  EXPECT_EQ(TableRows(table), 0);
  EXPECT_EQ(TableSelection(table), -1);
}
