#pragma once

// The statistics of the finished games in the record: per person and kind of game the games,
// mean, best, wins, losses and bonuses reached, the course of every finished game's total in the
// order the games ended, as many points as the chart can show, and how the totals of each kind of
// game are spread. Pure: the record store
// reads them, the statistics window shows them.

#include <array>
#include <cstdint>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

enum class TGameKind { Alone, TwoPeople, Leicht, Mittel, Stark, Network };

// Every kind of game with its words, in the order the statistics list them: a new kind is a value
// above, a line here and its rule in the counting (recordstats.cpp).
struct TGameKindName {
  TGameKind kind;
  const char* words; // UTF-8
};
inline constexpr TGameKindName GAME_KIND_NAMES[] = {
    {TGameKind::Alone, "allein"},        {TGameKind::TwoPeople, "zwei Personen"},
    {TGameKind::Leicht, "gegen Leicht"}, {TGameKind::Mittel, "gegen Mittel"},
    {TGameKind::Stark, "gegen Stark"},   {TGameKind::Network, "über das Netzwerk"},
};
constexpr int GAME_KINDS = int(std::size(GAME_KIND_NAMES));
// The kind's place in GAME_KIND_NAMES.
constexpr int KindIndex(TGameKind kind)
{
  for (int i = 0; i < GAME_KINDS; ++i)
    if (GAME_KIND_NAMES[i].kind == kind) return i;
  return 0;
}

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
// The chart's points at most, about its width in pixels in the statistics window: a history of
// more finished games than that is read as the mean of each run of games, all the chart can show.
constexpr int STATS_COLUMNS = 600;
// The totals' spread is counted in steps of this many points.
constexpr int STATS_SPREAD_STEP = 10;

// A point of the chart: one person's total in one finished game, or, for a long history, the
// totals of a run of games. The finished games are numbered 1, 2, 3, ... in the order they
// ended.
struct TStatsPoint {
  int column = 0;     // its place: the total's index, or the run's
  int number = 0;     // the game's number, the first of a run
  int lastNumber = 0; // the run's last game's number
  int64_t at = 0;     // when its (first) game ended; milliseconds since 1970
  int64_t lastAt = 0; // when its last game ended
  int games = 0;      // totals in it
  int64_t sum = 0;
  double Mean() const { return games ? double(sum) / games : 0.0; }
  bool operator==(const TStatsPoint&) const = default;
};

// How the persons' totals of one kind of game are spread: step (total / STATS_SPREAD_STEP) to
// the number of totals in it.
using TStatsSpread = std::map<int, int>;

struct TStatistics {
  std::vector<TStatsLine> lines; // by name, then kind
  // Every person's total of every finished game:
  int games = 0;
  int64_t sum = 0;
  int best = 0;
  int64_t first = 0, last = 0; // when the first and the last of them ended
  double recent = 0;           // the mean of the last STATS_MEAN_WINDOW of them
  int numbered = 0;            // finished games
  // The chart, in the order the games ended: each total a point (stretch 0), or for more than
  // STATS_COLUMNS games each run of stretch games a point.
  int64_t stretch = 0;
  std::vector<TStatsPoint> points;
  std::array<TStatsSpread, GAME_KINDS> spread; // by the kind's place in GAME_KIND_NAMES
};

// Counts the figures seat by seat, the seats of a game one after another and the games in any
// order: the rules of the statistics, written once. The computer's seats count only as the
// opponent. byEnd: the finished games' ids in the order they ended, which numbers them 1, 2, 3,
// ... and sets how many games each point of the chart takes.
class TStatsCounter
{
public:
  explicit TStatsCounter(const std::vector<int64_t>& byEnd);
  void Add(TStatsRow row);
  TStatistics Finish();

private:
  // A person's total, where the order of the games places it.
  struct TPlaced {
    int number = 0;
    int order = 0; // the order of adding, which keeps a game's seats in order
    int64_t ended = 0;
    int total = 0;
  };
  void AddGame();
  int NumberOf(int64_t game);
  int64_t stretch_;
  int added_ = 0;
  std::vector<std::pair<int64_t, int>> numbers_; // id and number, by id
  size_t cursor_ = 0;                            // where the last game was found in it
  std::vector<TStatsRow> seats_;
  std::vector<const TStatsRow*> pointers_;
  std::map<std::pair<std::string, int>, TStatsLine> lines_;
  std::vector<TPlaced> placed_;   // a short history's totals
  std::vector<TPlaced> recent_;   // the totals of the last games
  std::vector<TStatsPoint> runs_; // a long history's points, by run
  TStatistics stats_;
};

// The kind of a game with these seats.
TGameKind KindOfGame(const std::vector<TStatsRow>& seats);
// The statistics of every seat of the finished games, ordered by game (in the order the games
// ended), then seat.
TStatistics CollectStatistics(const std::vector<TStatsRow>& rows);
// How many games a point of the chart takes for that many numbered games: 0 for each total a
// point.
inline int64_t StatsStretch(int numbered)
{
  return numbered <= STATS_COLUMNS ? 0 : (numbered + STATS_COLUMNS - 1) / STATS_COLUMNS;
}
// For each point the mean of its totals and those of the points before it within
// STATS_MEAN_WINDOW totals or, for runs, STATS_MEAN_WINDOW runs.
std::vector<double> MovingMean(const TStatistics& stats);
