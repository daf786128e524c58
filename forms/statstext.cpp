// The statistics window's words and figures: the cells of its tables, the labels of its chart's
// points and the sentences a screen reader reads of its charts.

#include "forms/analysistext.h"
#include "forms/statsform.h"
#include "gui/table.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <cmath>

namespace
{
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

QString Moment(int64_t ms)
{
  return QDateTime::fromMSecsSinceEpoch(ms).toString("dd.MM.yyyy HH:mm");
}

QString Count(int64_t n, const char* one, const char* many)
{
  return QString::number(n) + " " + QString::fromUtf8(n == 1 ? one : many);
}

// The histogram's bars at most.
constexpr int SPREAD_BARS = 6;

// Where a table has no figure, such as the wins of a game alone.
const char* const NONE = "–";
} // namespace

QString GameKindText(TGameKind kind)
{
  return QString::fromUtf8(GAME_KIND_NAMES[KindIndex(kind)].words);
}

QStringList StatsHeaders()
{
  return {"Spieler",     "Spielart",  "Spiele",       "Schnitt",     "Bestes",     "Siege",
          "Niederlagen", "Siegquote", "Bonus Zahlen", "Bonus Pasch", "Bonus Haus", "Bonus Straße"};
}

QStringList StatsCells(const TStatsLine& line, std::vector<double>& keys)
{
  const QLocale de = German();
  QStringList cells{QString::fromStdString(line.name), GameKindText(line.kind),
                    QString::number(line.games), de.toString(line.Mean(), 'f', 1),
                    QString::number(line.best)};
  keys = {TABLE_NO_KEY, TABLE_NO_KEY, double(line.games), line.Mean(), double(line.best)};
  if (line.kind == TGameKind::Alone) {
    // Alone there is no one to win against: no figure, sorted after every figure.
    for (int i = 0; i < 3; ++i) {
      cells << QString::fromUtf8(NONE);
      keys.push_back(TABLE_NO_KEY);
    }
  } else {
    const double quote = line.games ? 100.0 * line.wins / line.games : 0.0;
    cells << QString::number(line.wins) << QString::number(line.losses)
          << de.toString(quote, 'f', 0) + " %";
    keys.insert(keys.end(), {double(line.wins), double(line.losses), quote});
  }
  for (int bonus : line.bonus) {
    cells << QString::number(bonus);
    keys.push_back(bonus);
  }
  return cells;
}

QString StatsSummary(const TStatistics& stats)
{
  if (stats.games == 0) return "Noch kein Spiel beendet.";
  const QLocale de = German();
  const int n = stats.games;
  // Games, as the chart and the table number them; two persons at one table are two results.
  QString text = Count(std::max(1, stats.numbered), "beendetes Spiel", "beendete Spiele") +
                 " vom " + Day(stats.first) + " bis zum " + Day(stats.last) + ": im Schnitt " +
                 de.toString(double(stats.sum) / n, 'f', 1) + " Punkte, zuletzt (" +
                 Count(std::min(n, STATS_MEAN_WINDOW), "Ergebnis", "Ergebnisse") + ") " +
                 de.toString(stats.recent, 'f', 1) + ", bestes Spiel " +
                 QString::number(stats.best) + ".";
  if (stats.stretch)
    text += " Im Diagramm steht jeder Punkt für den Schnitt aus je " +
            Count(stats.stretch, "Spiel", "Spielen") + ".";
  return text;
}

QString StatsPointText(const TStatsPoint& point)
{
  if (point.number == point.lastNumber)
    return "Spiel " + QString::number(point.number) + " am " + Moment(point.at) + ": " +
           QString::number(point.sum / std::max(1, point.games)) +
           (point.games > 1 ? " Punkte im Schnitt" : " Punkte");
  return "Spiele " + QString::number(point.number) + " bis " + QString::number(point.lastNumber) +
         " vom " + Day(point.at) + " bis zum " + Day(point.lastAt) + ": im Schnitt " +
         German().toString(point.Mean(), 'f', 1) + " Punkte";
}

int SpreadWidth(const TStatistics& stats, int& from, int& bars)
{
  int low = -1, high = -1;
  for (const TStatsSpread& spread : stats.spread) {
    if (spread.empty()) continue;
    low = low < 0 ? spread.begin()->first : std::min(low, spread.begin()->first);
    high = std::max(high, spread.rbegin()->first);
  }
  from = 0;
  bars = 0;
  if (low < 0) return STATS_SPREAD_STEP;
  // The narrowest round width that shows the whole range in a few bars, each named in full.
  static const int widths[] = {10, 20, 25, 50, 100, 200, 250, 500, 1000, 2000, 2500, 5000, 10000};
  const int lowest = low * STATS_SPREAD_STEP, highest = high * STATS_SPREAD_STEP;
  int width = STATS_SPREAD_STEP;
  for (int w : widths) {
    width = w;
    if (highest / w - lowest / w + 1 <= SPREAD_BARS) break;
  }
  // Beyond the widest round width the bars grow by whole steps of it.
  while (highest / width - lowest / width + 1 > SPREAD_BARS)
    width *= 2;
  from = lowest / width * width;
  bars = highest / width - lowest / width + 1;
  return width;
}

THistogramData SpreadData(const TStatistics& stats)
{
  THistogramData data;
  data.title = "Verteilung der Gesamtpunkte je Spielart";
  data.xName = "Gesamtpunkte";
  data.yName = "Ergebnisse";
  int bars = 0;
  data.width = SpreadWidth(stats, data.from, bars);
  QStringList said;
  for (int k = 0; k < GAME_KINDS; ++k) {
    const TStatsSpread& spread = stats.spread[size_t(k)];
    if (spread.empty()) continue;
    THistogramSeries series;
    series.name = QString::fromUtf8(GAME_KIND_NAMES[k].words);
    series.counts.assign(size_t(bars), 0);
    int games = 0;
    for (const auto& [step, count] : spread) {
      const int bar = (step * STATS_SPREAD_STEP - data.from) / data.width;
      if (bar >= 0 && bar < bars) series.counts[size_t(bar)] += count;
      games += count;
    }
    const auto most = std::max_element(series.counts.begin(), series.counts.end());
    const int start = data.from + int(most - series.counts.begin()) * data.width;
    said << series.name + ": " + Count(games, "Ergebnis", "Ergebnisse") + ", die meisten (" +
                QString::number(*most) + ") von " + QString::number(start) + " bis " +
                QString::number(start + data.width - 1) + " Punkte";
    data.series.push_back(std::move(series));
  }
  data.summary =
      "In Stufen zu je " + QString::number(data.width) + " Punkten. " + said.join("; ") + ".";
  return data;
}

QStringList FinishedGameCells(int number, const std::vector<TStatsRow>& rows)
{
  if (rows.empty()) return {};
  QStringList seats;
  for (const TStatsRow& row : rows)
    seats << SeatName({row.name, row.computer, row.level}) + " " + QString::number(row.total);
  return {QString::number(number), Moment(rows.front().ended), GameKindText(KindOfGame(rows)),
          seats.join(", ")};
}
