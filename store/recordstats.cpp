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

void AddGame(const std::vector<const TStatsRow*>& seats,
             std::map<std::pair<std::string, int>, TStatsLine>& lines,
             std::vector<TStatsGame>& games)
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
    games.push_back({seat->ended, seat->name, kind, seat->total});
  }
}
} // namespace

TStatistics CollectStatistics(const std::vector<TStatsRow>& rows)
{
  std::map<std::pair<std::string, int>, TStatsLine> lines;
  TStatistics stats;
  std::vector<const TStatsRow*> seats;
  for (const TStatsRow& row : rows) {
    if (!seats.empty() && seats.front()->game != row.game) {
      AddGame(seats, lines, stats.games);
      seats.clear();
    }
    seats.push_back(&row);
  }
  AddGame(seats, lines, stats.games);
  for (auto& [key, line] : lines)
    stats.lines.push_back(std::move(line));
  return stats;
}

std::vector<double> MovingMean(const std::vector<int>& values, int window)
{
  std::vector<double> means;
  means.reserve(values.size());
  int64_t sum = 0;
  for (size_t i = 0; i < values.size(); ++i) {
    sum += values[i];
    if (window > 0 && i >= size_t(window)) sum -= values[i - size_t(window)];
    const size_t n = window > 0 ? std::min(i + 1, size_t(window)) : i + 1;
    means.push_back(double(sum) / double(n));
  }
  return means;
}
