#pragma once

// The statistics of the finished games in the record: per person and kind of game the games,
// mean, best, wins, losses and bonuses reached, and the course of every finished game's total
// in the order the games ended, as many points as the chart can show. Pure: the record store
// reads them, the statistics window shows them.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

enum class TGameKind { Alone, TwoPeople, Leicht, Mittel, Stark };
constexpr int GAME_KINDS = 5;

// The bonuses counted, in this order: number bonus, "Pasch", "Haus", "Straße".
constexpr int BONUS_KINDS = 4;
using TBonusCounts = std::array<int, BONUS_KINDS>;

// One seat of one finished game, as the record holds it.
struct TStatsRow {
  int64_t game = 0;
  int64_t ended = 0; // milliseconds since 1970
  int seat = 0;
  std::string name;
  bool computer = false;
  std::string level;
  int total = 0;
  TBonusCounts bonus{};
};

struct TStatsLine {
  std::string name;
  TGameKind kind = TGameKind::Alone;
  int games = 0, wins = 0, losses = 0, best = 0;
  int64_t sum = 0;
  TBonusCounts bonus{}; // columns that reached each bonus, over all these games
  double Mean() const { return games ? double(sum) / games : 0.0; }
};

// Totals in the chart's moving mean, and in the last stretch the summary names.
constexpr int STATS_MEAN_WINDOW = 10;
// The chart's columns, about its width in pixels in the statistics window: a history of more
// totals than that is read as the mean of each column's stretch of time, all the chart can show.
constexpr int STATS_COLUMNS = 600;

// A point of the chart: one person's total in one finished game, or, for a long history, the
// totals of the games that ended within one column's stretch of time.
struct TStatsPoint {
  int column = 0; // its place: the total's index, or the column of time
  int64_t at = 0; // when its games ended, on average; milliseconds since 1970
  int games = 0;
  int64_t sum = 0;
  double Mean() const { return games ? double(sum) / games : 0.0; }
  bool operator==(const TStatsPoint&) const = default;
};

struct TStatistics {
  std::vector<TStatsLine> lines; // by name, then kind
  // Every person's total of every finished game:
  int games = 0;
  int64_t sum = 0;
  int best = 0;
  int64_t first = 0, last = 0; // when the first and the last of them ended
  double recent = 0;           // the mean of the last STATS_MEAN_WINDOW of them
  // The chart, in the order the games ended: each total a point (stretch 0), or for more than
  // STATS_COLUMNS totals each column a point, stretch milliseconds long.
  int64_t stretch = 0;
  std::vector<TStatsPoint> points;
};

// Counts the figures seat by seat, the seats of a game one after another and the games in any
// order: the rules of the statistics, written once. The computer's seats count only as the
// opponent. first and last: when the first and the last finished game ended, which places the
// chart's columns.
class TStatsCounter
{
public:
  TStatsCounter(int64_t first, int64_t last);
  void Add(TStatsRow row);
  // The lines and the totals' figures; for more totals than STATS_COLUMNS also the chart's
  // points, a column each. recent, and each total's point of a shorter history, depend on the
  // order of the games, which the caller knows.
  TStatistics Finish();

private:
  void AddGame();
  int64_t first_, stretch_;
  std::vector<TStatsRow> seats_;
  std::vector<const TStatsRow*> pointers_;
  std::map<std::pair<std::string, int>, TStatsLine> lines_;
  std::map<int, std::pair<TStatsPoint, int64_t>> columns_; // with the times since first, summed
  TStatistics stats_;
};

// The statistics of every seat of the finished games, ordered by game (in the order the games
// ended), then seat.
TStatistics CollectStatistics(const std::vector<TStatsRow>& rows);
// How long a column's stretch of time is when the finished games ended from first to last; the
// column of a game that ended at is (at - first) / stretch, at most STATS_COLUMNS - 1.
inline int64_t StatsStretch(int64_t first, int64_t last)
{
  return (last - first) / STATS_COLUMNS + 1;
}
// For each point the mean of its totals and those of the points before it within
// STATS_MEAN_WINDOW totals or, for columns, STATS_MEAN_WINDOW columns.
std::vector<double> MovingMean(const TStatistics& stats);
