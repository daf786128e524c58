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

} // namespace

TStatsCounter::TStatsCounter(int64_t first, int64_t last)
    : first_(first), stretch_(StatsStretch(first, last))
{
}

void TStatsCounter::Add(TStatsRow row)
{
  if (!seats_.empty() && seats_.front().game != row.game) AddGame();
  seats_.push_back(std::move(row));
}

void TStatsCounter::AddGame()
{
  if (seats_.empty()) return;
  // Kept from game to game: a long history counts without allocating for each.
  std::vector<const TStatsRow*>& seats = pointers_;
  seats.clear();
  for (const TStatsRow& seat : seats_)
    seats.push_back(&seat);
  const TGameKind kind = KindOf(seats);
  for (const TStatsRow* seat : seats) {
    if (seat->computer) continue;
    TStatsLine& line = lines_[{seat->name, int(kind)}];
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
    stats_.first = stats_.games ? std::min(stats_.first, seat->ended) : seat->ended;
    stats_.last = stats_.games ? std::max(stats_.last, seat->ended) : seat->ended;
    stats_.games += 1;
    stats_.sum += seat->total;
    stats_.best = std::max(stats_.best, seat->total);
    const int column =
        int(std::clamp<int64_t>((seat->ended - first_) / stretch_, 0, STATS_COLUMNS - 1));
    auto& [point, since] = columns_[column];
    point.column = column;
    point.games += 1;
    point.sum += seat->total;
    since += seat->ended - first_;
  }
  seats_.clear();
}

TStatistics TStatsCounter::Finish()
{
  AddGame();
  TStatistics stats = stats_;
  for (auto& [key, line] : lines_)
    stats.lines.push_back(line);
  if (stats.games <= STATS_COLUMNS) return stats;
  stats.stretch = stretch_;
  for (auto& [column, point] : columns_) {
    point.first.at = first_ + point.second / point.first.games;
    stats.points.push_back(point.first);
  }
  return stats;
}

TStatistics CollectStatistics(const std::vector<TStatsRow>& rows)
{
  if (rows.empty()) return TStatistics();
  // The columns span the ends of all finished games, the computer's alone too.
  int64_t first = rows.front().ended, last = rows.front().ended;
  for (const TStatsRow& row : rows) {
    first = std::min(first, row.ended);
    last = std::max(last, row.ended);
  }
  TStatsCounter counter(first, last);
  std::vector<const TStatsRow*> totals; // the persons' seats, in the order the games ended
  for (const TStatsRow& row : rows) {
    counter.Add(row);
    if (!row.computer) totals.push_back(&row);
  }
  TStatistics stats = counter.Finish();
  if (totals.empty()) return stats;
  const size_t recent = std::min(totals.size(), size_t(STATS_MEAN_WINDOW));
  int64_t recentSum = 0;
  for (size_t i = totals.size() - recent; i < totals.size(); ++i)
    recentSum += totals[i]->total;
  stats.recent = double(recentSum) / double(recent);
  if (stats.stretch == 0)
    for (size_t i = 0; i < totals.size(); ++i)
      stats.points.push_back({int(i), totals[i]->ended, 1, totals[i]->total});
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
