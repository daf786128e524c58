// The dialogs as the desktop expects them: Escape, F1, and each dialog a fixed-size dialog
// window of the main window, centred on it. Keys are real key events on the real windows.

#include "app/app.h"
#include "app/computer.h"
#include "app/sections.h"
#include "dice/dicefield.h"
#include "forms/about.h"
#include "forms/highscoreform.h"
#include "forms/playerform.h"
#include "forms/ruleform.h"
#include "sheet/wummelfield.h"
#include "tests/support/support.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace
{
// Steps run one at a time from inside a dialog's loop. Should the dialog still be open after
// the last one, that is a failure, and a close request ends it. Unlike RunSteps, no step runs
// after the scope is left, where the form is gone.
class TInLoop
{
public:
  TInLoop(TGadget* const& window, std::vector<std::function<void()>> steps)
      : window_(window), steps_(std::move(steps))
  {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Step(); });
    timer_.start();
  }

private:
  void Step()
  {
    if (next_ < steps_.size()) {
      steps_[next_++]();
      return;
    }
    timer_.stop();
    if (!window_) return;
    ADD_FAILURE() << "the dialog is still open";
    window_->Native()->close();
  }
  TGadget* const& window_; // the form's own field: empty once the dialog has closed
  std::vector<std::function<void()>> steps_;
  size_t next_ = 0;
  QTimer timer_;
};

class Desktop : public TWithApp
{
protected:
  void Start()
  {
    StartApp();
    QApplication::setActiveWindow(app_->Window->Native());
    // Every event on its way to the queue, before any loop takes it.
    hook_ = AddHook(100, [this](TEvent& e) {
      seen.push_back(e);
      return true;
    });
  }
  void TearDown() override
  {
    if (hook_ >= 0) RemoveHook(hook_);
    TWithApp::TearDown();
  }
  // A key pressed and released where the keyboard is: the focused control of the window in
  // front, which becomes the active window first.
  static void KeyIn(TGadget* window, Qt::Key key)
  {
    QWidget* w = window->Native();
    QApplication::setActiveWindow(w);
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus && focus->window() == w ? focus : w, key);
  }
  int Seen(int id, TGadget* source) const
  {
    int n = 0;
    for (const TEvent& e : seen)
      n += e.id == id && e.source == source;
    return n;
  }
  int SeenMenu(int tag) const
  {
    int n = 0;
    for (const TEvent& e : seen)
      n += e.id == EVENT_MENUACTION && e.data == tag;
    return n;
  }
  static bool WindowShown(const QString& title)
  {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && w->windowTitle() == title) return true;
    return false;
  }

  // What the window manager is told about a dialog, and where it stands: checked from inside
  // the dialog's loop, then Escape closes it.
  template <class TForm> void CheckDialogWindow(TForm& form, const QString& title)
  {
    bool checked = false;
    TInLoop steps(
        form.Window, {[&] {
          ASSERT_NE(form.Window, nullptr);
          QWidget* w = form.Window->Native();
          EXPECT_EQ(w->windowTitle(), title);
          const Qt::WindowFlags flags = w->windowFlags();
          EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog) << title.toStdString();
          EXPECT_TRUE(flags & Qt::CustomizeWindowHint); // only the buttons asked for
          EXPECT_TRUE(flags & Qt::WindowTitleHint);
          EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
          EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
          EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
          EXPECT_EQ(w->minimumSize(), w->maximumSize());
          ASSERT_NE(w->windowHandle(), nullptr);
          EXPECT_EQ(w->windowHandle()->transientParent(), app_->Window->Native()->windowHandle());
          // Client area centred over the main window's client area where it stands now.
          const QPoint main = app_->Window->Container()->mapToGlobal(QPoint(0, 0));
          const QPoint mine = form.Window->Container()->mapToGlobal(QPoint(0, 0));
          EXPECT_EQ(mine.x(), main.x() + (app_->Window->width - form.Window->width) / 2);
          EXPECT_EQ(mine.y(), main.y() + (app_->Window->height - form.Window->height) / 2);
          EXPECT_EQ(QPoint(form.Window->xpos, form.Window->ypos), mine);
          checked = true;
          KeyIn(form.Window, Qt::Key_Escape);
        }});
    form.Open(app_.get());
    EXPECT_TRUE(checked);
    EXPECT_EQ(form.Window, nullptr);
    QCoreApplication::processEvents();
    EXPECT_FALSE(WindowShown(title));
  }

  int hook_ = -1;
  std::vector<TEvent> seen;
};
} // namespace

TEST_F(Desktop, EscapeClosesTheRulesHighscoreAndAboutWindowsAsTheirCloseBoxDoes)
{
  Start();
  {
    TRuleForm form;
    TGadget* window = nullptr;
    TInLoop steps(form.Window, {[&] {
                    window = form.Window;
                    // The text has the focus: a read-only text leaves Escape to the window.
                    form.Text->Activate(0);
                    KeyIn(form.Window, Qt::Key_Escape);
                  }});
    form.Open(app_.get());
    EXPECT_EQ(form.Window, nullptr);
    EXPECT_EQ(Seen(EVENT_WINDOWCLOSE, window), 1);
  }
  {
    THighscoreForm form;
    TGadget* window = nullptr;
    TInLoop steps(form.Window, {[&] {
                    window = form.Window;
                    KeyIn(form.Window, Qt::Key_Escape); // on "OK", which has the focus
                  }});
    form.Open(app_.get());
    EXPECT_EQ(form.Window, nullptr);
    EXPECT_EQ(Seen(EVENT_WINDOWCLOSE, window), 1);
  }
  {
    TAbout form;
    TGadget* window = nullptr;
    TInLoop steps(form.Window, {[&] {
                    window = form.Window;
                    KeyIn(form.Window, Qt::Key_Escape);
                  }});
    form.Open(app_.get());
    EXPECT_EQ(form.Window, nullptr);
    EXPECT_EQ(Seen(EVENT_WINDOWCLOSE, window), 1);
  }
  // The program goes on: only the dialogs were closed.
  Pump();
  EXPECT_TRUE(driver_->exits.empty());
  EXPECT_TRUE(app_->Window->Native()->isVisible());
}

TEST_F(Desktop, EscapeInThePlayerDialogIsAbbrechen)
{
  Start();
  TPlayerForm form;
  TGadget* cancel = nullptr;
  TGadget* window = nullptr;
  QFile::remove(DataPath() + "/wurfwummel.cfg");
  TInLoop steps(form.Window, {[&] {
                  cancel = form.Cancel;
                  window = form.Window;
                  // Typing a new name, then Escape in the name field.
                  form.Name[0]->Activate(0);
                  QApplication::setActiveWindow(form.Window->Native());
                  QTest::keyClicks(form.Name[0]->Native(), "Anna");
                  EXPECT_EQ(form.Name[0]->GetText(), "Spieler1Anna");
                  KeyIn(form.Window, Qt::Key_Escape);
                }});
  form.Open(app_.get());
  EXPECT_EQ(form.Window, nullptr);
  // The dialog heard its "Abbrechen", not a close request.
  EXPECT_EQ(Seen(EVENT_GADGETACTION, cancel), 1);
  EXPECT_EQ(Seen(EVENT_WINDOWCLOSE, window), 0);
  EXPECT_TRUE(driver_->questions.isEmpty());
  EXPECT_EQ(app_->PlayerName[0], "Spieler1");
  EXPECT_EQ(ReadAll(DataPath() + "/wurfwummel.cfg"), QByteArray("Spieler1\r\n"));
}

TEST_F(Desktop, EscapeInTheMainWindowDoesNothing)
{
  Start();
  app_->DiceField[0]->Button->Activate(0);
  KeyIn(app_->Window, Qt::Key_Escape);
  Pump();
  EXPECT_EQ(Seen(EVENT_WINDOWCLOSE, app_->Window), 0);
  EXPECT_TRUE(driver_->exits.empty());
  EXPECT_TRUE(app_->Window->Native()->isVisible());
}

TEST_F(Desktop, F1OpensTheRulesFromTheMainWindowAndItsMenuSaysSo)
{
  Start();
  QStringList items;
  for (QMenu* menu :
       app_->Window->Native()->findChildren<QMenuBar*>().value(0)->findChildren<QMenu*>())
    for (QAction* action : menu->actions())
      items << action->text() + "\t" + action->shortcut().toString();
  EXPECT_TRUE(items.contains("Regelwerk anzeigen\tF1"));
  EXPECT_TRUE(items.contains("Neues Spiel\tN"));

  bool opened = false;
  WhenWindow("Wurfwummel - Regeln", [&](QWidget* w) {
    opened = true;
    QApplication::setActiveWindow(w);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : w, Qt::Key_Escape);
  });
  app_->DiceField[0]->Button->Activate(0);
  KeyIn(app_->Window, Qt::Key_F1);
  Pump(); // the rules window's loop runs inside, until Escape closes it
  EXPECT_TRUE(opened);
  EXPECT_EQ(SeenMenu(MM_RULE), 1);
  EXPECT_FALSE(WindowShown("Wurfwummel - Regeln"));
  // Shift+F1 is another key.
  QApplication::setActiveWindow(app_->Window->Native());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1, Qt::ShiftModifier);
  Pump();
  EXPECT_EQ(SeenMenu(MM_RULE), 1);
}

TEST_F(Desktop, F1WhileADialogIsOpenOpensNoSecondWindow)
{
  Start();
  TAbout form;
  TInLoop steps(form.Window, {[&] {
                                // In the dialog the key is the dialog's: it has no F1.
                                KeyIn(form.Window, Qt::Key_F1);
                                EXPECT_EQ(SeenMenu(MM_RULE), 0);
                                // In the main window it is the menu's, whose choice the dialog's
                                // loop drops, as it drops a click on the menu.
                                app_->DiceField[0]->Button->Activate(0);
                                KeyIn(app_->Window, Qt::Key_F1);
                                EXPECT_EQ(SeenMenu(MM_RULE), 1);
                              },
                              [&] {
                                EXPECT_FALSE(WindowShown("Wurfwummel - Regeln"));
                                EXPECT_EQ(QueuedEvents(), 0);
                                KeyIn(form.Window, Qt::Key_Escape);
                              }});
  form.Open(app_.get());
  EXPECT_EQ(form.Window, nullptr);
  EXPECT_EQ(QueuedEvents(), 0); // nothing left for the main loop to open
  Pump();
  EXPECT_FALSE(WindowShown("Wurfwummel - Regeln"));
}

TEST_F(Desktop, NStillStartsANewGameAndOnlyInTheMainWindow)
{
  Start();
  TGadget* cell = app_->Chancefield[0]->Points[0]->Array[0];
  Click(cell);
  ASSERT_EQ(app_->Last, cell);
  TPlayerForm form;
  TInLoop steps(form.Window, {[&] {
                  // In the dialog, N is a letter of the name.
                  form.Name[0]->Activate(0);
                  KeyIn(form.Window, Qt::Key_N);
                  EXPECT_EQ(form.Name[0]->GetText(), "Spieler1n");
                  EXPECT_EQ(SeenMenu(MM_NEW), 0);
                  KeyIn(form.Window, Qt::Key_Escape);
                }});
  form.Open(app_.get());
  EXPECT_EQ(app_->PlayerName[0], "Spieler1");
  EXPECT_EQ(app_->Last, cell);
  KeyIn(app_->Window, Qt::Key_N);
  Pump();
  EXPECT_EQ(SeenMenu(MM_NEW), 1);
  EXPECT_EQ(app_->Last, nullptr);
  EXPECT_EQ(cell->GetText(), "-");
}

TEST_F(Desktop, EveryDialogIsAFixedDialogOfTheMainWindowCentredWhereItStands)
{
  Start();
  {
    TPlayerForm form;
    CheckDialogWindow(form, "Wurfwummel - Spieler");
  }
  // The user moves the main window: the next dialogs follow it.
  app_->Window->Native()->move(app_->Window->Native()->pos() + QPoint(-137, 61));
  QCoreApplication::processEvents();
  {
    THighscoreForm form;
    CheckDialogWindow(form, "Wurfwummel - HighScore");
  }
  {
    TRuleForm form;
    CheckDialogWindow(form, "Wurfwummel - Regeln");
  }
  app_->Window->Native()->move(QPoint(3, 5));
  QCoreApplication::processEvents();
  {
    TAbout form;
    CheckDialogWindow(form, "Wurfwummel - About");
  }
  // The main window itself is no dialog: a window of its own with no parent.
  const Qt::WindowFlags flags = app_->Window->Native()->windowFlags();
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Window);
  EXPECT_EQ(app_->Window->Native()->windowHandle()->transientParent(), nullptr);
}

// Runs a function on the next question box, from inside its loop, once it is there.
void WhenBox(std::function<void(QMessageBox*)> action)
{
  auto* timer = new QTimer(qApp);
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, qApp, [timer, action] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    action(box);
  });
  timer->start();
}

// The real question boxes: one that would end a game under way warns and keeps the game on
// Enter; after Escape at any question the main window's keys work at once, also here, where no
// window manager hands the keyboard back.
TEST_F(Desktop, QuestionsThatEndAGameWarnAndEnterKeepsItAndTheKeysWorkAfterEscape)
{
  Start();
  std::unique_ptr<TSystemDriver> fake = SetSystemDriver(std::make_unique<TSystemDriver>());
  // A game under way: one cell entered.
  TGadget* cell = app_->Chancefield[0]->Points[0]->Array[0];
  Click(cell);
  Click(app_->DiceField[0]->Fill);
  ASSERT_EQ(GadgetDisabled(cell), 1);

  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString defaultButton, text;
  WhenBox([&](QMessageBox* box) {
    icon = box->icon();
    text = box->text();
    defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
    QTest::keyClick(box, Qt::Key_Return);
  });
  app_->ChooseComputer();
  EXPECT_EQ(text, QString::fromUtf8(COMPUTER_ON_QUESTION));
  EXPECT_EQ(icon, QMessageBox::Warning);
  EXPECT_EQ(defaultButton, "Abbrechen");
  EXPECT_FALSE(app_->ComputerPlays()); // Enter kept the game
  EXPECT_EQ(GadgetDisabled(cell), 1);

  // Escape at the question before a hint: the main window has the keyboard again at once.
  for (int i = 0; i < 2; ++i) {
    const auto escape = [](QMessageBox* box) {
      EXPECT_EQ(box->icon(), QMessageBox::Information);
      QTest::keyClick(box, Qt::Key_Escape);
    };
    if (i == 0) {
      WhenBox(escape);
      app_->ShowHint();
    } else {
      // The strike question, from "Eintragen".
      TGadget* ones = app_->Pointfield[0]->Points[0]->Array[0];
      SetDice({2, 3, 4, 5, 6, 6});
      Click(ones);
      ASSERT_EQ(ones->GetText(), "0");
      WhenBox(escape);
      Click(app_->DiceField[0]->Fill);
      EXPECT_EQ(QApplication::focusWidget(), ones->Native());
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), app_->Window->Native()) << i;
    seen.clear();
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr) << i;
    // N asks too, now that a game with an entry would end: Enter keeps it.
    text.clear();
    WhenBox([&](QMessageBox* box) {
      icon = box->icon();
      text = box->text();
      defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
      QTest::keyClick(box, Qt::Key_Return);
    });
    QTest::keyClick(focus, Qt::Key_N);
    Pump();
    EXPECT_EQ(SeenMenu(MM_NEW), 1) << i;
    EXPECT_EQ(text, QString::fromUtf8(NEW_GAME_QUESTION)) << i;
    EXPECT_EQ(icon, QMessageBox::Warning) << i;
    EXPECT_EQ(defaultButton, "Abbrechen") << i;
    EXPECT_EQ(GadgetDisabled(cell), 1) << i;
  }
  EXPECT_FALSE(app_->HintUsed);
  SetSystemDriver(std::move(fake));
}
