// The baseline window as a program of its own, for the memory script: shows the plain-Qt
// window with the controls listed in the given file (as `wurfwummel_bench --controls` prints
// them) and waits until it is killed. With --quit it ends once the window is shown, which the
// test suite uses to run it.

#include "bench/baseline.h"

#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QTimer>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
  QApplication application(argc, argv);
  bool quit = false;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quit") == 0)
      quit = true;
    else
      path = argv[i];
  }
  QFile file(path ? QString::fromLocal8Bit(path) : QString());
  if (!path || !file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "usage: %s CONTROLS_FILE [--quit]\n", argv[0]);
    return 2;
  }
  const TControls controls = ControlsFromText(QString::fromUtf8(file.readAll()));
  auto window = MakeBaselineWindow(controls, 570, 730);
  window->show();
  if (quit) QTimer::singleShot(0, &application, &QApplication::quit);
  return application.exec();
}
