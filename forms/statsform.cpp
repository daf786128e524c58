#include "forms/statsform.h"

#include "app/app.h"
#include "app/recorder.h"
#include "forms/analysisform.h"
#include "forms/dialog.h"
#include "gui/table.h"
#include "gui/windowsize.h"

#include <algorithm>

namespace
{
constexpr int WIDTH = 900, HEIGHT = 720, MARGIN = 10, SUMMARY_H = 36, POINTED_H = 20;
constexpr int GAMES_H = 150, BUTTON_W = 130, BUTTON_H = 26, OK_W = 100, OK_H = 24;
constexpr int LEAST_W = 640, LEAST_H = 600, LEAST_CHART_H = 120, ROW_H = 21, HEADER_H = 30;
// Finished games in the table at first, and added each time its last row is chosen.
constexpr int PAGE_GAMES = 100;
// The tag of the row that brings older games.
constexpr int OLDER_ROW = 1 << 30;
const char* const OLDER_GAMES = "Ältere Spiele zeigen";
} // namespace

int TStatsForm::Open(TApp* app)
{
  app_ = app;
  Window = CreateWindow(AppTitle() + " - Statistik", 0, 0, WIDTH, HEIGHT, app->Window,
                        DIALOG_STYLE | WINDOW_RESIZABLE);
  // Smaller, the charts and the games' table would have no room left; the figures scroll.
  SetMinimumClientSize(Window, LEAST_W, LEAST_H);
  Empty = CreateLabel(QString(), 0, 0, 10, 10, Window, LABEL_CENTER);
  Table = CreateTable(0, 0, 10, 10, Window);
  SetAccessibleName(Table, "Ergebnisse je Spieler und Spielart");
  SetTableColumns(Table, StatsHeaders(), true);
  Chart = CreateChart(0, 0, 10, 10, Window);
  Spread = CreateChart(0, 0, 10, 10, Window);
  Summary = CreateLabel(QString(), 0, 0, 10, 10, Window, LABEL_LEFT);
  Pointed = CreateLabel(QString(), 0, 0, 10, 10, Window, LABEL_LEFT);
  SetAccessibleName(Pointed, "Gewählter Punkt");
  SetAccessibleLive(Pointed);
  Games = CreateTable(0, 0, 10, 10, Window);
  SetAccessibleName(Games, "Beendete Spiele");
  SetTableColumns(Games, {"Nr.", "Beendet", "Spielart", "Ergebnis"}, false);
  Analysis = CreateButton("Spielanalyse", 0, 0, 10, 10, Window, BUTTON_PUSH);
  SetAccessibleDescription(Analysis, "des gewählten Spiels; auch mit der Eingabetaste");
  Okay = CreateButton("OK", 0, 0, 10, 10, Window, BUTTON_OK);

  TStatistics stats;
  const bool read = app->Record && app->Record->ReadStatistics(stats);
  Fill(stats, read);
  ids_.clear();
  rows_.clear();
  if (!nothing_) ReadGames();
  if (ids_.empty())
    Analysis->SetEnabled(0);
  else
    SelectTableRow(Games, 0);
  // Wide enough for every column of the figures, as far as the screen allows.
  const int wide = std::max(WIDTH, TableWidthNeeded(Table) + 2 * MARGIN);
  const int width = std::min(wide, std::max(WIDTH, Desktop()->ClientWidth() - 40));
  if (width != WIDTH)
    Window->SetShape(Window->xpos - (width - WIDTH) / 2, Window->ypos, width, Window->height);
  Layout(Window->ClientWidth(), Window->ClientHeight());
  Okay->Activate(0);

  for (;;) {
    const int id = WaitEvent();
    if (ClosesDialog(id)) break;
    TGadget* source = EventSource();
    if (id == EVENT_GADGETACTION && source == Okay) break;
    if (id == EVENT_WINDOWSIZE && source == Window) Layout(EventX(), EventY());
    if (id == EVENT_GADGETSELECT && source == Games && EventData() == OLDER_ROW) {
      // The last row: the next older games, the first of them chosen.
      const int first = int(ids_.size());
      ReadGames();
      SelectTableRow(Games, std::min(first, int(ids_.size()) - 1));
    }
    if (id == EVENT_GADGETSELECT && source == Chart && EventData() >= 0 &&
        EventData() < int(points_.size())) {
      // The chosen point says what it is; its game, where the table holds it, is chosen there.
      const TStatsPoint& point = points_[size_t(EventData())];
      Pointed->SetText(StatsPointText(point));
      SetAccessibleDescription(Pointed, Pointed->GetText());
      AnnounceLive(Pointed);
      const int row = numbered_ - point.number;
      if (row >= 0 && row < int(ids_.size())) SelectTableRow(Games, row);
    }
    if ((id == EVENT_GADGETACTION && source == Analysis) ||
        (id == EVENT_GADGETACTION && source == Games && EventData() >= 0 &&
         EventData() < int(ids_.size())))
      OpenAnalysis();
    if (id == EVENT_GADGETACTION && source == Games && EventData() == OLDER_ROW) {
      const int first = int(ids_.size());
      ReadGames();
      SelectTableRow(Games, std::min(first, int(ids_.size()) - 1));
    }
  }
  for (TGadget** g :
       {&Okay, &Analysis, &Games, &Pointed, &Summary, &Spread, &Chart, &Table, &Empty, &Window}) {
    FreeGadget(*g);
    *g = nullptr;
  }
  return 0;
}

void TStatsForm::Fill(const TStatistics& stats, bool read)
{
  nothing_ = !read || stats.lines.empty();
  numbered_ = stats.numbered;
  points_ = stats.points;
  if (!read) {
    const TRecordProblem problem =
        app_->Record ? app_->Record->Problem() : TRecordProblem::Unreadable;
    Empty->SetText(problem == TRecordProblem::None
                       ? QString("Die Spielchronik kann nicht gelesen werden.")
                       : RecordProblemText(problem));
  } else {
    Empty->SetText(StatsSummary(stats)); // "Noch kein Spiel beendet."
  }
  SetAccessibleName(Empty, Empty->GetText());
  // The charts get their words even when hidden: a screen reader, or the chart's place without
  // the chart module, say them the same.
  for (size_t i = 0; i < stats.lines.size(); ++i) {
    std::vector<double> keys;
    const QStringList cells = StatsCells(stats.lines[i], keys);
    AddTableRow(Table, int(i), cells, keys);
  }

  TChartData data;
  data.title = "Gesamtpunkte jedes beendeten Spiels";
  data.xName = "Spiel Nr.";
  if (stats.stretch) {
    data.valueName = "Schnitt aus je " + QString::number(stats.stretch) + " Spielen";
    data.meanName = "gleitender Schnitt über die letzten " +
                    QString::number(STATS_MEAN_WINDOW * stats.stretch) + " Spiele";
  } else {
    data.valueName = "Gesamtpunkte";
    data.meanName = "gleitender Schnitt über " + QString::number(STATS_MEAN_WINDOW) + " Spiele";
  }
  for (const TStatsPoint& point : stats.points) {
    data.x.push_back(point.number);
    data.values.push_back(point.Mean());
    data.labels.push_back(StatsPointText(point));
  }
  data.means = MovingMean(stats);
  data.summary = read ? StatsSummary(stats) : Empty->GetText();
  SetChartData(Chart, data);
  Summary->SetText(data.summary);
  SetAccessibleName(Summary, data.summary);
  Pointed->SetText("Ein Punkt des Diagramms nennt Spiel und Datum, wenn man auf ihn zeigt.");
  SetHistogramData(Spread, SpreadData(stats));
}

void TStatsForm::Layout(int width, int height)
{
  const int inner = std::max(200, width - 2 * MARGIN);
  Okay->SetShape(width / 2 - OK_W / 2, height - OK_H - MARGIN, OK_W, OK_H);
  for (TGadget* g : {Table, Chart, Spread, Summary, Pointed, Games, Analysis})
    g->SetShow(nothing_ ? 0 : 1);
  Empty->SetShow(nothing_ ? 1 : 0);
  if (nothing_) {
    Empty->SetShape(MARGIN, MARGIN, inner, std::max(40, height - OK_H - 3 * MARGIN));
    return;
  }
  int y = MARGIN;
  // The figures whole, up to eight rows; more scroll.
  const int tableH = std::clamp(TableRows(Table), 1, 8) * ROW_H + HEADER_H;
  Table->SetShape(MARGIN, y, inner, tableH);
  y += tableH + MARGIN;
  const int bottom = height - OK_H - 2 * MARGIN;
  const int gamesY = bottom - GAMES_H;
  const int chartH = std::max(LEAST_CHART_H, gamesY - MARGIN - POINTED_H - SUMMARY_H - y);
  // The histogram's legend stands beside its bars: it takes the larger part.
  const int spreadW = (inner - MARGIN) * 11 / 20;
  Chart->SetShape(MARGIN, y, inner - MARGIN - spreadW, chartH);
  Spread->SetShape(MARGIN + inner - spreadW, y, spreadW, chartH);
  y += chartH;
  Summary->SetShape(MARGIN, y, inner, SUMMARY_H);
  y += SUMMARY_H;
  Pointed->SetShape(MARGIN, y, inner, POINTED_H);
  Games->SetShape(MARGIN, std::max(y + POINTED_H, gamesY), inner - MARGIN - BUTTON_W, GAMES_H);
  Analysis->SetShape(MARGIN + inner - BUTTON_W, std::max(y + POINTED_H, gamesY), BUTTON_W,
                     BUTTON_H);
}

void TStatsForm::ReadGames()
{
  // One more than a page tells whether older games follow.
  std::vector<TStatsRow> rows;
  if (!app_->Record || !app_->Record->FinishedGames(int(ids_.size()), PAGE_GAMES + 1, rows)) return;
  std::vector<std::vector<TStatsRow>> games;
  for (const TStatsRow& row : rows) {
    if (games.empty() || games.back().front().game != row.game) games.emplace_back();
    games.back().push_back(row);
  }
  const bool older = games.size() > size_t(PAGE_GAMES);
  games.resize(std::min(games.size(), size_t(PAGE_GAMES)));
  for (const std::vector<TStatsRow>& game : games) {
    // The newest game has the highest number, as the chart counts them.
    rows_.push_back(FinishedGameCells(numbered_ - int(ids_.size()), game));
    ids_.push_back(game.front().game);
  }
  ClearTable(Games);
  for (size_t i = 0; i < rows_.size(); ++i)
    AddTableRow(Games, int(i), rows_[i]);
  if (older) AddTableRow(Games, OLDER_ROW, {QString(), QString::fromUtf8(OLDER_GAMES)});
}

void TStatsForm::OpenAnalysis()
{
  const int row = TableSelection(Games);
  std::vector<TAction> actions;
  if (row >= 0 && row < int(ids_.size()) && app_->Record->LoadGame(ids_[size_t(row)], actions))
    TAnalysisForm().Open(app_, actions, Window);
  else
    TAnalysisForm().Open(app_, {}, Window);
}
