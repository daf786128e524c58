#pragma once

// Shared test helpers: a private data folder per test, a system driver that answers questions
// and records what the program asked for, and clicks on real widgets.

#include "app/app.h"
#include "gui/driver.h"
#include "gui/event.h"
#include "gui/gadget.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

// Answers Confirm from a script (OK when the script is empty) and records everything.
class TFakeDriver : public TSystemDriver
{
public:
  std::deque<int> answers;
  QStringList questions;
  QStringList urls;
  std::vector<int> exits;
  // Called with each question before it is answered, while the program waits for the answer.
  std::function<void(const QString&)> asked;

  int Confirm(const QString& text, int serious) override;
  void Notify(const QString& text, int serious) override;
  int Proceed(const QString& text, int serious) override;
  int OpenURL(const QString& url) override;
  void EndProgram(int code) override;
};

// Each test gets its own data folder and a fake driver.
class TWithDataDir : public ::testing::Test
{
protected:
  void SetUp() override;
  void TearDown() override;
  QString DataPath() const; // $XDG_DATA_HOME/Tollmark/Wurfwummel
  QTemporaryDir dir_;
  TFakeDriver* driver_ = nullptr;
};

// A step delay that no test outlasts: the computer's clock stays out of the test's way.
constexpr int ONE_HOUR_MS = 3600000;

// A started application on a desktop of the given size.
class TWithApp : public TWithDataDir
{
protected:
  void StartApp(int desktopWidth = 1280, int desktopHeight = 1024);
  void TearDown() override;
  // Handles every waiting event as the main loop would.
  void Pump();
  // A real left click on a gadget's widget, then the main loop's handling.
  void Click(TGadget* gadget);
  void RightClick(TGadget* gadget);
  // Sets the current player's dice.
  void SetDice(const std::vector<int>& faces, int player = -1);
  // Gives the game a high-score list of twenty equal records, in memory and in the file, as a
  // start from that file would: a save merges with the file, so memory alone would not last.
  void SetScoreList(int score, const QString& name);
  // The time between the computer's steps: the seam through which tests make its turns quick.
  // A step already on its way waits the new time.
  void SetComputerDelay(int milliseconds);
  // Waits in the system's wait, as the main loop does, and handles every event, until the
  // computer is no longer at the turn; each of its steps is a timer tick. Calls step after
  // every tick handled. Fails rather than hangs when no tick comes within ten seconds.
  void RunComputerTurn(const std::function<void()>& step = {});
  std::unique_ptr<TApp> app_;
};

// Things that can stand where the game expects one of its files: a FIFO, links to the devices
// /dev/zero and /dev/tty, a folder, and a link to itself.
constexpr int OBSTACLE_KINDS = 5;
void PlantObstacle(const QString& path, int kind);
// Whether a regular file itself (not a link, FIFO, device or folder) stands at the path.
bool RegularFileAt(const QString& path);

QByteArray ReadAll(const QString& path);
bool WriteAll(const QString& path, const QByteArray& bytes);
// A gadget's place in a window's client area, as the screen shows it.
QPoint PosIn(TGadget* gadget, TGadget* window);
// Clicks a gadget's native widget with Qt's test tools; no dispatch.
void ClickWidget(TGadget* gadget, Qt::MouseButton button = Qt::LeftButton);
// Runs a function from inside the next nested event loop.
void Later(std::function<void()> action);
// Runs the steps one at a time from inside the running event loops, each after the events
// of the one before have been handled.
void RunSteps(std::vector<std::function<void()>> steps);
// Runs a function once a visible window with that title exists (from inside its loop).
void WhenWindow(const QString& title, std::function<void(QWidget*)> action);
// The window's control with this accessible name, or null.
QWidget* Named(QWidget* window, const QString& name);
// What a screen reader reads of a text control.
QString Text(QWidget* widget);

// Calls step every few milliseconds from inside the running loop until it returns true; gives
// up after two minutes (a slow sanitizer build analyses a whole game in well under that).
void Poll(std::function<bool()> step);
