#pragma once

// The statistics window: for each person and kind of game the finished games, mean, best,
// wins, losses and bonuses reached, and a chart of every finished game's total over time with
// its moving mean, summed up in words for screen readers, and the list of finished games, each
// of which opens in the analysis window. Opened from "Anzeige > Statistik". A long history is
// read as the chart can show it, and its games a page at a time.

#include "gui/gadget.h"
#include "store/recordstats.h"

#include <QString>
#include <cstdint>
#include <vector>

class TApp;

// The words for a kind of game ("allein", "zu zweit", "gegen Leicht", ...).
QString GameKindText(TGameKind kind);
// One line of the table, and the chart's summary, as the window shows them.
QString StatsLineText(const TStatsLine& line);
QString StatsSummary(const TStatistics& stats);
// A finished game in the list: "14.11.2023 18:02: Anna 3120, Computer (Mittel) 2890". rows: its
// seats in order.
QString FinishedGameText(const std::vector<TStatsRow>& rows);

class TStatsForm
{
public:
  TGadget* Window = nullptr;
  TGadget* Header = nullptr;
  TGadget* Table = nullptr;
  TGadget* Chart = nullptr;
  TGadget* Summary = nullptr;
  TGadget* Games = nullptr;    // the finished games, the last one first
  TGadget* Analysis = nullptr; // "Spielanalyse" of the game chosen there
  TGadget* Okay = nullptr;

  int Open(TApp* app);

private:
  // Adds the next page of older finished games to the list.
  void ReadGames();
  TApp* app_ = nullptr;
  std::vector<int64_t> ids_; // the games of the list's lines
  std::vector<QString> lines_;
};
