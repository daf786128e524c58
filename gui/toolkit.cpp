#include "gui/toolkit.h"

#include "gui/event.h"
#include "gui/gadget.h"
#include "gui/incbin.h"
#include "gui/pixmap.h"
#include "gui/toolkit_p.h"

#include <QApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

namespace
{
int signalPipe[2] = {-1, -1};

// The handler only wakes the event loop; the request becomes an ordinary event there.
void OnTerminateSignal(int)
{
  const char byte = 1;
  const ssize_t ignored = write(signalPipe[1], &byte, 1);
  (void)ignored;
}

void PostAppEvent(int id)
{
  TEvent e;
  e.id = id;
  TEvent::Emit(e);
}

// A question box runs a loop of its own; it is closed as Cancel so that the request reaches
// the game's loops, which save and end the program.
void RequestTerminate()
{
  PostAppEvent(EVENT_APPTERMINATE);
  CancelMessageBoxes();
}

void InitTerminateRequest()
{
  if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, []() {
    char buf[64];
    while (read(signalPipe[0], buf, sizeof buf) > 0) {
    }
    RequestTerminate();
  });
  struct sigaction sa {
  };
  sa.sa_handler = OnTerminateSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  // The end of the desktop session asks the same as a kill.
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, qApp,
                   [](QSessionManager&) { RequestTerminate(); });
  // Under a file-size limit a write that does not fit then fails like a full disk, and the
  // safe save keeps the old file, instead of the signal ending the game.
  signal(SIGXFSZ, SIG_IGN);
}
} // namespace

bool WaitForTerminateRequest(int milliseconds)
{
  if (signalPipe[0] < 0) {
    const timespec step{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    ::nanosleep(&step, nullptr);
    return false;
  }
  pollfd fd{signalPipe[0], POLLIN, 0};
  if (::poll(&fd, 1, milliseconds) <= 0) return false;
  char buf[64];
  bool came = false;
  while (::read(signalPipe[0], buf, sizeof buf) > 0)
    came = true;
  return came;
}

void InitToolkit()
{
  if (qApp) return;
  static int argc = 1;
  static char name[] = "wurfwummel";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setApplicationName("Wurfwummel");
  InitEvents();
  InitEmbeddedStreams();
  InitPixmapLoaders();
  InitHotKeys();
  Desktop();
  QObject::connect(qApp, &QGuiApplication::applicationStateChanged, qApp,
                   [](Qt::ApplicationState state) {
                     if (state == Qt::ApplicationActive)
                       PostAppEvent(EVENT_APPRESUME);
                     else if (state == Qt::ApplicationInactive)
                       PostAppEvent(EVENT_APPSUSPEND);
                   });
  InitTerminateRequest();
}

void SetDesktopFileName(const QString& id)
{
  QGuiApplication::setDesktopFileName(id);
}
