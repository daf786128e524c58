#pragma once

// The statistics window: for each person and kind of game the finished games, mean, best,
// wins, losses and bonuses reached, and a chart of every finished game's total over time with
// its moving mean, summed up in words for screen readers. Opened from "Anzeige > Statistik".

#include "gui/gadget.h"
#include "store/recordstats.h"

#include <QString>

class TApp;

// Games in the chart's moving mean.
constexpr int STATS_MEAN_WINDOW = 10;

// The words for a kind of game ("allein", "zu zweit", "gegen Leicht", ...).
QString GameKindText(TGameKind kind);
// One line of the table, and the chart's summary, as the window shows them.
QString StatsLineText(const TStatsLine& line);
QString StatsSummary(const TStatistics& stats);

class TStatsForm
{
public:
  TGadget* Window = nullptr;
  TGadget* Header = nullptr;
  TGadget* Table = nullptr;
  TGadget* Chart = nullptr;
  TGadget* Summary = nullptr;
  TGadget* Okay = nullptr;

  int Open(TApp* app);
};
