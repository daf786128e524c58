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

QString Count(int n, const char* one, const char* many)
{
  return QString::number(n) + " " + QString::fromUtf8(n == 1 ? one : many);
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
  if (stats.games.empty()) return "Noch kein Spiel beendet.";
  std::vector<int> totals;
  int best = 0;
  int64_t sum = 0;
  for (const TStatsGame& game : stats.games) {
    totals.push_back(game.total);
    best = std::max(best, game.total);
    sum += game.total;
  }
  const std::vector<double> means = MovingMean(totals, STATS_MEAN_WINDOW);
  const QLocale de = German();
  const int n = int(totals.size());
  return Count(n, "beendetes Spiel", "beendete Spiele") + " vom " + Day(stats.games.front().ended) +
         " bis zum " + Day(stats.games.back().ended) + ": im Schnitt " +
         de.toString(double(sum) / n, 'f', 1) + " Punkte, zuletzt (" +
         QString::number(std::min(n, STATS_MEAN_WINDOW)) + " Spiele) " +
         de.toString(means.back(), 'f', 1) + ", bestes Spiel " + QString::number(best) + ".";
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
  // The games by id, the one ended last first, as the list shows them.
  std::vector<int64_t> ids;
  std::vector<TStatsRow> rows;
  if (app->Record && app->Record->FinishedGames(rows)) {
    std::vector<std::vector<TStatsRow>> games;
    for (const TStatsRow& row : rows) {
      if (games.empty() || games.back().front().game != row.game) games.emplace_back();
      games.back().push_back(row);
    }
    std::stable_sort(games.begin(), games.end(), [](const auto& a, const auto& b) {
      return a.front().ended > b.front().ended;
    });
    for (const std::vector<TStatsRow>& game : games) {
      AddListLine(Games, FinishedGameText(game));
      ids.push_back(game.front().game);
    }
  }
  if (ids.empty())
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
  data.valueName = "Gesamtpunkte";
  data.meanName = "gleitender Schnitt über " + QString::number(STATS_MEAN_WINDOW) + " Spiele";
  std::vector<int> totals;
  for (const TStatsGame& game : stats.games) {
    data.x.push_back(game.ended);
    data.values.push_back(game.total);
    totals.push_back(game.total);
  }
  data.means = MovingMean(totals, STATS_MEAN_WINDOW);
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
    if (id == EVENT_GADGETACTION && EventSource() == Analysis) {
      const int line = ListSelection(Games);
      std::vector<TAction> actions;
      if (line >= 0 && line < int(ids.size()) && app->Record->LoadGame(ids[size_t(line)], actions))
        TAnalysisForm().Open(app, actions);
      else
        TAnalysisForm().Open(app, {});
    }
  }
  for (TGadget** g : {&Okay, &Analysis, &Games, &Summary, &Chart, &Table, &Header, &Window}) {
    FreeGadget(*g);
    *g = nullptr;
  }
  return 0;
}
