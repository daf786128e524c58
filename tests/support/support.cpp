#include "tests/support/support.h"

#include "app/computer.h"
#include "dice/dicefield.h"
#include "gui/runtime.h"
#include "store/highscore.h"
#include "store/rc4.h"
#include "store/safefile.h"
#include "store/scorefile.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <sys/stat.h>

int TFakeDriver::Confirm(const QString& text, int)
{
  questions << text;
  if (asked) asked(text);
  if (answers.empty()) return 1;
  const int a = answers.front();
  answers.pop_front();
  return a;
}

void TFakeDriver::Notify(const QString& text, int)
{
  questions << text;
}

int TFakeDriver::Proceed(const QString& text, int)
{
  questions << text;
  return 1;
}

int TFakeDriver::OpenURL(const QString& url)
{
  urls << url;
  return 1;
}

void TFakeDriver::EndProgram(int code)
{
  exits.push_back(code);
}

void TWithDataDir::SetUp()
{
  ASSERT_TRUE(dir_.isValid());
  qputenv("XDG_DATA_HOME", dir_.path().toLocal8Bit());
  auto driver = std::make_unique<TFakeDriver>();
  driver_ = driver.get();
  SetSystemDriver(std::move(driver));
  FlushEvents();
}

void TWithDataDir::TearDown()
{
  FlushEvents();
  SetSystemDriver(nullptr);
  driver_ = nullptr;
}

QString TWithDataDir::DataPath() const
{
  return dir_.path() + "/Tollmark/Wurfwummel";
}

void TWithApp::StartApp(int desktopWidth, int desktopHeight)
{
  SetDesktopSize(desktopWidth, desktopHeight);
  app_ = std::make_unique<TApp>();
  app_->Create();
  QCoreApplication::processEvents();
  FlushEvents();
}

void TWithApp::TearDown()
{
  if (app_) app_->Destroy();
  app_.reset();
  PlayerCount = 0;
  AppPath.clear();
  TWithDataDir::TearDown();
}

void TWithApp::Pump()
{
  QCoreApplication::processEvents();
  while (PollEvent())
    app_->Dispatch(CurrentEvent());
}

void TWithApp::Click(TGadget* gadget)
{
  ClickWidget(gadget);
  Pump();
}

void TWithApp::RightClick(TGadget* gadget)
{
  ClickWidget(gadget, Qt::RightButton);
  Pump();
}

void TWithApp::SetDice(const std::vector<int>& faces, int player)
{
  TDicefield& dice = *app_->DiceField[size_t(player < 0 ? app_->CurrentPlayer : player)];
  int i = 1;
  for (int f : faces) {
    dice.Dice[size_t(i)] = f;
    dice.ShowDie(i++);
  }
}

QByteArray ReadAll(const QString& path)
{
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return QByteArray();
  return f.readAll();
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QPoint PosIn(TGadget* gadget, TGadget* window)
{
  return gadget->Native()->mapTo(window->Container(), QPoint(0, 0));
}

void ClickWidget(TGadget* gadget, Qt::MouseButton button)
{
  ASSERT_NE(gadget, nullptr);
  QWidget* w = gadget->Native();
  ASSERT_NE(w, nullptr);
  QTest::mouseClick(w, button, Qt::NoModifier, QPoint(w->width() / 2, w->height() / 2));
}

void Later(std::function<void()> action)
{
  QTimer::singleShot(0, qApp, std::move(action));
}

void WhenWindow(const QString& title, std::function<void(QWidget*)> action)
{
  auto* timer = new QTimer(qApp);
  timer->setInterval(5);
  int tries = 0;
  QObject::connect(timer, &QTimer::timeout, qApp, [timer, title, action, tries]() mutable {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (!w->isVisible() || w->windowTitle() != title) continue;
      timer->stop();
      timer->deleteLater();
      action(w);
      return;
    }
    if (++tries > 2000) { // ten seconds: the window never came
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start();
}

void RunSteps(std::vector<std::function<void()>> steps)
{
  auto* timer = new QTimer(qApp);
  timer->setInterval(10);
  auto next = std::make_shared<size_t>(0);
  QObject::connect(timer, &QTimer::timeout, qApp, [timer, steps, next]() {
    if (*next >= steps.size()) {
      timer->stop();
      timer->deleteLater();
      return;
    }
    steps[(*next)++]();
  });
  timer->start();
}

void TWithApp::SetScoreList(int score, const QString& name)
{
  app_->Score->assign(SCORE_ENTRIES, RC4(ScoreRecord(score, name), ScoreKey));
  ASSERT_TRUE(WriteFileSafely(AppDir + SCORE_FILE, WriteScoreFile(*app_->Score)));
}

void TWithApp::SetComputerDelay(int milliseconds)
{
  ASSERT_TRUE(app_ && app_->Computer);
  app_->Computer->StepDelay = milliseconds;
  // A step already on its way comes after the new delay.
  if (app_->ComputerAtTurn()) {
    app_->Computer->Stop();
    app_->Computer->Schedule();
  }
}

void TWithApp::RunComputerTurn(const std::function<void()>& step)
{
  // Wakes the wait below should the tick never come.
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QElapsedTimer waited;
  waited.start();
  while (app_->ComputerAtTurn()) {
    watchdog.start(10000);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    // The caller sees every step: on a busy machine the next tick can already be waiting when
    // one has been handled, and handling both before the caller looked once hid a chosen cell.
    while (PollEvent()) {
      const TEvent event = CurrentEvent();
      app_->Dispatch(event);
      if (event.id == EVENT_TIMERTICK) {
        waited.restart();
        if (step) step();
      }
    }
    ASSERT_LT(waited.elapsed(), 10000) << "the computer's next step never came";
  }
}

void PlantObstacle(const QString& path, int kind)
{
  const QByteArray native = QFile::encodeName(path);
  switch (kind) {
  case 0:
    ASSERT_EQ(mkfifo(native.constData(), 0600), 0);
    break;
  case 1:
    ASSERT_TRUE(QFile::link("/dev/zero", path));
    break;
  case 2:
    ASSERT_TRUE(QFile::link("/dev/tty", path));
    break;
  case 3:
    ASSERT_TRUE(QDir().mkpath(path));
    break;
  default:
    ASSERT_TRUE(QFile::link(path, path));
    break;
  }
}

bool RegularFileAt(const QString& path)
{
  struct stat st {
  };
  return lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

QWidget* Named(QWidget* window, const QString& name)
{
  for (QWidget* child : window->findChildren<QWidget*>())
    if (child->accessibleName() == name) return child;
  return nullptr;
}

QString Text(QWidget* widget)
{
  QAccessibleInterface* ia = widget ? QAccessible::queryAccessibleInterface(widget) : nullptr;
  if (!ia || !ia->textInterface()) return QString();
  return ia->textInterface()->text(0, ia->textInterface()->characterCount());
}

void Poll(std::function<bool()> step)
{
  auto* timer = new QTimer(qApp);
  timer->setInterval(10);
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, qApp, [timer, step, tries]() {
    if (step() || ++*tries > 12000) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start();
}
