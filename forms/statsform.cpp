#include "forms/statsform.h"

#include "app/app.h"
#include "app/recorder.h"
#include "forms/analysisform.h"
#include "forms/analysistext.h"
#include "forms/dialog.h"
#include "gui/chart.h"
#include "gui/listbox.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>
#include <algorithm>

namespace
{
constexpr int WIDTH = 700, HEIGHT = 680, MARGIN = 10, TABLE_H = 150, SUMMARY_H = 40, GAMES_H = 96;
constexpr int ANALYSIS_W = 130;
// Finished games in the list at first, and added each time its last line is chosen.
constexpr int PAGE_GAMES = 100;
const char* const OLDER_GAMES = "Ältere Spiele zeigen";

// A decimal comma, and no dot between thousands, as the totals on the sheet are written.
QLocale German()
{
  QLocale locale(QLocale::German, QLocale::Germany);
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale;
}

QString Day(int64_t ms)
{
  return QDateTime::fromMSecsSinceEpoch(ms).toString("dd.MM.yyyy");
}

QString Count(int64_t n, const char* one, const char* many)
{
  return QString::number(n) + " " + QString::fromUtf8(n == 1 ? one : many);
}

// A stretch of time in whole days, hours or minutes, as the dative after "aus" has it (the
// plain plural of days is a word the package checks read as misspelt).
QString Stretch(int64_t ms)
{
  const int64_t minute = 60000, hour = 60 * minute, day = 24 * hour;
  if (ms >= 2 * day) return Count((ms + day / 2) / day, "Tag", "Tagen");
  if (ms >= 2 * hour) return Count((ms + hour / 2) / hour, "Stunde", "Stunden");
  return Count(std::max<int64_t>(1, (ms + minute / 2) / minute), "Minute", "Minuten");
}
} // namespace

QString GameKindText(TGameKind kind)
{
  switch (kind) {
  case TGameKind::Alone:
    return "allein";
  case TGameKind::TwoPeople:
    return "zu zweit";
  case TGameKind::Leicht:
    return "gegen Leicht";
  case TGameKind::Mittel:
    return "gegen Mittel";
  case TGameKind::Stark:
    return "gegen Stark";
  }
  return QString();
}

QString StatsLineText(const TStatsLine& line)
{
  QString text = QString::fromStdString(line.name) + ", " + GameKindText(line.kind) + ": " +
                 Count(line.games, "Spiel", "Spiele") + ", Schnitt " +
                 German().toString(line.Mean(), 'f', 1) + ", bestes " + QString::number(line.best);
  if (line.kind != TGameKind::Alone)
    text += ", " + Count(line.wins, "Sieg", "Siege") + ", " +
            Count(line.losses, "Niederlage", "Niederlagen");
  text += "; Bonus erreicht: Zahlen " + QString::number(line.bonus[0]) + "-mal, Pasch " +
          QString::number(line.bonus[1]) + "-mal, Haus " + QString::number(line.bonus[2]) +
          "-mal, Straße " + QString::number(line.bonus[3]) + "-mal";
  return text;
}

QString StatsSummary(const TStatistics& stats)
{
  if (stats.games == 0) return "Noch kein Spiel beendet.";
  const QLocale de = German();
  const int n = stats.games;
  QString text =
      Count(n, "beendetes Spiel", "beendete Spiele") + " vom " + Day(stats.first) + " bis zum " +
      Day(stats.last) + ": im Schnitt " + de.toString(double(stats.sum) / n, 'f', 1) +
      " Punkte, zuletzt (" + QString::number(std::min(n, STATS_MEAN_WINDOW)) + " Spiele) " +
      de.toString(stats.recent, 'f', 1) + ", bestes Spiel " + QString::number(stats.best) + ".";
  if (stats.stretch)
    text += " Im Diagramm steht jeder Punkt für den Schnitt aus je " + Stretch(stats.stretch) + ".";
  return text;
}

QString FinishedGameText(const std::vector<TStatsRow>& rows)
{
  if (rows.empty()) return QString();
  QStringList seats;
  for (const TStatsRow& row : rows)
    seats << SeatName({row.name, row.computer, row.level}) + " " + QString::number(row.total);
  return QDateTime::fromMSecsSinceEpoch(rows.front().ended).toString("dd.MM.yyyy HH:mm") + ": " +
         seats.join(", ");
}

int TStatsForm::Open(TApp* app)
{
  Window =
      CreateWindow(AppTitle() + " - Statistik", 0, 0, WIDTH, HEIGHT, app->Window, DIALOG_STYLE);
  const int cw = Window->ClientWidth();
  const int ch = Window->ClientHeight();
  Header = CreateLabel("Statistik", MARGIN, MARGIN, cw - 2 * MARGIN, 40, Window, LABEL_CENTER);
  Header->SetFont(Font24);
  int y = MARGIN + 40;
  Table = CreateTextArea(MARGIN, y, cw - 2 * MARGIN, TABLE_H, Window,
                         TEXTAREA_WORDWRAP | TEXTAREA_READONLY);
  SetAccessibleName(Table, "Ergebnisse je Spieler und Spielart");
  y += TABLE_H + MARGIN;
  Games = CreateListBox(MARGIN, y, cw - 3 * MARGIN - ANALYSIS_W, GAMES_H, Window);
  SetAccessibleName(Games, "Beendete Spiele");
  Analysis = CreateButton("Spielanalyse", cw - MARGIN - ANALYSIS_W, y, ANALYSIS_W, 26, Window,
                          BUTTON_PUSH);
  app_ = app;
  ids_.clear();
  lines_.clear();
  ReadGames();
  if (ids_.empty())
    Analysis->SetEnabled(0);
  else
    SelectListLine(Games, 0);
  y += GAMES_H + MARGIN;
  const int chartH = ch - y - SUMMARY_H - 44 - MARGIN;
  Chart = CreateChart(MARGIN, y, cw - 2 * MARGIN, chartH, Window);
  y += chartH + MARGIN / 2;
  Summary = CreateLabel(QString(), MARGIN, y, cw - 2 * MARGIN, SUMMARY_H, Window, LABEL_LEFT);

  TStatistics stats;
  const bool read = app->Record && app->Record->ReadStatistics(stats);
  QString table;
  if (!read) {
    const TRecordProblem problem =
        app->Record ? app->Record->Problem() : TRecordProblem::Unreadable;
    table = problem == TRecordProblem::None ? QString("Die Spielchronik kann nicht gelesen werden.")
                                            : RecordProblemText(problem);
  } else if (stats.lines.empty()) {
    table = "Noch kein Spiel beendet.";
  } else {
    QStringList lines;
    for (const TStatsLine& line : stats.lines)
      lines << StatsLineText(line);
    table = lines.join("\n");
  }
  Table->SetText(table);

  TChartData data;
  data.title = "Gesamtpunkte jedes beendeten Spiels";
  if (stats.stretch) {
    data.valueName = "Gesamtpunkte, Schnitt aus je " + Stretch(stats.stretch);
    data.meanName =
        "gleitender Schnitt aus den letzten " + Stretch(STATS_MEAN_WINDOW * stats.stretch);
  } else {
    data.valueName = "Gesamtpunkte";
    data.meanName = "gleitender Schnitt über " + QString::number(STATS_MEAN_WINDOW) + " Spiele";
  }
  for (const TStatsPoint& point : stats.points) {
    data.x.push_back(point.at);
    data.values.push_back(point.Mean());
  }
  data.means = MovingMean(stats);
  data.summary = read ? StatsSummary(stats) : table;
  SetChartData(Chart, data);
  Summary->SetText(data.summary);
  SetAccessibleName(Summary, data.summary);

  Okay = CreateButton("OK", cw / 2 - 50, ch - 34, 100, 24, Window, BUTTON_OK);
  Okay->Activate(0);
  for (;;) {
    const int id = WaitEvent();
    if (ClosesDialog(id)) break;
    if (id == EVENT_GADGETACTION && EventSource() == Okay) break;
    if (id == EVENT_GADGETSELECT && EventSource() == Games && EventData() == int(ids_.size())) {
      // The last line: the next older games, the first of them chosen.
      const int first = int(ids_.size());
      ReadGames();
      SelectListLine(Games, std::min(first, int(ids_.size()) - 1));
    }
    if (id == EVENT_GADGETACTION && EventSource() == Analysis) {
      const int line = ListSelection(Games);
      std::vector<TAction> actions;
      if (line >= 0 && line < int(ids_.size()) &&
          app->Record->LoadGame(ids_[size_t(line)], actions))
        TAnalysisForm().Open(app, actions, Window);
      else
        TAnalysisForm().Open(app, {}, Window);
    }
  }
  for (TGadget** g : {&Okay, &Analysis, &Games, &Summary, &Chart, &Table, &Header, &Window}) {
    FreeGadget(*g);
    *g = nullptr;
  }
  return 0;
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
    lines_.push_back(FinishedGameText(game));
    ids_.push_back(game.front().game);
  }
  ClearList(Games);
  for (const QString& line : lines_)
    AddListLine(Games, line);
  if (older) AddListLine(Games, QString::fromUtf8(OLDER_GAMES));
}
