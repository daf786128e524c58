// The computer's three strengths and its fair way of joining and leaving a game, through the
// window: the menu items, the questions, and the files on disk byte by byte.

#include "ai/player.h"
#include "app/computer.h"
#include "dice/dicefield.h"
#include "tests/app/opponent.h"
#include "tests/support/support.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDir>

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
  EXPECT_EQ(app_->Computer->Speed(), TSpeed::Normal);
  app_->Destroy();
  app_.reset();
  PlayerCount = 0;

  // Written by hand: a strength is read whatever its case; a speed this version does not know
  // is the normal one.
  WriteChoice("0\r\nLEICHT\r\nturbo\r\n");
  StartApp();
  EXPECT_EQ(app_->Computer->Level(), TLevel::Leicht);
  EXPECT_EQ(LevelsChecked(), (std::vector<bool>{true, false, false}));
  EXPECT_EQ(app_->Computer->Speed(), TSpeed::Normal);
  EXPECT_EQ(app_->Computer->StepDelay, COMPUTER_STEP_MS);
}

TEST_F(Strength, TempoSetsTheTimeOfEachStepAndIsRemembered)
{
  StartApp();
  ASSERT_NE(Level("Schnell"), nullptr);
  EXPECT_TRUE(Level("Normal")->isChecked());
  EXPECT_EQ(app_->Computer->StepDelay, 500);
  ChooseMenu("Schnell");
  EXPECT_EQ(app_->Computer->StepDelay, 150);
  // Another speed than the normal one is a third line; the lines before mean what they meant.
  EXPECT_EQ(File("/wurfwummel.cpu"), QByteArray("0\r\nstark\r\nschnell\r\n"));
  ChooseMenu("Langsam");
  EXPECT_EQ(app_->Computer->StepDelay, 1000);
  EXPECT_EQ(File("/wurfwummel.cpu"), QByteArray("0\r\nstark\r\nlangsam\r\n"));
  Restart();
  EXPECT_TRUE(Level("Langsam")->isChecked());
  EXPECT_FALSE(Level("Normal")->isChecked());
  EXPECT_EQ(app_->Computer->Speed(), TSpeed::Langsam);
  EXPECT_EQ(app_->Computer->StepDelay, 1000);
  // Back to the normal speed, the file is as the version before the speed wrote it.
  ChooseMenu("Gegen den Computer");
  ChooseMenu("Normal");
  EXPECT_EQ(File("/wurfwummel.cpu"), QByteArray("1\r\nstark\r\n"));
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
  // Building a strength may take longer than a step's delay on a slow (sanitized) build: no
  // tick may come from the clock while the test looks.
  SetComputerDelay(ONE_HOUR_MS);

  ChooseMenu("Gegen den Computer"); // off, before any entry: at once
  EXPECT_FALSE(app_->ComputerPlays());
  ChooseMenu("Leicht");
  EXPECT_EQ(app_->Computer->Ready(), nullptr); // off: Leicht is not built yet
  ChooseMenu("Gegen den Computer");
  EXPECT_NE(app_->Computer->Ready(), nullptr);
  // Changed while it plays, before the first entry: the new strength is built at once, and
  // no new game begins.
  const std::array<int, 7> dice = app_->DiceField[1]->Dice;
  ChooseMenu("Stark");
  EXPECT_TRUE(driver_->questions.isEmpty());
  EXPECT_NE(app_->Computer->Ready(), nullptr);
  EXPECT_EQ(app_->Computer->Ready(), &app_->Computer->PlayerFor(TLevel::Stark));
  EXPECT_EQ(app_->DiceField[1]->Dice, dice);
  EXPECT_EQ(ticks, 0);
  PersonPlays();
  ASSERT_TRUE(app_->ComputerAtTurn());
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
