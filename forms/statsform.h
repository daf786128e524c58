#pragma once

// The statistics window: a table of the figures of each person and kind of game (games, mean,
// best, wins, losses, win rate and bonuses reached), sortable by a click on a column; a chart of
// every finished game's total by the game's number with its moving mean, a point telling its
// game and date where the pointer rests on it or a click chooses it; a chart of how the totals of
// each kind of game are spread; and the table of finished games, the newest first, each of which
// opens in the analysis window with Enter. Opened from "Anzeige > Statistik". A long history is
// read as the chart can show it, and its games a page at a time.

#include "gui/chart.h"
#include "gui/gadget.h"
#include "store/recordstats.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

class TApp;

// The words for a kind of game ("allein", "zwei Personen", "gegen Leicht", ...).
QString GameKindText(TGameKind kind);
// The figures table's headers, and one line's cells with their sort keys.
QStringList StatsHeaders();
QStringList StatsCells(const TStatsLine& line, std::vector<double>& keys);
// The chart's summary, and what a point of it is.
QString StatsSummary(const TStatistics& stats);
QString StatsPointText(const TStatsPoint& point);
// How the totals of each kind of game are spread, in a few bars.
THistogramData SpreadData(const TStatistics& stats);
// A finished game in the table: its number, when it ended, its kind and each seat's total.
// rows: its seats in order.
QStringList FinishedGameCells(int number, const std::vector<TStatsRow>& rows);

class TStatsForm
{
public:
  TGadget* Window = nullptr;
  TGadget* Empty = nullptr; // the one sentence instead of everything else, when there is nothing
  TGadget* Table = nullptr;
  TGadget* Chart = nullptr;
  TGadget* Spread = nullptr;
  TGadget* Summary = nullptr;
  TGadget* Pointed = nullptr;  // the chart's chosen point
  TGadget* Games = nullptr;    // the finished games, the last one first
  TGadget* Analysis = nullptr; // "Spielanalyse" of the game chosen there
  TGadget* Okay = nullptr;

  int Open(TApp* app);

private:
  void Fill(const TStatistics& stats, bool read);
  void Layout(int width, int height);
  // Adds the next page of older finished games to the list.
  void ReadGames();
  void OpenAnalysis();
  TApp* app_ = nullptr;
  bool nothing_ = true; // no finished game, or the record unreadable
  int numbered_ = 0;
  std::vector<TStatsPoint> points_;
  std::vector<int64_t> ids_; // the games of the table's rows, by tag
  std::vector<QStringList> rows_;
};
