#include "store/recordstats.h"

#include "store/recordlog.h"

#include <algorithm>
#include <map>
#include <utility>

namespace
{
TGameKind KindOf(const std::vector<const TStatsRow*>& seats)
{
  if (seats.size() < 2) return TGameKind::Alone;
  // Over the network the seat played at the other computer is marked.
  for (const TStatsRow* seat : seats)
    if (!seat->computer && seat->level == NETWORK_SEAT) return TGameKind::Network;
  for (const TStatsRow* seat : seats) {
    if (!seat->computer) continue;
    if (seat->level == "leicht") return TGameKind::Leicht;
    if (seat->level == "mittel") return TGameKind::Mittel;
    return TGameKind::Stark;
  }
  return TGameKind::TwoPeople;
}
} // namespace

TGameKind KindOfGame(const std::vector<TStatsRow>& seats)
{
  std::vector<const TStatsRow*> pointers;
  for (const TStatsRow& seat : seats)
    pointers.push_back(&seat);
  return KindOf(pointers);
}

TStatsCounter::TStatsCounter(int numbered) : stretch_(StatsStretch(numbered))
{
  stats_.numbered = numbered;
  stats_.stretch = stretch_;
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
  bool person = false;
  for (const TStatsRow& seat : seats_) {
    seats.push_back(&seat);
    person = person || !seat.computer;
  }
  const TGameKind kind = KindOf(seats);
  const int number = person ? ++number_ : number_;
  for (const TStatsRow* seat : seats) {
    if (seat->computer) continue;
    TStatsLine& line = lines_[{seat->name, KindIndex(kind)}];
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
    stats_.spread[size_t(KindIndex(kind))][seat->total / STATS_SPREAD_STEP] += 1;
    recent_.push_back(seat->total);
    if (recent_.size() > size_t(STATS_MEAN_WINDOW)) recent_.pop_front();
    // A short history: each total a point; a long one: a point for each run of stretch games.
    const int column = stretch_ ? int((number - 1) / stretch_) : int(stats_.points.size());
    if (stats_.points.empty() || stats_.points.back().column != column) {
      TStatsPoint point;
      point.column = column;
      point.number = number;
      point.at = seat->ended;
      stats_.points.push_back(point);
    }
    TStatsPoint& point = stats_.points.back();
    point.lastNumber = number;
    point.lastAt = seat->ended;
    point.games += 1;
    point.sum += seat->total;
  }
  seats_.clear();
}

TStatistics TStatsCounter::Finish()
{
  AddGame();
  TStatistics stats = stats_;
  for (auto& [key, line] : lines_)
    stats.lines.push_back(line);
  int64_t recentSum = 0;
  for (int total : recent_)
    recentSum += total;
  stats.recent = recent_.empty() ? 0.0 : double(recentSum) / double(recent_.size());
  return stats;
}

int NumberedGames(const std::vector<TStatsRow>& rows)
{
  int numbered = 0;
  for (size_t i = 0; i < rows.size();) {
    bool person = false;
    const int64_t game = rows[i].game;
    for (; i < rows.size() && rows[i].game == game; ++i)
      person = person || !rows[i].computer;
    numbered += person ? 1 : 0;
  }
  return numbered;
}

TStatistics CollectStatistics(const std::vector<TStatsRow>& rows)
{
  TStatsCounter counter(NumberedGames(rows));
  for (const TStatsRow& row : rows)
    counter.Add(row);
  return counter.Finish();
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
    // Each point one total: the last totals; runs: the last runs of games.
    const int reach = points[i].column - STATS_MEAN_WINDOW;
    while (from < i && points[from].column <= reach) {
      sum -= points[from].sum;
      games -= points[from].games;
      ++from;
    }
    means.push_back(games ? double(sum) / double(games) : 0.0);
  }
  return means;
}
