// The baseline window as a program of its own, for the memory script: shows the plain-Qt
// window with the control counts given on the command line and waits until it is killed.
// With --quit it ends once the window is shown, which the test suite uses to run it.

#include "bench/baseline.h"

#include <QApplication>
#include <QMainWindow>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
  QApplication application(argc, argv);
  bool quit = false;
  TWidgetCounts counts;
  int* fields[] = {&counts.players, &counts.groups, &counts.buttons, &counts.labels,
                   &counts.pictures};
  int n = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quit") == 0)
      quit = true;
    else if (n < 5)
      *fields[n++] = std::atoi(argv[i]);
  }
  if (n < 5) {
    std::fprintf(stderr, "usage: %s PLAYERS GROUPS BUTTONS LABELS PICTURES [--quit]\n", argv[0]);
    return 2;
  }
  auto window = MakeBaselineWindow(counts, 570, 730);
  window->show();
  if (quit) QTimer::singleShot(0, &application, &QApplication::quit);
  return application.exec();
}
