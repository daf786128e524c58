// What a screen reader finds, read through Qt's accessibility interfaces: names, roles,
// states and actions of cells, displays, dice, buttons and check boxes.

#include "dice/dicefield.h"
#include "forms/playerform.h"
#include "sheet/patternfield.h"
#include "sheet/pointfield.h"
#include "sheet/winpointfield.h"
#include "sheet/wummelfield.h"
#include "tests/support/support.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QTest>
#include <functional>

namespace
{
class Accessible : public TWithApp
{
protected:
  static QAccessibleInterface* Iface(TGadget* g)
  {
    return QAccessible::queryAccessibleInterface(g->Native());
  }
  static QString Name(TGadget* g) { return Iface(g)->text(QAccessible::Name); }
  static QStringList Actions(TGadget* g) { return Iface(g)->actionInterface()->actionNames(); }
  static void Do(TGadget* g, const QString& action)
  {
    Iface(g)->actionInterface()->doAction(action);
  }
  TDicefield& Dice() { return *app_->DiceField[size_t(app_->CurrentPlayer)]; }
};
} // namespace

TEST_F(Accessible, CellsAndDisplaysTellWhatTheyAreAndHold)
{
  StartApp();
  QApplication::setActiveWindow(app_->Window->Native());
  TGadget* pasch2 = app_->Paschfield[0]->Points[1]->Array[0];
  TGadget* threes = app_->Pointfield[0]->Points[0]->Array[2];
  TGadget* wummel = app_->Wummelfield[0]->Points[2]->Array[1];
  EXPECT_EQ(Name(pasch2), "3er Pasch, Spalte 2 (doppelt): frei");
  EXPECT_EQ(Name(threes), "3er, Spalte 1 (einfach): frei");
  EXPECT_EQ(Name(wummel), "Wummel, Zeile 2, Spalte 3 (dreifach): frei");
  EXPECT_EQ(Name(app_->Streetfield[0]->Points[0]->Array[5]),
            "1-2-3-4-5-6, Spalte 1 (einfach): frei");
  EXPECT_EQ(Name(app_->Chancefield[0]->Points[1]->Array[0]), "Chance, Spalte 2 (doppelt): frei");
  EXPECT_EQ(Name(app_->Pointfield[0]->Sum[0]), "Summe Zahlen, Spalte 1 (einfach): 0");
  EXPECT_EQ(Name(app_->Numfield[0]->Bonus[2]), "Bonus Haus, Spalte 3 (dreifach): 0");
  EXPECT_EQ(Name(app_->Winpointfield[0]->Bonus[1]), "Punkte Spielzettel, Spalte 2 (doppelt): 0");
  EXPECT_EQ(Name(app_->Winpointfield[0]->Bonus[GRAND_TOTAL]), "Gesamt Spielzettel: 0");
  EXPECT_EQ(Name(Dice().Group2), "Spieler1 ist am Zug");
  EXPECT_EQ(Iface(pasch2)->role(), QAccessible::Button);
  EXPECT_TRUE(Actions(pasch2).contains(QAccessibleActionInterface::pressAction()));
  EXPECT_TRUE(Iface(app_->Pointfield[0]->Total[0])->state().disabled);

  // A choice and its withdrawal.
  SetDice({4, 4, 4, 4, 2, 6});
  Click(pasch2);
  TGadget* fill = Dice().Fill;
  EXPECT_FALSE(Iface(fill)->state().disabled);
  EXPECT_TRUE(Iface(fill)->state().focused);
  EXPECT_EQ(Name(fill), "Eintragen");
  EXPECT_EQ(Name(pasch2), QString::fromUtf8("3er Pasch, Spalte 2 (doppelt): 24, vorläufig"));
  EXPECT_EQ(Name(app_->Winpointfield[0]->Bonus[GRAND_TOTAL]), "Gesamt Spielzettel: 48");
  Click(threes);
  EXPECT_EQ(Name(pasch2), "3er Pasch, Spalte 2 (doppelt): frei");
  EXPECT_EQ(Name(threes), QString::fromUtf8("3er, Spalte 1 (einfach): 0, vorläufig"));
  // Pressed through its action, as a screen reader does: chosen, then entered.
  Do(pasch2, QAccessibleActionInterface::pressAction());
  QTest::qWait(300); // the press is animated before it clicks
  Pump();
  ASSERT_EQ(app_->Last, pasch2);
  EXPECT_EQ(Name(threes), "3er, Spalte 1 (einfach): frei");
  Click(fill);
  EXPECT_EQ(Name(pasch2), "3er Pasch, Spalte 2 (doppelt): 24, eingetragen");
  EXPECT_TRUE(Iface(pasch2)->state().disabled);
  EXPECT_EQ(Name(app_->Paschfield[0]->Bonus[1]), "Bonus Pasch, Spalte 2 (doppelt): 0");
  EXPECT_EQ(Name(app_->Winpointfield[0]->Bonus[GRAND_TOTAL]), "Gesamt Spielzettel: 48");
  // A struck cell is entered too, with its 0.
  SetDice({4, 4, 4, 4, 2, 6});
  Click(threes);
  EXPECT_EQ(Name(threes), QString::fromUtf8("3er, Spalte 1 (einfach): 0, vorläufig"));
  Click(fill);
  EXPECT_EQ(Name(threes), "3er, Spalte 1 (einfach): 0, eingetragen (gestrichen)");
  // A new game and a new player.
  app_->CreatePlayer("Berta");
  EXPECT_EQ(Name(app_->DiceField[1]->Group2), "Berta ist am Zug");
  EXPECT_EQ(Name(app_->Paschfield[1]->Points[1]->Array[0]), "3er Pasch, Spalte 2 (doppelt): frei");
  app_->NewGame();
  EXPECT_EQ(Name(pasch2), "3er Pasch, Spalte 2 (doppelt): frei");
  EXPECT_EQ(Name(app_->Winpointfield[0]->Bonus[GRAND_TOTAL]), "Gesamt Spielzettel: 0");
}

TEST_F(Accessible, DiceAreTogglesThatHoldAsAClickDoes)
{
  StartApp();
  QApplication::setActiveWindow(app_->Window->Native());
  SetDice({5, 1, 2, 3, 4, 6});
  TGadget* die = Dice().Panel[1];
  EXPECT_EQ(Name(die), QString::fromUtf8("Würfel 1: 5"));
  EXPECT_EQ(Iface(die)->role(), QAccessible::CheckBox);
  EXPECT_TRUE(Iface(die)->state().checkable);
  EXPECT_FALSE(Iface(die)->state().checked);
  EXPECT_TRUE(Iface(die)->state().focusable);
  ASSERT_TRUE(Actions(die).contains(QAccessibleActionInterface::toggleAction()));
  Do(die, QAccessibleActionInterface::toggleAction());
  Pump();
  EXPECT_EQ(Dice().Active[1], 1);
  EXPECT_TRUE(Iface(die)->state().checked);
  EXPECT_EQ(Name(die), QString::fromUtf8("Würfel 1: 5, gehalten"));
  die->Activate(0);
  EXPECT_TRUE(Iface(die)->state().focused);
  // After the last roll the toggle changes nothing, as a click would not.
  Click(Dice().Button);
  Click(Dice().Button);
  Do(die, QAccessibleActionInterface::toggleAction());
  Pump();
  EXPECT_EQ(Dice().Active[1], 1);
  EXPECT_EQ(Iface(Dice().Button)->role(), QAccessible::Button);
  EXPECT_TRUE(Iface(Dice().Button)->state().disabled);
}

// The focus frame must show on the orange and on the blue (held) picture alike.
TEST_F(Accessible, AFocusedDieShowsAFrameOnBothPictures)
{
  StartApp();
  QApplication::setActiveWindow(app_->Window->Native());
  for (int held = 0; held < 2; ++held) {
    SetDice({3, 3, 3, 3, 3, 3});
    TDicefield& dice = Dice();
    dice.Active[2] = static_cast<unsigned char>(held);
    dice.ShowDie(2);
    QWidget* w = dice.Panel[2]->Native();
    dice.Button->Activate(0);
    const QImage plain = w->grab().toImage();
    dice.Panel[2]->Activate(0);
    ASSERT_TRUE(w->hasFocus());
    const QImage framed = w->grab().toImage();
    ASSERT_EQ(plain.size(), framed.size());
    // Along the middle of each edge: a dark ring outside, a light ring inside.
    const int mid = framed.width() / 2, last = framed.width() - 1;
    for (QPoint outer : {QPoint(mid, 0), QPoint(0, mid), QPoint(last, mid), QPoint(mid, last)}) {
      EXPECT_LT(qGray(framed.pixel(outer)), 60) << held;
    }
    for (QPoint inner :
         {QPoint(mid, 3), QPoint(3, mid), QPoint(last - 3, mid), QPoint(mid, last - 3)}) {
      EXPECT_GT(qGray(framed.pixel(inner)), 200) << held;
      EXPECT_NE(framed.pixel(inner), plain.pixel(inner)) << held;
    }
    // The face itself is untouched.
    EXPECT_EQ(framed.pixel(mid, mid), plain.pixel(mid, mid));
  }
}

// Ticking "Spieler 2" through its accessibility action once ticked the box without the
// game hearing of it.
TEST_F(Accessible, CheckBoxToggledByAScreenReaderAddsThePlayerOnce)
{
  StartApp();
  TPlayerForm form;
  int queuedAfterToggle = -1;
  RunSteps({[&] {
              TGadget* box = form.Check[1];
              EXPECT_EQ(Name(box), "Spieler 2 spielt mit");
              EXPECT_EQ(Iface(box)->role(), QAccessible::CheckBox);
              EXPECT_FALSE(Iface(box)->state().checked);
              EXPECT_TRUE(Iface(form.Check[0])->state().checked);
              EXPECT_TRUE(Iface(form.Check[0])->state().disabled);
              ASSERT_TRUE(Actions(box).contains(QAccessibleActionInterface::toggleAction()));
              Do(box, QAccessibleActionInterface::toggleAction());
              queuedAfterToggle = QueuedEvents();
              box->Activate(0); // for the Space below
            },
            [&] {
              EXPECT_EQ(GadgetDisabled(form.Name[1]), 0);
              EXPECT_EQ(form.Name[1]->GetText(), "Spieler2");
              EXPECT_TRUE(Iface(form.Check[1])->state().checked);
              // Space on the focused box: one change, one event, the field goes grey again.
              QTest::keyClick(form.Check[1]->Native(), Qt::Key_Space);
              EXPECT_EQ(QueuedEvents(), 1);
            },
            [&] {
              EXPECT_EQ(GadgetDisabled(form.Name[1]), 1);
              Do(form.Check[1], QAccessibleActionInterface::toggleAction());
            },
            [&] {
              EXPECT_EQ(GadgetDisabled(form.Name[1]), 0);
              EXPECT_EQ(PlayerCount, 1); // not before OK
              ClickWidget(form.Okay);
            }});
  form.Open(app_.get());
  EXPECT_EQ(queuedAfterToggle, 1);
  EXPECT_EQ(PlayerCount, 2);
  EXPECT_EQ(app_->Panel.size(), 2u);
}

TEST_F(Accessible, CheckBoxChangesByTheUserAreOneActionEachAndByTheProgramNone)
{
  TGadget* window = CreateWindow("Probe", 0, 0, 200, 100, nullptr, WINDOW_TITLEBAR);
  TGadget* box = CreateButton("", 10, 10, 20, 20, window, BUTTON_CHECKBOX);
  QCoreApplication::processEvents();
  FlushEvents();
  box->SetSelected(1);
  box->SetSelected(-1);
  EXPECT_EQ(QueuedEvents(), 0);
  // Indeterminate goes to ticked on a click.
  ClickWidget(box);
  ASSERT_EQ(QueuedEvents(), 1);
  PollEvent();
  EXPECT_EQ(CurrentEvent().id, EVENT_GADGETACTION);
  EXPECT_EQ(CurrentEvent().source, box);
  EXPECT_EQ(CurrentEvent().data, 1);
  Do(box, QAccessibleActionInterface::toggleAction());
  ASSERT_EQ(QueuedEvents(), 1);
  PollEvent();
  EXPECT_EQ(CurrentEvent().data, 0);
  EXPECT_EQ(ButtonState(box), 0);
  FreeGadget(window);
}

// Hot keys of a freed window must not live on for a new window in its place.
TEST_F(Accessible, HotKeysOfAWindowGoWithIt)
{
  TGadget* window = CreateWindow("Probe", 0, 0, 200, 100, nullptr, WINDOW_TITLEBAR);
  SetHotKeyEvent(KEY_1, 0, window);
  QApplication::setActiveWindow(window->Native());
  QCoreApplication::processEvents();
  FlushEvents();
  QTest::keyClick(window->Native(), Qt::Key_1);
  ASSERT_EQ(QueuedEvents(), 1);
  PollEvent();
  EXPECT_EQ(CurrentEvent().id, EVENT_HOTKEYHIT);
  EXPECT_EQ(CurrentEvent().source, window);
  EXPECT_EQ(CurrentEvent().data, KEY_1);
  FreeGadget(window);
  TGadget* other = CreateWindow("Probe", 0, 0, 200, 100, nullptr, WINDOW_TITLEBAR);
  QApplication::setActiveWindow(other->Native());
  QCoreApplication::processEvents();
  FlushEvents();
  QTest::keyClick(other->Native(), Qt::Key_1);
  EXPECT_EQ(QueuedEvents(), 0);
  FreeGadget(other);
}

namespace
{
// Every button of player p's sheet, cells and displays, found in the gadget tree rather than
// through the sections' fields, so that no display is left out.
std::vector<TGadget*> SheetButtons(TApp& app, int p)
{
  std::vector<TGadget*> found;
  const TDicefield& dice = *app.DiceField[size_t(p)];
  std::function<void(TGadget*)> walk = [&](TGadget* g) {
    for (TGadget* kid : g->kids) {
      if (kid->Class() == GADGET_BUTTON && kid != dice.Button && kid != dice.Fill)
        found.push_back(kid);
      walk(kid);
    }
  };
  walk(app.Panel[size_t(p)]);
  return found;
}

// What a name says before the value.
QString TitleOf(const QString& name)
{
  return name.left(name.lastIndexOf(": "));
}
} // namespace

TEST_F(Accessible, NoTwoCellsOrDisplaysOfASheetSoundAlike)
{
  StartApp();
  app_->CreatePlayer("Berta");
  QStringList displays;
  const char* const captions[] = {"Summe Zahlen",      "Bonus Zahlen", "Gesamt Zahlen",
                                  "Bonus Pasch",       "Bonus Haus",   "Bonus Straße",
                                  "Punkte Spielzettel"};
  for (const char* caption : captions)
    for (const char* column : {"Spalte 1 (einfach)", "Spalte 2 (doppelt)", "Spalte 3 (dreifach)"})
      displays << QString::fromUtf8(caption) + ", " + column;
  displays << "Gesamt Spielzettel";
  for (int p = 0; p < 2; ++p) {
    const std::vector<TGadget*> buttons = SheetButtons(*app_, p);
    ASSERT_EQ(buttons.size(), 63u + displays.size()) << p;
    QStringList titles, shownTitles;
    for (TGadget* b : buttons) {
      const QString name = Name(b);
      ASSERT_TRUE(name.contains(": ")) << name.toStdString();
      titles << TitleOf(name);
      // The displays are the buttons that are never enabled.
      if (GadgetDisabled(b)) shownTitles << TitleOf(name);
    }
    EXPECT_EQ(titles.removeDuplicates(), 0) << titles.join(" | ").toStdString();
    shownTitles.sort();
    QStringList expected = displays;
    expected.sort();
    EXPECT_EQ(shownTitles, expected);
  }
}

TEST_F(Accessible, EnterButtonSaysWhatItWillEnterAndShiftTabLeadsBackToTheCell)
{
  StartApp();
  QApplication::setActiveWindow(app_->Window->Native());
  TGadget* fill = Dice().Fill;
  auto description = [&] { return Iface(fill)->text(QAccessible::Description); };
  auto key = [&](Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), k, mods);
    Pump();
  };
  EXPECT_EQ(description(), "");
  SetDice({5, 5, 5, 6, 3, 3});
  TGadget* pasch3 = app_->Paschfield[0]->Points[2]->Array[0];
  Click(pasch3);
  EXPECT_EQ(description(), "3er Pasch, Spalte 3 (dreifach): 27 Punkte");
  ASSERT_TRUE(fill->Native()->hasFocus());
  key(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_TRUE(pasch3->Native()->hasFocus());
  key(Qt::Key_Tab);
  EXPECT_TRUE(fill->Native()->hasFocus());
  // After "Eintragen" the sheet goes on below the chosen cell.
  key(Qt::Key_Tab);
  EXPECT_TRUE(app_->Paschfield[0]->Points[0]->Array[1]->Native()->hasFocus());

  // Another choice, a single point, and a strike.
  SetDice({1, 5, 5, 6, 3, 3});
  TGadget* ones = app_->Pointfield[0]->Points[0]->Array[0];
  Click(ones);
  EXPECT_EQ(description(), "1er, Spalte 1 (einfach): 1 Punkt");
  // "Eintragen" was enabled already and keeps out of the way of the click; it follows the
  // newly chosen cell now.
  ASSERT_TRUE(ones->Native()->hasFocus());
  key(Qt::Key_Tab);
  EXPECT_TRUE(fill->Native()->hasFocus());
  key(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_TRUE(ones->Native()->hasFocus());
  TGadget* wummel = app_->Wummelfield[0]->Points[1]->Array[0];
  Click(wummel);
  EXPECT_EQ(description(),
            "Wummel, Zeile 1, Spalte 2 (doppelt): 0 Punkte, das Feld wird gestrichen");
  // The same cell chosen again with other dice: its new points.
  SetDice({2, 2, 2, 2, 2, 2});
  Click(wummel);
  EXPECT_EQ(description(), "Wummel, Zeile 1, Spalte 2 (doppelt): 50 Punkte");
  // A roll withdraws the choice: nothing to enter, nothing described.
  Click(Dice().Button);
  EXPECT_EQ(app_->Last, nullptr);
  EXPECT_EQ(description(), "");
  // Entered: the next turn starts without a choice.
  SetDice({4, 4, 4, 4, 4, 4});
  Click(wummel);
  EXPECT_EQ(description(), "Wummel, Zeile 1, Spalte 2 (doppelt): 50 Punkte");
  key(Qt::Key_Return);
  EXPECT_EQ(GadgetDisabled(wummel), 1);
  EXPECT_EQ(description(), "");
  // The other player's button never describes this player's choice.
  app_->CreatePlayer("Berta");
  SetDice({5, 5, 5, 2, 2, 1});
  Click(pasch3);
  EXPECT_EQ(description(), "3er Pasch, Spalte 3 (dreifach): 20 Punkte");
  EXPECT_EQ(AccessibleDescription(app_->DiceField[1]->Fill), "");
}

TEST_F(Accessible, AfterTheLastThrowTheDiceOfferNoToggleAndKeepTheirPictures)
{
  StartApp();
  QApplication::setActiveWindow(app_->Window->Native());
  TDicefield& dice = Dice();
  // The throw counter is the dice box's name, and the roll button tells it besides its name.
  EXPECT_EQ(Iface(dice.Group)->text(QAccessible::Name), QString::fromUtf8("Wurf 1 von 3"));
  Click(dice.Panel[1]);
  Click(dice.Button);
  EXPECT_EQ(Iface(dice.Group)->text(QAccessible::Name), QString::fromUtf8("Wurf 2 von 3"));
  EXPECT_EQ(Iface(dice.Button)->text(QAccessible::Description), QString::fromUtf8("Wurf 2 von 3"));
  for (int i = 1; i <= DICE; ++i) // still toggles before the last throw
    EXPECT_FALSE(Iface(dice.Panel[size_t(i)])->state().disabled) << i;
  Click(dice.Button);
  ASSERT_EQ(GadgetDisabled(dice.Button), 1);
  const auto holds = dice.Active;
  const auto values = dice.Dice;
  for (int i = 1; i <= DICE; ++i) {
    TGadget* die = dice.Panel[size_t(i)];
    EXPECT_EQ(Iface(die)->role(), QAccessible::CheckBox) << i;
    EXPECT_TRUE(Iface(die)->state().disabled) << i;
    EXPECT_EQ(Iface(die)->state().checked, i == 1) << i;
    // No Tab stop: Tab goes from the grey roll button's place straight to the sheet, and the
    // dice box says the faces instead.
    EXPECT_FALSE(Iface(die)->state().focusable) << i;
    EXPECT_FALSE(Actions(die).contains(QAccessibleActionInterface::toggleAction())) << i;
    EXPECT_FALSE(Actions(die).contains(QAccessibleActionInterface::pressAction())) << i;
    Do(die, QAccessibleActionInterface::toggleAction());
    Click(die);
  }
  QStringList faces;
  for (int i = 1; i <= DICE; ++i)
    faces << QString::number(dice.Dice[size_t(i)]);
  EXPECT_EQ(Iface(dice.Group)->text(QAccessible::Name), QString::fromUtf8("Wurf 3 von 3"));
  EXPECT_EQ(Iface(dice.Group)->text(QAccessible::Description),
            QString::fromUtf8("Würfel: ") + faces.join(", "));
  // The focus left the grey roll button for the sheet, not for a die.
  ASSERT_NE(QApplication::focusWidget(), nullptr);
  EXPECT_TRUE(qobject_cast<QAbstractButton*>(QApplication::focusWidget()));
  EXPECT_NE(QApplication::focusWidget(), dice.Button->Native());
  // Neither the digit keys nor Space on a focused die.
  for (Qt::Key k : {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5, Qt::Key_6}) {
    QTest::keyClick(app_->Window->Native(), k);
    Pump();
  }
  dice.Panel[3]->Activate(0);
  QTest::keyClick(dice.Panel[3]->Native(), Qt::Key_Space);
  Pump();
  EXPECT_EQ(dice.Active, holds);
  EXPECT_EQ(dice.Dice, values);
  // The held die keeps its highlighted picture, the others their normal one.
  for (int i = 1; i <= DICE; ++i) {
    const size_t f = size_t(dice.Dice[size_t(i)]);
    EXPECT_EQ(dice.Panel[size_t(i)]->Pixmap(), i == 1 ? dice.PixmapHigh[f] : dice.Pixmap[f]) << i;
  }
  // The next turn's dice are toggles again.
  Click(app_->Chancefield[0]->Points[0]->Array[0]);
  Click(dice.Fill);
  for (int i = 1; i <= DICE; ++i) {
    TGadget* die = dice.Panel[size_t(i)];
    EXPECT_FALSE(Iface(die)->state().disabled) << i;
    EXPECT_FALSE(Iface(die)->state().checked) << i;
    EXPECT_TRUE(Actions(die).contains(QAccessibleActionInterface::toggleAction())) << i;
    EXPECT_TRUE(Iface(die)->state().focusable) << i;
  }
  EXPECT_EQ(Iface(dice.Group)->text(QAccessible::Name), QString::fromUtf8("Wurf 1 von 3"));
}
