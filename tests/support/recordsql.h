#pragma once

// A number that SQL reads from a database file from outside the game, as another program would;
// -1 when it cannot.

#include <QFile>
#include <QString>
#include <cstdint>
#include <sqlite3.h>

inline int64_t RecordNumber(const QString& path, const char* sql)
{
  sqlite3* db = nullptr;
  sqlite3_stmt* st = nullptr;
  int64_t n = -1;
  if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
          SQLITE_OK &&
      sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
    n = sqlite3_column_int64(st, 0);
  sqlite3_finalize(st);
  sqlite3_close(db);
  return n;
}
