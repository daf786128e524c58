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

TStatsCounter::TStatsCounter(const std::vector<int64_t>& byEnd)
    : stretch_(StatsStretch(int(byEnd.size())))
{
  numbers_.reserve(byEnd.size());
  for (size_t i = 0; i < byEnd.size(); ++i)
    numbers_.emplace_back(byEnd[i], int(i) + 1);
  std::sort(numbers_.begin(), numbers_.end());
  stats_.numbered = int(byEnd.size());
  stats_.stretch = stretch_;
  if (stretch_) runs_.resize(size_t((stats_.numbered - 1) / stretch_ + 1));
}

int TStatsCounter::NumberOf(int64_t game)
{
  // The record hands the games over by id: the next one is a step or two on, no search.
  while (cursor_ < numbers_.size() && numbers_[cursor_].first < game)
    ++cursor_;
  if (cursor_ < numbers_.size() && numbers_[cursor_].first == game) return numbers_[cursor_].second;
  const auto at = std::lower_bound(numbers_.begin(), numbers_.end(), std::make_pair(game, 0));
  cursor_ = size_t(at - numbers_.begin());
  return at != numbers_.end() && at->first == game ? at->second : 0;
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
  // A game the numbering does not know (written meanwhile) counts in the figures only.
  const int number = NumberOf(seats_.front().game);
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
    if (number == 0) continue;
    const TPlaced placed{number, added_++, seat->ended, seat->total};
    if (number > stats_.numbered - STATS_MEAN_WINDOW) recent_.push_back(placed);
    if (!stretch_) {
      placed_.push_back(placed);
      continue;
    }
    // A long history: a point for each run of stretch games.
    TStatsPoint& point = runs_[size_t((number - 1) / stretch_)];
    if (point.games == 0 || number < point.number) {
      point.number = number;
      point.at = seat->ended;
    }
    if (point.games == 0 || number >= point.lastNumber) {
      point.lastNumber = number;
      point.lastAt = seat->ended;
    }
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
  const auto byNumber = [](const TPlaced& a, const TPlaced& b) {
    return a.number != b.number ? a.number < b.number : a.order < b.order;
  };
  std::sort(recent_.begin(), recent_.end(), byNumber);
  const size_t recent = std::min(recent_.size(), size_t(STATS_MEAN_WINDOW));
  int64_t recentSum = 0;
  for (size_t i = recent_.size() - recent; i < recent_.size(); ++i)
    recentSum += recent_[i].total;
  stats.recent = recent ? double(recentSum) / double(recent) : 0.0;
  std::sort(placed_.begin(), placed_.end(), byNumber);
  for (const TPlaced& placed : placed_)
    stats.points.push_back({int(stats.points.size()), placed.number, placed.number, placed.ended,
                            placed.ended, 1, placed.total});
  for (size_t column = 0; column < runs_.size(); ++column) {
    if (runs_[column].games == 0) continue;
    stats.points.push_back(runs_[column]);
    stats.points.back().column = int(column);
  }
  return stats;
}

TStatistics CollectStatistics(const std::vector<TStatsRow>& rows)
{
  std::vector<int64_t> byEnd;
  for (const TStatsRow& row : rows)
    if (byEnd.empty() || byEnd.back() != row.game) byEnd.push_back(row.game);
  TStatsCounter counter(byEnd);
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
