// The computer as the second player, seen from the window: the menu item, its paced turns
// through the real widgets, what the person cannot touch meanwhile, and its remembered choice.

#include "app/computer.h"
#include "app/sections.h"
#include "dice/dicefield.h"
#include "forms/playerform.h"
#include "gui/timer.h"
#include "store/highscore.h"
#include "store/settingsfile.h"
#include "tests/app/opponent.h"
#include "tests/support/support.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

TEST_F(Opponent, MenuItemSwitchesTheComputerOnAndOffAndTheChoiceSurvivesARestart)
{
  StartApp();
  const QStringList names = [this] {
    QStringList texts;
    for (QAction* a :
         app_->Window->Native()->findChild<QMenuBar*>()->actions()[0]->menu()->actions())
      texts << (a->isSeparator() ? "|" : a->text());
    return texts;
  }();
  EXPECT_EQ(names, (QStringList{"Neues Spiel", "Tipp", "|", "Spieler Einstellungen",
                                "Gegen den Computer", QString::fromUtf8("Stärke"), "Tempo",
                                "Netzwerkspiel ...", "|", "Beenden"}));
  ASSERT_TRUE(Action("Gegen den Computer")->isCheckable());
  EXPECT_FALSE(Checked());

  // One player before the first entry: the computer joins at once, without a question.
  const std::array<int, 7> dice = app_->DiceField[0]->Dice;
  ChooseMenu("Gegen den Computer");
  ASSERT_EQ(PlayerCount, 2);
  EXPECT_EQ(app_->PlayerName[1], "Computer");
  EXPECT_EQ(app_->DiceField[1]->Player1->GetText(), "Computer");
  EXPECT_EQ(app_->DiceField[0]->Dice, dice); // the same game goes on
  EXPECT_TRUE(Checked());
  EXPECT_TRUE(driver_->questions.isEmpty());
  // Saved at once; the settings file holds the names alone, as a reader of names expects.
  EXPECT_EQ(File("/wurfwummel.cfg"), QByteArray("Spieler1\r\nComputer\r\n"));
  EXPECT_EQ(ParseSettingsFile(File("/wurfwummel.cfg")),
            (std::vector<QString>{"Spieler1", "Computer"}));
  EXPECT_EQ(File("/wurfwummel.cpu"), QByteArray("1\r\nstark\r\n"));

  Restart();
  ASSERT_EQ(PlayerCount, 2);
  EXPECT_TRUE(app_->ComputerPlays());
  EXPECT_EQ(app_->PlayerName[1], "Computer");
  EXPECT_TRUE(Checked());

  ChooseMenu("Gegen den Computer");
  EXPECT_EQ(PlayerCount, 1);
  EXPECT_FALSE(app_->ComputerPlays());
  EXPECT_FALSE(Checked());
  EXPECT_EQ(app_->DiceField[0]->Player2->GetText(), "Spieler1 hat keine Gegner");
  EXPECT_EQ(File("/wurfwummel.cfg"), QByteArray("Spieler1\r\n"));
  EXPECT_EQ(File("/wurfwummel.cpu"), QByteArray("0\r\nstark\r\n"));

  Restart();
  EXPECT_EQ(PlayerCount, 1);
  EXPECT_FALSE(Checked());
  EXPECT_TRUE(driver_->questions.isEmpty());
}

TEST_F(Opponent, WithTwoPeopleTheQuestionDecidesAndOkStartsANewGame)
{
  StartApp();
  app_->CreatePlayer("Anna");
  PersonPlays();
  ASSERT_EQ(app_->CurrentPlayer, 1);
  driver_->questions.clear(); // the dice may have asked to strike the cell

  driver_->answers = {0};
  ChooseMenu("Gegen den Computer");
  EXPECT_EQ(driver_->questions, QStringList{ComputerReplacesQuestion("Anna", true)});
  EXPECT_EQ(app_->PlayerName[1], "Anna");
  EXPECT_FALSE(app_->ComputerPlays());
  EXPECT_FALSE(Checked());
  EXPECT_EQ(Entered(0), 1);
  EXPECT_EQ(app_->CurrentPlayer, 1);
  EXPECT_FALSE(QFile::exists(DataPath() + "/wurfwummel.cpu"));

  driver_->answers = {1};
  ChooseMenu("Gegen den Computer");
  EXPECT_EQ(driver_->questions.size(), 2);
  ASSERT_EQ(PlayerCount, 2);
  EXPECT_EQ(app_->PlayerName[1], "Computer");
  EXPECT_EQ(app_->DiceField[1]->Player1->GetText(), "Computer");
  EXPECT_TRUE(Checked());
  EXPECT_EQ(Entered(0), 0);
  EXPECT_EQ(app_->CurrentPlayer, 0);
  EXPECT_EQ(app_->DiceField[0]->Player2->GetText(),
            QString::fromUtf8("Der Gegner Computer hat noch nicht gewürfelt"));
  EXPECT_EQ(File("/wurfwummel.cfg"), QByteArray("Spieler1\r\nComputer\r\n"));
  EXPECT_EQ(File("/wurfwummel.cpu"), QByteArray("1\r\nstark\r\n"));
}

TEST_F(Opponent, PlayerDialogShowsTheComputersNameDisabledAndItsBoxTakesItOutOnOk)
{
  StartApp();
  ChooseMenu("Gegen den Computer");
  bool seen = false;
  WhenWindow("Wurfwummel - Spieler", [this, &seen](QWidget* w) {
    seen = true;
    const auto fields = w->findChildren<QLineEdit*>();
    ASSERT_EQ(fields.size(), 2);
    QLineEdit* second = fields[0]->text() == "Computer" ? fields[0] : fields[1];
    EXPECT_EQ(second->text(), "Computer");
    EXPECT_FALSE(second->isEnabled());
    QCheckBox* box = nullptr;
    for (QCheckBox* b : w->findChildren<QCheckBox*>())
      if (b->isEnabled()) box = b;
    QPushButton* ok = nullptr;
    for (QPushButton* b : w->findChildren<QPushButton*>())
      if (b->text() == "OK") ok = b;
    ASSERT_NE(box, nullptr);
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(box->isChecked());
    RunSteps({[box] { box->click(); },
              [this, second, box] {
                // Only shown so far: the computer plays until OK.
                EXPECT_EQ(second->text(), "");
                EXPECT_TRUE(app_->ComputerPlays());
                box->click();
              },
              [second, box] {
                EXPECT_EQ(second->text(), "Computer");
                EXPECT_FALSE(second->isEnabled());
                box->click();
              },
              [ok] { ok->click(); }});
  });
  ChooseMenu("Spieler Einstellungen");
  ASSERT_TRUE(seen);
  // No entry yet: no question, and a new game for one.
  EXPECT_TRUE(driver_->questions.isEmpty());
  EXPECT_EQ(PlayerCount, 1);
  EXPECT_FALSE(app_->ComputerPlays());
  EXPECT_FALSE(Checked());
  EXPECT_EQ(File("/wurfwummel.cpu"), QByteArray("0\r\nstark\r\n"));
}

// Nothing is lost by one key. "Neues Spiel" once threw a game away without a word, also in the
// computer's turn; in the player dialog "Abbrechen" at the question still took the computer out
// (and the choice file said so), or brought up a second, different question; another strength
// chosen in the middle of a game had the whole game filed as played at it.
TEST_F(Opponent, NothingIsLostByOneKey)
{
  StartApp();
  QApplication::setActiveWindow(app_->Window->Native());
  const auto keyN = [this] {
    QTest::keyClick(app_->Window->Native(), Qt::Key_N);
    DispatchQueued();
  };
  // Before the first entry N begins afresh at once.
  Click(FirstFree(0));
  keyN();
  EXPECT_TRUE(driver_->questions.isEmpty());
  EXPECT_EQ(app_->Last, nullptr);
  ChooseMenu("Gegen den Computer");
  SetDice({1, 2, 3, 4, 5, 6});
  PersonPlays();
  ASSERT_TRUE(app_->ComputerAtTurn());
  driver_->questions.clear();

  // N in the computer's turn: the question, "Abbrechen" its default; the game goes on.
  driver_->answers = {0};
  keyN();
  EXPECT_EQ(driver_->questions, QStringList{QString::fromUtf8(NEW_GAME_QUESTION)});
  EXPECT_EQ(Entered(0), 1);
  EXPECT_TRUE(app_->ComputerAtTurn());
  SetComputerDelay(1);
  RunComputerTurn();
  ASSERT_EQ(Entered(1), 1);
  const QByteArray cfg = File("/wurfwummel.cfg"), cpu = File("/wurfwummel.cpu");

  // The computer's box unticked with Space, the dialog confirmed with Enter: one question, and
  // "Abbrechen" there changes nothing, in the game or in the files.
  driver_->questions.clear();
  driver_->answers = {0};
  bool seen = false;
  WhenWindow("Wurfwummel - Spieler", [&seen](QWidget* w) {
    seen = true;
    QApplication::setActiveWindow(w);
    QWidget* box = Named(w, "Spieler 2 spielt mit");
    ASSERT_NE(box, nullptr);
    RunSteps({[box] { QTest::keyClick(box, Qt::Key_Space); },
              [box] {
                QAccessibleInterface* a = QAccessible::queryAccessibleInterface(box);
                EXPECT_FALSE(a->state().checked);
                QTest::keyClick(Named(box->window(), "Name von Spieler 1"), Qt::Key_Return);
              }});
  });
  ChooseMenu("Spieler Einstellungen");
  ASSERT_TRUE(seen);
  EXPECT_EQ(driver_->questions, QStringList{QString::fromUtf8(PLAYER_QUESTION)});
  EXPECT_TRUE(app_->ComputerPlays());
  EXPECT_TRUE(Checked());
  EXPECT_EQ(Entered(0), 1);
  EXPECT_EQ(Entered(1), 1);
  EXPECT_EQ(File("/wurfwummel.cfg"), cfg);
  EXPECT_EQ(File("/wurfwummel.cpu"), cpu);

  // Another strength in the middle of the game: asked as joining is; "Abbrechen" keeps the
  // strength (its menu mark too) and the game.
  driver_->questions.clear();
  driver_->answers = {0};
  ChooseMenu("Leicht");
  EXPECT_EQ(driver_->questions, QStringList{LevelQuestion("Leicht")});
  EXPECT_EQ(driver_->questions.front(),
            QString::fromUtf8("Der Computer spielt mit der Stärke „Leicht“,\nund ein neues "
                              "Spiel beginnt.\nDas laufende Spiel endet ohne Wertung."));
  EXPECT_EQ(app_->Computer->Level(), TLevel::Stark);
  EXPECT_TRUE(Action("Stark")->isChecked());
  EXPECT_FALSE(Action("Leicht")->isChecked());
  EXPECT_EQ(Entered(0), 1);
  EXPECT_EQ(File("/wurfwummel.cpu"), cpu);
  // OK: the new strength with a new game, from its first throw.
  driver_->answers = {1};
  ChooseMenu("Leicht");
  EXPECT_EQ(app_->Computer->Level(), TLevel::Leicht);
  EXPECT_TRUE(Action("Leicht")->isChecked());
  EXPECT_EQ(Entered(0), 0);
  EXPECT_EQ(Entered(1), 0);
  EXPECT_EQ(File("/wurfwummel.cpu"), QByteArray("1\r\nleicht\r\n"));
  // Before the first entry it needs no question.
  driver_->questions.clear();
  ChooseMenu("Mittel");
  EXPECT_EQ(app_->Computer->Level(), TLevel::Mittel);
  EXPECT_TRUE(driver_->questions.isEmpty());

  // N after an entry, answered OK: a new game.
  PersonPlays();
  RunComputerTurn();
  driver_->questions.clear();
  driver_->answers = {1};
  keyN();
  EXPECT_EQ(driver_->questions, QStringList{QString::fromUtf8(NEW_GAME_QUESTION)});
  EXPECT_EQ(Entered(0), 0);
  EXPECT_EQ(Entered(1), 0);
  EXPECT_EQ(app_->CurrentPlayer, 0);
}

// Where the player is: the throw counter in a place of its own inside the dice box (it stood
// on the frame line), the computer's buttons grey and out of the keyboard's way in its turn (they
// looked ready while clicks were ignored), one point said as one, and a resumed game said so.
TEST_F(Opponent, TheWindowSaysWhereThePlayerIs)
{
  for (const bool compact : {true, false}) {
    if (app_) {
      app_->Destroy();
      app_.reset();
      PlayerCount = 0;
    }
    StartApp(1280, compact ? 800 : 1024);
    ASSERT_EQ(app_->Style, compact ? STYLE_COMPACT : STYLE_STANDARD);
    TDicefield& dice = *app_->DiceField[0];
    QWidget* counter = dice.Counter->Native();
    QWidget* inner = counter->parentWidget();
    ASSERT_TRUE(dice.Group->Native()->isAncestorOf(counter));
    EXPECT_TRUE(static_cast<QGroupBox*>(dice.Group->Native())->title().isEmpty());
    EXPECT_TRUE(counter->isVisible());
    EXPECT_TRUE(inner->rect().contains(counter->geometry()));
    EXPECT_FALSE(counter->geometry().intersects(dice.Button->Native()->geometry()));
    for (int i = 1; i <= DICE; ++i)
      EXPECT_FALSE(counter->geometry().intersects(dice.Panel[size_t(i)]->Native()->geometry()));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(counter)->text(QAccessible::Name),
              "Wurf 1 von 3");
  }
  Click(app_->DiceField[0]->Button);
  EXPECT_EQ(app_->DiceField[0]->Counter->GetText(), "Wurf 2\nvon 3");

  QApplication::setActiveWindow(app_->Window->Native());
  ChooseMenu("Gegen den Computer");
  SetDice({1, 2, 3, 4, 5, 6});
  PersonPlays(); // the ones: one point
  ASSERT_TRUE(app_->ComputerAtTurn());
  TDicefield& its = *app_->DiceField[1];
  const auto state = [](TGadget* g) {
    return QAccessible::queryAccessibleInterface(g->Native())->state();
  };
  EXPECT_TRUE(state(its.Button).disabled);
  EXPECT_FALSE(state(its.Button).focused);
  QString line;
  bool buttonsGrey = true, keyboardAway = true;
  RunComputerTurn([&] {
    if (!app_->ComputerAtTurn()) return;
    line = its.Player2->GetText();
    buttonsGrey = buttonsGrey && GadgetDisabled(its.Button) && GadgetDisabled(its.Fill);
    QWidget* focus = QApplication::focusWidget();
    keyboardAway = keyboardAway && !(focus && app_->Panel[1]->Native()->isAncestorOf(focus));
  });
  EXPECT_TRUE(buttonsGrey);
  EXPECT_TRUE(keyboardAway);
  EXPECT_EQ(line, "Der Gegner Spieler1 hat 1 Punkt");
  // The person's turn: the roll button ready, and the keyboard on it.
  TDicefield& mine = *app_->DiceField[0];
  EXPECT_FALSE(state(mine.Button).disabled);
  EXPECT_EQ(QApplication::focusWidget(), mine.Button->Native());

  // Started again, the game goes on where it stopped, and the status box says so until the
  // person's first action; looking at the rules is none.
  Restart();
  TDicefield& again = *app_->DiceField[0];
  ASSERT_EQ(Entered(0), 1);
  QAccessibleInterface* note = QAccessible::queryAccessibleInterface(again.Hint->Native());
  EXPECT_FALSE(GadgetHidden(again.Hint));
  EXPECT_TRUE(GadgetHidden(again.Player2));
  EXPECT_EQ(note->text(QAccessible::Name), "Spiel fortgesetzt");
  WhenWindow(QString::fromUtf8("Wurfwummel - Regeln"), [](QWidget* w) { w->close(); });
  ChooseMenu("Regelwerk anzeigen");
  EXPECT_EQ(again.Hint->GetText(), "Spiel fortgesetzt");
  QApplication::setActiveWindow(app_->Window->Native());
  QTest::keyClick(app_->Window->Native(), Qt::Key_1);
  Pump();
  EXPECT_EQ(again.Active[1], 1);
  EXPECT_TRUE(GadgetHidden(again.Hint));
  EXPECT_FALSE(GadgetHidden(again.Player2));
  EXPECT_TRUE(again.Player2->GetText().startsWith("Der Gegner Computer hat "));
}

// A whole game of a person and the computer: the person clicks, the computer's turns run on its
// timer, and the person's clicks and keys during them change nothing.
TEST_F(Opponent, WholeGameAgainstTheComputerThroughTheWidgets)
{
  StartApp();
  SetScoreList(1, "Niemand");
  ChooseMenu("Gegen den Computer");
  SetComputerDelay(1);
  QApplication::setActiveWindow(app_->Window->Native());
  TDicefield& mine = *app_->DiceField[1];

  int turns = 0, rolls = 0, holdsShown = 0, cellsShown = 0;
  bool highscoreSeen = false;
  while (Entered(1) < 63 && !highscoreSeen) {
    if (Entered(0) == 62)
      WhenWindow("Wurfwummel - HighScore", [&highscoreSeen](QWidget* w) {
        highscoreSeen = true;
        for (auto* b : w->findChildren<QPushButton*>())
          if (b->text() == "OK") b->click();
      });
    PersonPlays();
    const qsizetype questionsBefore = driver_->questions.size();
    ASSERT_TRUE(app_->ComputerAtTurn());
    EXPECT_FALSE(GadgetHidden(app_->Panel[1]));
    EXPECT_TRUE(GadgetHidden(app_->Panel[0]));
    EXPECT_EQ(mine.Player1->GetText(), "Computer");
    EXPECT_EQ(AccessibleName(mine.Group2), "Computer ist am Zug");
    const int before = Entered(1);

    // The person's hands are off: a cell, a die, both buttons, the keys 1 to 6 and Space.
    // Only the events these make are handled, so that the computer's own tick waits.
    const std::array<int, 7> dice = mine.Dice;
    ClickWidget(FirstFree(1));
    ClickWidget(mine.Panel[1]);
    ClickWidget(mine.Button);
    QTest::keyClick(app_->Window->Native(), Qt::Key_1);
    mine.Panel[2]->Native()->setFocus();
    QTest::keyClick(mine.Panel[2]->Native(), Qt::Key_Space);
    EXPECT_GE(QueuedEvents(), 4);
    DispatchQueued();
    EXPECT_EQ(app_->Last, nullptr);
    EXPECT_EQ(mine.Count, 0);
    EXPECT_EQ(mine.Dice, dice);
    EXPECT_EQ(mine.Active[1], 0);

    int lastCount = 0;
    RunComputerTurn([&] {
      if (!app_->ComputerAtTurn()) return;
      if (mine.Count > lastCount) ++rolls;
      lastCount = mine.Count;
      int held = 0;
      for (int i = 1; i <= DICE; ++i)
        held += mine.Active[size_t(i)];
      if (held && mine.Count < MAX_ROLLS && !app_->Last) ++holdsShown;
      if (app_->Last) {
        ++cellsShown;
        // The chosen cell shows its points before it is entered; Enter on the focused
        // "Eintragen" is not the person's to press.
        EXPECT_FALSE(GadgetDisabled(app_->Last));
        EXPECT_NE(app_->Last->GetText(), "-");
        QWidget* focus = QApplication::focusWidget();
        if (focus) QTest::keyClick(focus, Qt::Key_Return);
        DispatchQueued();
        EXPECT_NE(app_->Last, nullptr);
        EXPECT_TRUE(app_->ComputerAtTurn());
      }
    });
    ++turns;
    if (!highscoreSeen) {
      EXPECT_EQ(Entered(1), before + 1);
      EXPECT_EQ(app_->CurrentPlayer, 0);
    }
    // Whatever the computer enters, the person is asked nothing.
    EXPECT_EQ(driver_->questions.size(), questionsBefore);
  }
  ASSERT_TRUE(highscoreSeen);
  EXPECT_EQ(turns, 63);
  EXPECT_EQ(cellsShown, 63);
  EXPECT_GT(rolls, 0);
  EXPECT_GT(holdsShown, 0);
  // The computer's total stands in the list under its name, as a person's would.
  bool listed = false;
  for (const QString& record : *app_->Score)
    listed = listed || RecordName(record) == "Computer";
  EXPECT_TRUE(listed);
  EXPECT_FALSE(app_->ComputerAtTurn());
  EXPECT_EQ(Entered(0) + Entered(1), 0); // a new game began
}

TEST_F(Opponent, TheComputerStrikesACellWithoutAskingThePerson)
{
  StartApp();
  ChooseMenu("Gegen den Computer");
  SetComputerDelay(1);
  TGadget* last = app_->Wummelfield[1]->Points[0]->Array[0];
  for (TGadget* cell : Cells(1))
    if (cell != last) {
      cell->SetText("0");
      cell->SetEnabled(0);
    }
  PersonPlays();
  ASSERT_TRUE(app_->ComputerAtTurn());
  const qsizetype questionsBefore = driver_->questions.size();
  // No throws left, and no six equal dice for its one free cell.
  SetDice({1, 2, 3, 4, 5, 6}, 1);
  app_->DiceField[1]->Count = MAX_ROLLS;
  app_->DiceField[1]->Button->SetEnabled(0);
  RunComputerTurn();
  EXPECT_EQ(driver_->questions.size(), questionsBefore);
  EXPECT_EQ(last->GetText(), "0");
  EXPECT_TRUE(GadgetDisabled(last));
  EXPECT_EQ(app_->CurrentPlayer, 0);
}

// The terminate request and the close box in the middle of the computer's turn save and end
// at once.
TEST_F(Opponent, TerminateAndCloseInTheComputersTurnSaveAndEnd)
{
  StartApp();
  ChooseMenu("Gegen den Computer");
  app_->PlayerName[0] = QString::fromUtf8("Jürgen");
  for (int way = 0; way < 2; ++way) {
    SetComputerDelay(1);
    PersonPlays();
    ASSERT_TRUE(app_->ComputerAtTurn());
    // One step in (a throw, its holds or its cell), the computer is in the middle of its turn.
    int steps = 0;
    QElapsedTimer t;
    t.start();
    while (steps < 1 && t.elapsed() < 10000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
      while (PollEvent()) {
        steps += CurrentEvent().id == EVENT_TIMERTICK;
        app_->Dispatch(CurrentEvent());
      }
    }
    ASSERT_TRUE(app_->ComputerAtTurn());
    QFile::remove(DataPath() + "/wurfwummel.cfg");
    QFile::remove(DataPath() + "/wurfwummel.cpu");
    driver_->exits.clear();
    if (way == 0) {
      ::raise(SIGTERM); // the signal only wakes the loop
      QTest::qWait(20);
    } else {
      app_->Window->Native()->close();
    }
    Pump();
    EXPECT_EQ(driver_->exits, std::vector<int>{0}) << way;
    EXPECT_EQ(File("/wurfwummel.cfg"), QByteArray("J\xfcrgen\r\nComputer\r\n")) << way;
    EXPECT_EQ(File("/wurfwummel.cpu"), QByteArray("1\r\nstark\r\n")) << way;
    // The fake driver does not end the process: the turn goes on, to hand it back.
    RunComputerTurn();
  }
}

// While the program waits for the person, no timer runs: nothing wakes it.
TEST_F(Opponent, NoTickWhileThePersonIsAtTheTurn)
{
  StartApp();
  ChooseMenu("Gegen den Computer");
  SetComputerDelay(1);
  int ticks = 0;
  const int hook = AddHook(0, [&ticks](TEvent& e) {
    ticks += e.id == EVENT_TIMERTICK;
    return true;
  });
  QTest::qWait(30);
  Pump();
  EXPECT_EQ(ticks, 0);
  PersonPlays();
  RunComputerTurn();
  EXPECT_GE(ticks, 2); // at least choosing the cell and entering it
  const int afterTurn = ticks;
  QTest::qWait(30);
  Pump();
  EXPECT_EQ(ticks, afterTurn);
  // Behind every window of the game the computer waits, however many of its steps' times
  // pass while the window's own loop runs, and goes on once it closes: a person reading the
  // rules misses none of its moves.
  PersonPlays();
  TDicefield& its = *app_->DiceField[1];
  for (const char* item : {"Regelwerk anzeigen", "Highscore anzeigen", "Spielanalyse",
                           "Über Wurfwummel", "Spieler Einstellungen"}) {
    const auto dice = its.Dice;
    const auto holds = its.Active;
    bool seen = false;
    QTimer::singleShot(150, qApp, [&] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w != app_->Window->Native() && w->windowTitle().contains(" - ")) {
          seen = true;
          EXPECT_EQ(its.Dice, dice) << item;
          EXPECT_EQ(its.Active, holds) << item;
          EXPECT_EQ(app_->Last, nullptr) << item;
          EXPECT_EQ(Entered(1), 1) << item;
          w->close();
        }
    });
    ChooseMenu(QString::fromUtf8(item));
    ASSERT_TRUE(seen) << item;
  }
  RunComputerTurn();
  EXPECT_EQ(app_->CurrentPlayer, 0);
  EXPECT_EQ(Entered(1), 2);
  RemoveHook(hook);
}

// Whatever stands at the choice file's name, start-up goes on at once without the computer,
// and a save replaces none of it.
TEST_F(Opponent, NothingAtTheChoiceFileHangsOrIsReplaced)
{
  const QString path = DataPath() + "/wurfwummel.cpu";
  const QByteArray native = QFile::encodeName(path);
  for (int kind = 0; kind < OBSTACLE_KINDS; ++kind) {
    ASSERT_TRUE(QDir().mkpath(DataPath()));
    PlantObstacle(path, kind);
    StartApp();
    EXPECT_EQ(PlayerCount, 1) << kind;
    ChooseMenu("Gegen den Computer"); // saves
    EXPECT_TRUE(app_->ComputerPlays());
    EXPECT_TRUE(QFileInfo::exists(path) || QFileInfo(path).isSymLink()) << kind;
    EXPECT_FALSE(RegularFileAt(path)) << kind;
    app_->Destroy();
    app_.reset();
    PlayerCount = 0;
    ASSERT_TRUE(QDir(DataPath()).removeRecursively());
  }

  // A huge file is read no further than its first bytes.
  ASSERT_TRUE(QDir().mkpath(DataPath()));
  ASSERT_TRUE(WriteAll(path, "1\r\n"));
  ASSERT_EQ(truncate(native.constData(), qint64(1) << 32), 0);
  QElapsedTimer t;
  t.start();
  StartApp();
  EXPECT_LT(t.elapsed(), 5000);
  EXPECT_TRUE(app_->ComputerPlays());
}

TEST(ChoiceFile, FirstLineSaysWhetherTheComputerPlaysTheSecondItsStrength)
{
  EXPECT_EQ(WriteChoiceFile(true, "stark"), QByteArray("1\r\nstark\r\n"));
  EXPECT_EQ(WriteChoiceFile(false, "leicht"), QByteArray("0\r\nleicht\r\n"));
  const auto read = [](const QByteArray& bytes) {
    const TChoiceFile choice = ParseChoiceFile(bytes);
    return std::make_pair(choice.computer, choice.level);
  };
  using R = std::pair<bool, QString>;
  EXPECT_EQ(read("1\r\nmittel\r\n"), R(true, "mittel"));
  EXPECT_EQ(read("0\nleicht"), R(false, "leicht"));
  // Files of the version before strengths: one line.
  EXPECT_EQ(read("1\r\n"), R(true, ""));
  EXPECT_EQ(read("1"), R(true, ""));
  EXPECT_EQ(read("0\r\n"), R(false, ""));
  EXPECT_EQ(read(""), R(false, ""));
  EXPECT_EQ(read("11\r\n"), R(false, ""));
  EXPECT_EQ(read(" 1\r\n"), R(false, ""));
  EXPECT_EQ(read(QByteArray("\0\0\0", 3)).first, false);
  EXPECT_EQ(read("1\r\nSTARK\r\nmehr\r\n"), R(true, "STARK"));
}

TEST(OneShotTimer, FiresOnceAndAStoppedOneNever)
{
  FlushEvents();
  const int a = StartTimer(1);
  const int b = StartTimer(1);
  const int c = StartTimer(1);
  EXPECT_TRUE(TimerPending(a));
  StopTimer(b);
  EXPECT_FALSE(TimerPending(b));
  QTest::qWait(20);
  std::vector<int> ticks;
  while (PollEvent())
    if (CurrentEvent().id == EVENT_TIMERTICK) ticks.push_back(CurrentEvent().data);
  // Two timers firing together are two ticks, not one.
  EXPECT_EQ(ticks, (std::vector<int>{a, c}));
  EXPECT_FALSE(TimerPending(a));
  QTest::qWait(20);
  EXPECT_EQ(PollEvent(), 0);
  // A tick already waiting goes with its timer.
  const int d = StartTimer(0);
  QCoreApplication::processEvents();
  StopTimer(d);
  EXPECT_EQ(PollEvent(), 0);
}
