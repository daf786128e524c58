// The statistics' readings of the record: the figures counted over every finished game's seats
// as they come, as many points of their course as the chart can show, and the finished games a
// page at a time.

#include "store/recorddb.h"

#include <algorithm>
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

// The finished games in the order they ended, which numbers them: from the index on state and end
// alone.
const char* const BY_END = "SELECT id FROM games WHERE state = 1 ORDER BY ended, id";

// Every seat of the finished games, a game's seats one after another: in the order of the table,
// each game looked up by its id, which reads the file from front to back.
const char* const SEATS =
    "SELECT p.game, coalesce(g.ended, g.started), p.seat, p.name, p.computer, "
    "p.level, coalesce(p.total, 0), p.number_bonus, p.pasch_bonus, "
    "p.house_bonus, p.street_bonus "
    "FROM players p JOIN games g ON g.id = p.game WHERE +g.state = 1 "
    "ORDER BY p.game, p.seat";

// The finished games of a page, the one ended last first, with all their seats.
const char* const PAGE = "SELECT g.id, coalesce(g.ended, g.started), p.seat, p.name, p.computer, "
                         "p.level, coalesce(p.total, 0), p.number_bonus, p.pasch_bonus, "
                         "p.house_bonus, p.street_bonus "
                         "FROM (SELECT id, started, ended FROM games WHERE state = 1 "
                         "ORDER BY ended DESC, id DESC LIMIT ? OFFSET ?) g "
                         "JOIN players p ON p.game = g.id ORDER BY g.ended DESC, g.id DESC, p.seat";

// What another program may have written is taken only within what a game can hold: times from
// 1970 to the year 9999, bonuses of three columns, totals far above any game's, so that no sum
// or span of them overflows.
int64_t TimeOf(sqlite3_stmt* st, int column)
{
  return std::clamp<int64_t>(sqlite3_column_int64(st, column), 0, 253402300799999);
}

TStatsRow Row(sqlite3_stmt* st)
{
  TStatsRow row;
  row.game = sqlite3_column_int64(st, 0);
  row.ended = TimeOf(st, 1);
  row.seat = sqlite3_column_int(st, 2);
  row.name = ColumnText(st, 3);
  row.computer = sqlite3_column_int(st, 4) != 0;
  row.level = ColumnText(st, 5);
  row.total = std::clamp(sqlite3_column_int(st, 6), 0, 1000000);
  for (int b = 0; b < BONUS_KINDS; ++b)
    row.bonus[size_t(b)] = std::clamp(sqlite3_column_int(st, 7 + b), 0, 3);
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
  sqlite3_stmt* st = Prepare(BY_END);
  if (!st) return false;
  std::vector<int64_t> byEnd;
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW)
    byEnd.push_back(sqlite3_column_int64(st, 0));
  if (rc != SQLITE_DONE) return false;
  TStatsCounter counter(byEnd);
  byEnd = {};
  // Counted as they come: of a long history only the games' order is held in memory.
  st = Prepare(SEATS);
  if (!st) return false;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW)
    counter.Add(Row(st));
  if (rc != SQLITE_DONE) return false;
  stats = counter.Finish();
  return true;
}
