#include "store/recorddb.h"

// The record's games and actions: reading a game back, and writing what happens as it happens.

#include <chrono>
#include <map>
#include <sqlite3.h>

namespace
{
using TCaches = std::map<sqlite3*, std::map<const char*, sqlite3_stmt*>>;

TCaches& Caches()
{
  static thread_local TCaches caches;
  return caches;
}

std::map<const char*, sqlite3_stmt*>& Cache(sqlite3* db)
{
  return Caches()[db];
}
} // namespace

std::string TRecordDb::Text(sqlite3_stmt* st, int column)
{
  const unsigned char* text = sqlite3_column_text(st, column);
  return text ? std::string(reinterpret_cast<const char*>(text),
                            size_t(sqlite3_column_bytes(st, column)))
              : std::string();
}

namespace
{
std::string FacesText(const TFaces& faces)
{
  std::string text;
  for (int face : faces)
    text += char('0' + (face >= 0 && face <= 9 ? face : 0));
  return text;
}

// Anything but six digits gives faces that no throw shows.
TFaces ParseFaces(const std::string& text)
{
  TFaces faces{};
  if (text.size() != faces.size()) return faces;
  for (size_t i = 0; i < faces.size(); ++i)
    faces[i] = text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : 0;
  return faces;
}

std::string HoldsText(const THoldMask& holds)
{
  std::string text;
  for (bool held : holds)
    text += held ? '1' : '0';
  return text;
}

bool ParseHolds(const std::string& text, THoldMask& holds)
{
  if (text.size() != holds.size()) return false;
  for (size_t i = 0; i < holds.size(); ++i) {
    if (text[i] != '0' && text[i] != '1') return false;
    holds[i] = text[i] == '1';
  }
  return true;
}
} // namespace

int64_t RecordNow()
{
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

TRecordDb::TRecordDb(sqlite3* db) : db_(db) {}

TRecordDb::~TRecordDb()
{
  // A closed connection's place goes too: another one may get its address.
  const auto cache = Caches().find(db_);
  if (cache != Caches().end()) {
    for (auto& [sql, st] : cache->second)
      sqlite3_finalize(st);
    Caches().erase(cache);
  }
  sqlite3_close_v2(db_);
}

bool TRecordDb::Exec(const char* sql)
{
  const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) error_ = rc;
  return rc == SQLITE_OK;
}

sqlite3_stmt* TRecordDb::Prepare(const char* sql)
{
  auto& cache = Cache(db_);
  sqlite3_stmt*& st = cache[sql];
  if (!st && sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK)
    st = nullptr;
  if (st) {
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
  }
  return st;
}

bool TRecordDb::OpenGames(std::vector<TOpenGame>& games, bool network)
{
  games.clear();
  // A game over the network goes on only with the other computer, never at a start.
  sqlite3_stmt* st =
      network ? Prepare("SELECT g.id, coalesce(max(a.at), g.started) AS last, g.hint_used "
                        "FROM games g "
                        "LEFT JOIN actions a ON a.game = g.id WHERE g.state = 0 "
                        "AND g.id IN (SELECT game FROM network) "
                        "GROUP BY g.id ORDER BY last DESC, g.rowid DESC")
              : Prepare("SELECT g.id, coalesce(max(a.at), g.started) AS last, g.hint_used "
                        "FROM games g "
                        "LEFT JOIN actions a ON a.game = g.id WHERE g.state = 0 "
                        "AND g.id NOT IN (SELECT game FROM network) "
                        "GROUP BY g.id ORDER BY last DESC, g.rowid DESC");
  if (!st) return false;
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW)
    games.push_back(
        {sqlite3_column_int64(st, 0), sqlite3_column_int64(st, 1), sqlite3_column_int(st, 2) != 0});
  return rc == SQLITE_DONE;
}

bool TRecordDb::LoadActions(int64_t game, std::vector<TAction>& actions)
{
  actions.clear();
  sqlite3_stmt* st = Prepare("SELECT seq, at, kind, seat, turn, dice, roll, row, col, points "
                             "FROM actions WHERE game = ? ORDER BY seq");
  if (!st) return false;
  sqlite3_bind_int64(st, 1, game);
  std::vector<int> playerSeqs;
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    TAction action;
    const std::string kind = Text(st, 2);
    action.at = sqlite3_column_int64(st, 1);
    action.seat = sqlite3_column_int(st, 3);
    action.turn = sqlite3_column_int(st, 4);
    const std::string dice = Text(st, 5);
    action.roll = sqlite3_column_int(st, 6);
    action.row = sqlite3_column_int(st, 7);
    action.column = sqlite3_column_int(st, 8);
    action.points = sqlite3_column_int(st, 9);
    if (kind == "P") {
      action.kind = TActionKind::Players;
      playerSeqs.push_back(sqlite3_column_int(st, 0));
    } else if (kind == "T") {
      action.kind = TActionKind::Throw;
      action.faces = ParseFaces(dice);
    } else if (kind == "H") {
      action.kind = TActionKind::Hold;
      // A mask that is not one makes a throw that cannot be: the record is refused.
      if (!ParseHolds(dice, action.holds)) action.kind = TActionKind::Throw;
    } else if (kind == "E") {
      action.kind = TActionKind::Entry;
    } else {
      action.kind = TActionKind::Throw; // an unknown kind: faces 0, refused in the replay
    }
    actions.push_back(std::move(action));
  }
  if (rc != SQLITE_DONE) return false;
  // The lineups of the Players actions.
  size_t next = 0;
  for (TAction& action : actions) {
    if (action.kind != TActionKind::Players) continue;
    st = Prepare("SELECT name, computer, level FROM lineup WHERE game = ? AND seq = ? "
                 "ORDER BY seat");
    if (!st) return false;
    sqlite3_bind_int64(st, 1, game);
    sqlite3_bind_int(st, 2, playerSeqs[next++]);
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
      action.players.push_back({Text(st, 0), sqlite3_column_int(st, 1) != 0, Text(st, 2)});
    if (rc != SQLITE_DONE) return false;
  }
  return true;
}

bool TRecordDb::Begin()
{
  return Exec("BEGIN IMMEDIATE");
}

bool TRecordDb::Commit()
{
  return Exec("COMMIT");
}

void TRecordDb::Rollback()
{
  if (!sqlite3_get_autocommit(db_)) Exec("ROLLBACK");
}

bool TRecordDb::AddGame(int64_t id, int64_t at)
{
  sqlite3_stmt* st = Prepare("INSERT INTO games(id, started, state) VALUES(?, ?, 0)");
  if (!st) return false;
  sqlite3_bind_int64(st, 1, id);
  sqlite3_bind_int64(st, 2, at);
  return sqlite3_step(st) == SQLITE_DONE;
}

bool TRecordDb::AddAction(int64_t game, int seq, const TAction& action)
{
  sqlite3_stmt* st = Prepare("INSERT INTO actions(game, seq, at, kind, seat, turn, dice, roll, "
                             "row, col, points) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  if (!st) return false;
  const char kind[2] = {char(action.kind), 0};
  std::string dice;
  if (action.kind == TActionKind::Throw) dice = FacesText(action.faces);
  if (action.kind == TActionKind::Hold) dice = HoldsText(action.holds);
  sqlite3_bind_int64(st, 1, game);
  sqlite3_bind_int(st, 2, seq);
  sqlite3_bind_int64(st, 3, action.at);
  sqlite3_bind_text(st, 4, kind, 1, SQLITE_TRANSIENT);
  sqlite3_bind_int(st, 5, action.seat);
  sqlite3_bind_int(st, 6, action.turn);
  sqlite3_bind_text(st, 7, dice.c_str(), int(dice.size()), SQLITE_TRANSIENT);
  sqlite3_bind_int(st, 8, action.roll);
  sqlite3_bind_int(st, 9, action.row);
  sqlite3_bind_int(st, 10, action.column);
  sqlite3_bind_int(st, 11, action.points);
  if (sqlite3_step(st) != SQLITE_DONE) return false;
  if (action.kind != TActionKind::Players) return true;
  st = Prepare("DELETE FROM players WHERE game = ?");
  if (!st) return false;
  sqlite3_bind_int64(st, 1, game);
  if (sqlite3_step(st) != SQLITE_DONE) return false;
  for (size_t seat = 0; seat < action.players.size(); ++seat) {
    const TRecordPlayer& p = action.players[seat];
    st = Prepare(
        "INSERT INTO lineup(game, seq, seat, name, computer, level) VALUES(?, ?, ?, ?, ?, ?)");
    if (!st) return false;
    sqlite3_bind_int64(st, 1, game);
    sqlite3_bind_int(st, 2, seq);
    sqlite3_bind_int(st, 3, int(seat));
    sqlite3_bind_text(st, 4, p.name.c_str(), int(p.name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 5, p.computer ? 1 : 0);
    sqlite3_bind_text(st, 6, p.level.c_str(), int(p.level.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(st) != SQLITE_DONE) return false;
    st = Prepare("INSERT INTO players(game, seat, name, computer, level) VALUES(?, ?, ?, ?, ?)");
    if (!st) return false;
    sqlite3_bind_int64(st, 1, game);
    sqlite3_bind_int(st, 2, int(seat));
    sqlite3_bind_text(st, 3, p.name.c_str(), int(p.name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 4, p.computer ? 1 : 0);
    sqlite3_bind_text(st, 5, p.level.c_str(), int(p.level.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(st) != SQLITE_DONE) return false;
  }
  return true;
}

bool TRecordDb::WriteSummaries(int64_t id, const TGameState& state)
{
  for (size_t seat = 0; seat < state.seats.size(); ++seat) {
    const TSheetSummary s = Summarize(state.seats[seat].sheet);
    sqlite3_stmt* st =
        Prepare("UPDATE players SET total = ?, number_bonus = ?, pasch_bonus = ?, house_bonus = ?, "
                "street_bonus = ? WHERE game = ? AND seat = ?");
    if (!st) return false;
    sqlite3_bind_int(st, 1, s.total);
    sqlite3_bind_int(st, 2, s.numberBonus);
    sqlite3_bind_int(st, 3, s.paschBonus);
    sqlite3_bind_int(st, 4, s.houseBonus);
    sqlite3_bind_int(st, 5, s.streetBonus);
    sqlite3_bind_int64(st, 6, id);
    sqlite3_bind_int(st, 7, int(seat));
    if (sqlite3_step(st) != SQLITE_DONE) return false;
  }
  return true;
}

bool TRecordDb::EndGame(int64_t id, TGameEnd end, int64_t at, const TGameState* state)
{
  sqlite3_stmt* st = Prepare("UPDATE games SET state = ?, ended = ? WHERE id = ? AND state = 0");
  if (!st) return false;
  sqlite3_bind_int(st, 1, int(end));
  sqlite3_bind_int64(st, 2, at);
  sqlite3_bind_int64(st, 3, id);
  if (sqlite3_step(st) != SQLITE_DONE) return false;
  if (state && !WriteSummaries(id, *state)) return false;
  return true;
}

bool TRecordDb::MarkHintUsed(int64_t id)
{
  sqlite3_stmt* st = Prepare("UPDATE games SET hint_used = 1 WHERE id = ?");
  if (!st) return false;
  sqlite3_bind_int64(st, 1, id);
  return sqlite3_step(st) == SQLITE_DONE;
}

bool TRecordDb::AddUnlisted(int64_t id)
{
  sqlite3_stmt* st = Prepare("INSERT OR IGNORE INTO unlisted(game) VALUES(?)");
  if (!st) return false;
  sqlite3_bind_int64(st, 1, id);
  return sqlite3_step(st) == SQLITE_DONE;
}

bool TRecordDb::SetListing(int64_t id, const std::string& file)
{
  sqlite3_stmt* st = Prepare("UPDATE unlisted SET file = ? WHERE game = ?");
  if (!st) return false;
  sqlite3_bind_text(st, 1, file.c_str(), int(file.size()), SQLITE_TRANSIENT);
  sqlite3_bind_int64(st, 2, id);
  return sqlite3_step(st) == SQLITE_DONE;
}

bool TRecordDb::SetListed(int64_t id)
{
  sqlite3_stmt* st = Prepare("DELETE FROM unlisted WHERE game = ?");
  if (!st) return false;
  sqlite3_bind_int64(st, 1, id);
  return sqlite3_step(st) == SQLITE_DONE;
}

bool TRecordDb::Unlisted(std::vector<TUnlisted>& games)
{
  games.clear();
  // Led by the small table: SQLite would otherwise walk every finished game in the order they
  // ended, which a start with a long history would feel.
  sqlite3_stmt* st = Prepare("SELECT u.game, coalesce(u.file, ''), p.name, p.total "
                             "FROM unlisted u CROSS JOIN games g ON g.id = u.game "
                             "LEFT JOIN players p ON p.game = u.game AND p.total > 0 "
                             "WHERE g.state = 1 ORDER BY g.ended, u.game, p.seat");
  if (!st) return false;
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    const int64_t game = sqlite3_column_int64(st, 0);
    if (games.empty() || games.back().game != game) games.push_back({game, Text(st, 1), {}});
    if (sqlite3_column_type(st, 2) != SQLITE_NULL)
      games.back().entries.push_back({Text(st, 2), sqlite3_column_int(st, 3)});
  }
  return rc == SQLITE_DONE;
}

int TRecordDb::Error() const
{
  return sqlite3_extended_errcode(db_);
}
