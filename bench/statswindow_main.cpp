// The statistics window of a long life as a person meets it, in a process of its own: a record
// of 100,000 finished games (or as many as the argument says) is written by a child process, then
// the game starts on it and the window opens once. Prints the start's and the window's wall time,
// the window's processor time and the process's peak resident memory, before the window and
// after it. A second argument names a PNG file for a picture of the window as it appeared.

#include "app/images.h"
#include "app/recorder.h"
#include "bench/benchapp.h"
#include "bench/recordfill.h"
#include "forms/statsform.h"
#include "gui/driver.h"
#include "gui/event.h"
#include "gui/runtime.h"
#include "gui/toolkit.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
// Nothing asks; should anything, it is answered and nothing ends the process.
class TAnswerOk : public TSystemDriver
{
public:
  void Notify(const QString&, int) override {}
  int Confirm(const QString&, int) override { return 1; }
  int Proceed(const QString&, int) override { return 1; }
  int OpenURL(const QString&) override { return 1; }
  void EndProgram(int) override {}
};

double PeakMiB()
{
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024;
}

// The processor time of the process so far, user and system.
double CpuMs()
{
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double MsSince(std::chrono::steady_clock::time_point start)
{
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}
} // namespace

int main(int argc, char** argv)
{
  const int games = argc > 1 ? std::atoi(argv[1]) : 100000;
  const QString picture = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
  QTemporaryDir data;
  if (games < 1 || !data.isValid()) return 2;
  qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
    qputenv("XDG_RUNTIME_DIR", data.path().toLocal8Bit());
  const QString folder = data.path() + "/Tollmark/Wurfwummel";
  QDir().mkpath(folder);
  // Written by another process, so that its memory is not this one's peak.
  const pid_t child = fork();
  if (child == 0) _exit(FillRecord((folder + RECORD_FILE).toStdString(), games) ? 0 : 1);
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0)
    return 1;

  RegisterImages();
  InitToolkit();
  SetSystemDriver(std::make_unique<TAnswerOk>());
  auto start = std::chrono::steady_clock::now();
  auto app = StartGame(2);
  const double startMs = MsSince(start);
  const double startPeak = PeakMiB();
  double windowMs = 0, windowCpu = 0;
  start = std::chrono::steady_clock::now();
  const double cpu = CpuMs();
  QTimer::singleShot(0, [&] {
    Settle();
    windowMs = MsSince(start);
    windowCpu = CpuMs() - cpu;
    if (!picture.isEmpty())
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle().endsWith(" - Statistik")) w->grab().save(picture);
    TEvent close;
    close.id = EVENT_WINDOWCLOSE;
    TEvent::Emit(close);
  });
  TStatsForm().Open(app.get());
  const double windowPeak = PeakMiB();
  StopGame(app);
  std::printf("%-46s %9.1f ms %9.1f MiB peak\n", "Start-up with a record of that many games",
              startMs, startPeak);
  std::printf("%-46s %9.1f ms %9.1f MiB peak %9.1f ms CPU\n", "Statistics window, first opened",
              windowMs, windowPeak, windowCpu);
  return windowMs > 0 ? 0 : 1;
}
