#include "bench/benchapp.h"

#include "gui/event.h"
#include "gui/gadget.h"
#include "gui/runtime.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

void WriteSettings(const QStringList& names)
{
  const QString dir = GetUserAppDir() + "/Tollmark/Wurfwummel";
  QDir().mkpath(dir);
  QFile f(dir + SETTINGS_FILE);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
  for (const QString& name : names)
    f.write(name.toLatin1() + "\r\n");
}

void Settle()
{
  // Showing posts further events (layout, then painting): two rounds handle them all.
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
}

std::unique_ptr<TApp> StartGame(int players)
{
  WriteSettings(players > 1 ? QStringList{"Anna", "Bernd"} : QStringList{"Anna"});
  SetDesktopSize(BENCH_DESKTOP_WIDTH, BENCH_DESKTOP_HEIGHT);
  auto app = std::make_unique<TApp>();
  app->Create();
  Settle();
  FlushEvents();
  return app;
}

void StopGame(std::unique_ptr<TApp>& app)
{
  if (!app) return;
  app->Destroy();
  app.reset();
  PlayerCount = 0;
  FlushEvents();
}

namespace
{
void Count(TGadget* g, TControls& controls)
{
  const QSize size(g->width, g->height);
  switch (g->Class()) {
  case GADGET_BUTTON:
    controls.buttons.push_back(size);
    break;
  case GADGET_LABEL:
    controls.labels.push_back(size);
    break;
  case GADGET_PANEL:
    if (g->style & PANEL_GROUP)
      controls.groups.push_back(size);
    else if (g->Pixmap())
      controls.pictures.push_back(size);
    else
      ++controls.players; // a player's panel, which holds everything of that player
    break;
  default:
    break;
  }
  for (TGadget* kid : g->kids)
    Count(kid, controls);
}
} // namespace

TControls CountControls(TGadget* window)
{
  TControls controls;
  if (window) Count(window, controls);
  return controls;
}
