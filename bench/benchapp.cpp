#include "bench/benchapp.h"

#include "app/computer.h"
#include "app/recorder.h"
#include "dice/dicefield.h"
#include "gui/event.h"
#include "gui/gadget.h"
#include "gui/runtime.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>

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

void PlayTurns(TApp& app, int turns)
{
  for (int turn = 0; turn < turns; ++turn) {
    TDicefield& dice = *app.DiceField[size_t(app.CurrentPlayer)];
    app.Act(dice.Button);
    for (int row = 0; row < 21 && !app.Last; ++row)
      for (int column = 0; column < 3 && !app.Last; ++column) {
        TGadget* cell = SheetCell(app, app.CurrentPlayer, row, column);
        if (cell && !GadgetDisabled(cell)) app.Act(cell);
      }
    app.Act(dice.Fill);
    app.Record->Observe();
  }
}

namespace
{
void Count(TGadget* g, TControls& controls)
{
  TControl c;
  c.size = QSize(g->width, g->height);
  if (const QWidget* native = g->Native()) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(native)) c.text = button->text();
    if (const auto* label = qobject_cast<const QLabel*>(native)) c.text = label->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(native)) c.text = group->title();
    c.pointSize = native->font().pointSizeF();
    c.bold = native->font().bold();
  }
  switch (g->Class()) {
  case GADGET_BUTTON:
    controls.buttons.push_back(c);
    break;
  case GADGET_LABEL:
    controls.labels.push_back(c);
    break;
  case GADGET_PANEL:
    if (g->style & PANEL_GROUP)
      controls.groups.push_back(c);
    else if (g->Pixmap())
      controls.pictures.push_back(c);
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
