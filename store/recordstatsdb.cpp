// The statistics' readings of the record: the finished games' seats and the figures made of them.

#include "store/recorddb.h"

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
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
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
    rows.push_back(std::move(row));
  }
  return rc == SQLITE_DONE;
}

bool TRecordDb::ReadStatistics(TStatistics& stats)
{
  std::vector<TStatsRow> rows;
  if (!StatsRows(rows)) return false;
  stats = CollectStatistics(rows);
  return true;
}
