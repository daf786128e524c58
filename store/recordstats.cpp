#include "store/recordstats.h"

#include <algorithm>
#include <map>
#include <utility>

namespace
{
TGameKind KindOf(const std::vector<const TStatsRow*>& seats)
{
  if (seats.size() < 2) return TGameKind::Alone;
  for (const TStatsRow* seat : seats) {
    if (!seat->computer) continue;
    if (seat->level == "leicht") return TGameKind::Leicht;
    if (seat->level == "mittel") return TGameKind::Mittel;
    return TGameKind::Stark;
  }
  return TGameKind::TwoPeople;
}

// A person's total in one finished game.
struct TTotal {
  int64_t at = 0;
  int total = 0;
};

void AddGame(const std::vector<const TStatsRow*>& seats,
             std::map<std::pair<std::string, int>, TStatsLine>& lines, std::vector<TTotal>& totals)
{
  if (seats.empty()) return;
  const TGameKind kind = KindOf(seats);
  for (const TStatsRow* seat : seats) {
    if (seat->computer) continue;
    TStatsLine& line = lines[{seat->name, int(kind)}];
    line.name = seat->name;
    line.kind = kind;
    line.games += 1;
    line.sum += seat->total;
    line.best = line.games == 1 ? seat->total : std::max(line.best, seat->total);
    for (size_t b = 0; b < line.bonus.size(); ++b)
      line.bonus[b] += seat->bonus[b];
    for (const TStatsRow* other : seats) {
      if (other == seat) continue;
      if (seat->total > other->total) line.wins += 1;
      if (seat->total < other->total) line.losses += 1;
    }
    totals.push_back({seat->ended, seat->total});
  }
}
} // namespace

TStatistics CollectStatistics(const std::vector<TStatsRow>& rows)
{
  std::map<std::pair<std::string, int>, TStatsLine> lines;
  std::vector<TTotal> totals;
  std::vector<const TStatsRow*> seats;
  for (const TStatsRow& row : rows) {
    if (!seats.empty() && seats.front()->game != row.game) {
      AddGame(seats, lines, totals);
      seats.clear();
    }
    seats.push_back(&row);
  }
  AddGame(seats, lines, totals);
  TStatistics stats;
  for (auto& [key, line] : lines)
    stats.lines.push_back(std::move(line));
  if (totals.empty()) return stats;
  stats.first = totals.front().at;
  stats.last = totals.back().at;
  for (const TTotal& t : totals) {
    stats.games += 1;
    stats.sum += t.total;
    stats.best = std::max(stats.best, t.total);
    stats.first = std::min(stats.first, t.at);
    stats.last = std::max(stats.last, t.at);
  }
  const size_t recent = std::min(totals.size(), size_t(STATS_MEAN_WINDOW));
  int64_t recentSum = 0;
  for (size_t i = totals.size() - recent; i < totals.size(); ++i)
    recentSum += totals[i].total;
  stats.recent = double(recentSum) / double(recent);
  if (totals.size() <= size_t(STATS_COLUMNS)) {
    for (size_t i = 0; i < totals.size(); ++i)
      stats.points.push_back({int(i), totals[i].at, 1, totals[i].total});
    return stats;
  }
  // The columns span the ends of all finished games, the computer's alone too.
  int64_t first = rows.front().ended, last = rows.front().ended;
  for (const TStatsRow& row : rows) {
    first = std::min(first, row.ended);
    last = std::max(last, row.ended);
  }
  stats.stretch = StatsStretch(first, last);
  std::map<int, std::pair<TStatsPoint, int64_t>> columns; // with the sum of the times since first
  for (const TTotal& t : totals) {
    const int column =
        int(std::clamp<int64_t>((t.at - first) / stats.stretch, 0, STATS_COLUMNS - 1));
    auto& [point, since] = columns[column];
    point.column = column;
    point.games += 1;
    point.sum += t.total;
    since += t.at - first;
  }
  for (auto& [column, point] : columns) {
    point.first.at = first + point.second / point.first.games;
    stats.points.push_back(point.first);
  }
  return stats;
}

std::vector<double> MovingMean(const TStatistics& stats)
{
  const std::vector<TStatsPoint>& points = stats.points;
  std::vector<double> means;
  means.reserve(points.size());
  int64_t sum = 0;
  int64_t games = 0;
  size_t from = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    sum += points[i].sum;
    games += points[i].games;
    // Each point one total: the last totals; columns: the last columns of time.
    const int reach =
        stats.stretch ? points[i].column - STATS_MEAN_WINDOW : int(i) - STATS_MEAN_WINDOW;
    while (from < i && (stats.stretch ? points[from].column : int(from)) <= reach) {
      sum -= points[from].sum;
      games -= points[from].games;
      ++from;
    }
    means.push_back(games ? double(sum) / double(games) : 0.0);
  }
  return means;
}
