// The statistics' readings of the record: the figures computed by SQL over every finished game,
// as many points of their course as the chart can show, and the finished games a page at a time.

#include "store/recorddb.h"

#include <algorithm>
#include <map>
#include <sqlite3.h>

namespace
{
std::string ColumnText(sqlite3_stmt* st, int column)
{
  const unsigned char* text = sqlite3_column_text(st, column);
  return text ? std::string(reinterpret_cast<const char*>(text),
                            size_t(sqlite3_column_bytes(st, column)))
              : std::string();
}

// When the first and the last finished game ended.
const char* const SPAN = "SELECT (SELECT min(ended) FROM games WHERE state = 1), "
                         "(SELECT max(ended) FROM games WHERE state = 1)";

// Both give, per column of time, person and kind of game: the games, the sum, best, wins and
// losses of the totals, the bonuses, the times of the games' ends less the first (summed), the
// first and last of them, and whether a seat other than 0 and 1 was seen. Parameters: the first
// game's end, the stretch of a column, the columns.
//
// The game's own games have one or two seats, 0 and 1: a person's opponent, if any, is the other
// seat. Players are read in the order of the table, each game looked up by its id.
const char* const FIGURES_PAIRS = R"(
SELECT max(0, min(?3 - 1, (coalesce(g.ended, g.started) - ?1) / ?2)), p.name,
  CASE WHEN o.seat IS NULL THEN 0 WHEN o.computer = 0 THEN 1 WHEN o.level = 'leicht' THEN 2
       WHEN o.level = 'mittel' THEN 3 ELSE 4 END,
  count(*), sum(coalesce(p.total, 0)), max(coalesce(p.total, 0)),
  sum(o.seat IS NOT NULL AND coalesce(o.total, 0) < coalesce(p.total, 0)),
  sum(o.seat IS NOT NULL AND coalesce(o.total, 0) > coalesce(p.total, 0)),
  sum(p.number_bonus), sum(p.pasch_bonus), sum(p.house_bonus), sum(p.street_bonus),
  sum(coalesce(g.ended, g.started) - ?1), min(coalesce(g.ended, g.started)),
  max(coalesce(g.ended, g.started)), max(p.seat NOT IN (0, 1) OR o.seat NOT IN (0, 1))
FROM players p JOIN games g ON g.id = p.game
  LEFT JOIN players o ON o.game = p.game AND o.seat <> p.seat
WHERE +g.state = 1 AND p.computer = 0
GROUP BY 1, 2, 3)";

// Any number of seats: each person against every other seat, the kind of game by the first
// computer's seat.
const char* const FIGURES_SEATS = R"(
SELECT max(0, min(?3 - 1, (s.at - ?1) / ?2)), s.name,
  CASE WHEN s.seats < 2 THEN 0 WHEN s.versus IS NULL THEN 1 WHEN s.versus = 'leicht' THEN 2
       WHEN s.versus = 'mittel' THEN 3 ELSE 4 END,
  count(*), sum(s.total), max(s.total), sum(s.won), sum(s.lost),
  sum(s.b0), sum(s.b1), sum(s.b2), sum(s.b3), sum(s.at - ?1), min(s.at), max(s.at), 0
FROM (SELECT p.name AS name, coalesce(p.total, 0) AS total, p.number_bonus AS b0,
        p.pasch_bonus AS b1, p.house_bonus AS b2, p.street_bonus AS b3,
        coalesce(g.ended, g.started) AS at, count(*) AS seats,
        (SELECT c.level FROM players c WHERE c.game = p.game AND c.computer <> 0
         ORDER BY c.seat LIMIT 1) AS versus,
        sum(coalesce(o.total, 0) < coalesce(p.total, 0)) AS won,
        sum(coalesce(o.total, 0) > coalesce(p.total, 0)) AS lost
      FROM players p JOIN games g ON g.id = p.game JOIN players o ON o.game = p.game
      WHERE +g.state = 1 AND p.computer = 0
      GROUP BY p.game, p.seat) s
GROUP BY 1, 2, 3)";

// Every person's total in the order the games ended, for a history short enough to show each.
const char* const TOTALS = "SELECT coalesce(g.ended, g.started), coalesce(p.total, 0) "
                           "FROM games g JOIN players p ON p.game = g.id "
                           "WHERE g.state = 1 AND p.computer = 0 "
                           "ORDER BY g.ended, g.id, p.seat LIMIT ?";

// The last totals, the last first.
const char* const RECENT = "SELECT coalesce(p.total, 0) "
                           "FROM games g JOIN players p ON p.game = g.id "
                           "WHERE g.state = 1 AND p.computer = 0 "
                           "ORDER BY g.ended DESC, g.id DESC, p.seat DESC LIMIT ?";

// The finished games of a page, the one ended last first, with all their seats.
const char* const PAGE = "SELECT g.id, coalesce(g.ended, g.started), p.seat, p.name, p.computer, "
                         "p.level, coalesce(p.total, 0), p.number_bonus, p.pasch_bonus, "
                         "p.house_bonus, p.street_bonus "
                         "FROM (SELECT id, started, ended FROM games WHERE state = 1 "
                         "ORDER BY ended DESC, id DESC LIMIT ? OFFSET ?) g "
                         "JOIN players p ON p.game = g.id ORDER BY g.ended DESC, g.id DESC, p.seat";

TStatsRow Row(sqlite3_stmt* st)
{
  TStatsRow row;
  row.game = sqlite3_column_int64(st, 0);
  row.ended = sqlite3_column_int64(st, 1);
  row.seat = sqlite3_column_int(st, 2);
  row.name = ColumnText(st, 3);
  row.computer = sqlite3_column_int(st, 4) != 0;
  row.level = ColumnText(st, 5);
  row.total = sqlite3_column_int(st, 6);
  for (int b = 0; b < BONUS_KINDS; ++b)
    row.bonus[size_t(b)] = sqlite3_column_int(st, 7 + b);
  return row;
}
} // namespace

bool TRecordDb::StatsRows(std::vector<TStatsRow>& rows)
{
  rows.clear();
  sqlite3_stmt* st =
      Prepare("SELECT g.id, coalesce(g.ended, g.started), p.seat, p.name, p.computer, p.level, "
              "coalesce(p.total, 0), p.number_bonus, p.pasch_bonus, p.house_bonus, p.street_bonus "
              "FROM games g JOIN players p ON p.game = g.id WHERE g.state = 1 "
              "ORDER BY g.ended, g.id, p.seat");
  if (!st) return false;
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW)
    rows.push_back(Row(st));
  return rc == SQLITE_DONE;
}

bool TRecordDb::FinishedPage(int skip, int count, std::vector<TStatsRow>& rows)
{
  rows.clear();
  sqlite3_stmt* st = Prepare(PAGE);
  if (!st) return false;
  sqlite3_bind_int(st, 1, count);
  sqlite3_bind_int(st, 2, skip);
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW)
    rows.push_back(Row(st));
  return rc == SQLITE_DONE;
}

bool TRecordDb::ReadStatistics(TStatistics& stats)
{
  stats = TStatistics();
  sqlite3_stmt* st = Prepare(SPAN);
  if (!st) return false;
  int rc = sqlite3_step(st);
  if (rc != SQLITE_ROW) return false;
  const int64_t first = sqlite3_column_int64(st, 0), last = sqlite3_column_int64(st, 1);
  // Left unfinished, the statement would hold its read of the record open.
  sqlite3_reset(st);
  const int64_t stretch = StatsStretch(first, last);
  std::map<std::pair<std::string, int>, TStatsLine> lines;
  std::map<int, std::pair<TStatsPoint, int64_t>> columns; // with the sum of the times since first
  bool otherSeats = false;
  for (const char* sql : {FIGURES_PAIRS, FIGURES_SEATS}) {
    st = Prepare(sql);
    if (!st) return false;
    sqlite3_bind_int64(st, 1, first);
    sqlite3_bind_int64(st, 2, stretch);
    sqlite3_bind_int(st, 3, STATS_COLUMNS);
    lines.clear();
    columns.clear();
    stats.games = 0;
    stats.sum = 0;
    stats.best = 0;
    otherSeats = false;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
      const int column = sqlite3_column_int(st, 0);
      const std::string name = ColumnText(st, 1);
      const int kind = std::clamp(sqlite3_column_int(st, 2), 0, GAME_KINDS - 1);
      const int games = sqlite3_column_int(st, 3);
      const int64_t sum = sqlite3_column_int64(st, 4);
      const int best = sqlite3_column_int(st, 5);
      TStatsLine& line = lines[{name, kind}];
      line.best = line.games ? std::max(line.best, best) : best;
      line.name = name;
      line.kind = TGameKind(kind);
      line.games += games;
      line.sum += sum;
      line.wins += sqlite3_column_int(st, 6);
      line.losses += sqlite3_column_int(st, 7);
      for (int b = 0; b < BONUS_KINDS; ++b)
        line.bonus[size_t(b)] += sqlite3_column_int(st, 8 + b);
      auto& [point, since] = columns[column];
      point.column = column;
      point.games += games;
      point.sum += sum;
      since += sqlite3_column_int64(st, 12);
      const int64_t from = sqlite3_column_int64(st, 13), to = sqlite3_column_int64(st, 14);
      stats.first = stats.games ? std::min(stats.first, from) : from;
      stats.last = stats.games ? std::max(stats.last, to) : to;
      stats.games += games;
      stats.sum += sum;
      stats.best = std::max(stats.best, best);
      otherSeats = otherSeats || sqlite3_column_int(st, 15) != 0;
    }
    if (rc != SQLITE_DONE) return false;
    // A record written by another program may seat more than two: counted seat by seat.
    if (!otherSeats) break;
  }
  for (auto& [key, line] : lines)
    stats.lines.push_back(std::move(line));
  if (stats.games == 0) return true;

  st = Prepare(RECENT);
  if (!st) return false;
  sqlite3_bind_int(st, 1, STATS_MEAN_WINDOW);
  int64_t recentSum = 0;
  int recent = 0;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    recentSum += sqlite3_column_int(st, 0);
    ++recent;
  }
  if (rc != SQLITE_DONE) return false;
  stats.recent = recent ? double(recentSum) / double(recent) : 0.0;

  if (stats.games > STATS_COLUMNS) {
    stats.stretch = stretch;
    for (auto& [column, point] : columns) {
      point.first.at = first + point.second / point.first.games;
      stats.points.push_back(point.first);
    }
    return true;
  }
  st = Prepare(TOTALS);
  if (!st) return false;
  sqlite3_bind_int(st, 1, STATS_COLUMNS);
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    const int total = sqlite3_column_int(st, 1);
    stats.points.push_back({int(stats.points.size()), sqlite3_column_int64(st, 0), 1, total});
  }
  return rc == SQLITE_DONE;
}
