#include "store/recorddb.h"

// The games played with another computer: which seat was played here, the game's token, the
// steps the two exchanged, and how a game ended that a fault ended.

#include <sqlite3.h>
#include <utility>

namespace
{
std::string Blob(sqlite3_stmt* st, int column)
{
  const void* data = sqlite3_column_blob(st, column);
  return data
             ? std::string(static_cast<const char*>(data), size_t(sqlite3_column_bytes(st, column)))
             : std::string();
}
} // namespace

bool TRecordDb::AddNetGame(int64_t id, int seat, const std::string& token,
                           const std::string& secret)
{
  sqlite3_stmt* st =
      Prepare("INSERT OR REPLACE INTO network(game, seat, token, secret) VALUES(?, ?, ?, ?)");
  if (!st) return false;
  sqlite3_bind_int64(st, 1, id);
  sqlite3_bind_int(st, 2, seat);
  sqlite3_bind_blob(st, 3, token.data(), int(token.size()), SQLITE_TRANSIENT);
  sqlite3_bind_blob(st, 4, secret.data(), int(secret.size()), SQLITE_TRANSIENT);
  return sqlite3_step(st) == SQLITE_DONE;
}

bool TRecordDb::AddNetStep(int64_t id, int step, int seq, const std::string& data)
{
  sqlite3_stmt* st = Prepare("INSERT INTO netsteps(game, step, seq, data) VALUES(?, ?, ?, ?)");
  if (!st) return false;
  sqlite3_bind_int64(st, 1, id);
  sqlite3_bind_int(st, 2, step);
  sqlite3_bind_int(st, 3, seq);
  sqlite3_bind_blob(st, 4, data.data(), int(data.size()), SQLITE_TRANSIENT);
  return sqlite3_step(st) == SQLITE_DONE;
}

bool TRecordDb::SetNetEnding(int64_t id, const std::string& ending)
{
  sqlite3_stmt* st = Prepare("UPDATE network SET ending = ? WHERE game = ?");
  if (!st) return false;
  sqlite3_bind_text(st, 1, ending.c_str(), int(ending.size()), SQLITE_TRANSIENT);
  sqlite3_bind_int64(st, 2, id);
  return sqlite3_step(st) == SQLITE_DONE;
}

bool TRecordDb::NetGame(int64_t id, TNetGame& game)
{
  game = TNetGame();
  sqlite3_stmt* st =
      Prepare("SELECT seat, token, secret, coalesce(ending, '') FROM network WHERE game = ?");
  if (!st) return false;
  sqlite3_bind_int64(st, 1, id);
  if (sqlite3_step(st) != SQLITE_ROW) return false;
  game.id = id;
  game.seat = sqlite3_column_int(st, 0);
  game.token = Blob(st, 1);
  game.secret = Blob(st, 2);
  game.ending = Text(st, 3);
  st = Prepare("SELECT seq, data FROM netsteps WHERE game = ? ORDER BY step");
  if (!st) return false;
  sqlite3_bind_int64(st, 1, id);
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW)
    game.steps.push_back({sqlite3_column_int(st, 0), Blob(st, 1)});
  return rc == SQLITE_DONE;
}

bool TRecordDb::OpenNetGames(std::vector<TNetGame>& games)
{
  games.clear();
  std::vector<TOpenGame> open;
  if (!OpenGames(open, true)) return false;
  for (const TOpenGame& candidate : open) {
    TNetGame game;
    if (!NetGame(candidate.id, game)) continue;
    game.hintUsed = candidate.hintUsed;
    games.push_back(std::move(game));
  }
  return true;
}

bool TRecordDb::CutNetGame(int64_t id, int steps, int seq)
{
  const std::pair<const char*, int> cuts[] = {
      {"DELETE FROM actions WHERE game = ? AND seq >= ?", seq},
      {"DELETE FROM lineup WHERE game = ? AND seq >= ?", seq},
      {"DELETE FROM netsteps WHERE game = ? AND step >= ?", steps}};
  for (const auto& [sql, from] : cuts) {
    sqlite3_stmt* st = Prepare(sql);
    if (!st) return false;
    sqlite3_bind_int64(st, 1, id);
    sqlite3_bind_int(st, 2, from);
    if (sqlite3_step(st) != SQLITE_DONE) return false;
  }
  return true;
}
