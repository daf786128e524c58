#include "store/recorddb.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// Version 1, as the game first wrote it: kept to know what a migration starts from.
const char* const TABLES[] = {"games", "players", "lineup", "actions"};

const char* const SCHEMA_V2 = R"(
CREATE TABLE games(
  id INTEGER PRIMARY KEY,
  started INTEGER NOT NULL,
  ended INTEGER,
  state INTEGER NOT NULL DEFAULT 0,
  hint_used INTEGER NOT NULL DEFAULT 0);
CREATE TABLE players(
  game INTEGER NOT NULL REFERENCES games(id),
  seat INTEGER NOT NULL,
  name TEXT NOT NULL,
  computer INTEGER NOT NULL,
  level TEXT NOT NULL,
  total INTEGER,
  number_bonus INTEGER NOT NULL DEFAULT 0,
  pasch_bonus INTEGER NOT NULL DEFAULT 0,
  house_bonus INTEGER NOT NULL DEFAULT 0,
  street_bonus INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY(game, seat)) WITHOUT ROWID;
CREATE TABLE lineup(
  game INTEGER NOT NULL REFERENCES games(id),
  seq INTEGER NOT NULL,
  seat INTEGER NOT NULL,
  name TEXT NOT NULL,
  computer INTEGER NOT NULL,
  level TEXT NOT NULL,
  PRIMARY KEY(game, seq, seat)) WITHOUT ROWID;
CREATE TABLE actions(
  game INTEGER NOT NULL REFERENCES games(id),
  seq INTEGER NOT NULL,
  at INTEGER NOT NULL,
  kind TEXT NOT NULL,
  seat INTEGER NOT NULL,
  turn INTEGER NOT NULL,
  dice TEXT NOT NULL DEFAULT '',
  roll INTEGER NOT NULL DEFAULT 0,
  row INTEGER NOT NULL DEFAULT 0,
  col INTEGER NOT NULL DEFAULT 0,
  points INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY(game, seq)) WITHOUT ROWID;
CREATE INDEX games_by_state ON games(state, ended);
PRAGMA user_version = 2;
)";

// What version 2 added to version 1.
const char* const MIGRATE_1_TO_2 = R"(
ALTER TABLE games ADD COLUMN hint_used INTEGER NOT NULL DEFAULT 0;
ALTER TABLE players ADD COLUMN number_bonus INTEGER NOT NULL DEFAULT 0;
ALTER TABLE players ADD COLUMN pasch_bonus INTEGER NOT NULL DEFAULT 0;
ALTER TABLE players ADD COLUMN house_bonus INTEGER NOT NULL DEFAULT 0;
ALTER TABLE players ADD COLUMN street_bonus INTEGER NOT NULL DEFAULT 0;
CREATE INDEX games_by_state ON games(state, ended);
PRAGMA user_version = 2;
)";

bool Regular(const std::string& path, bool mayBeAbsent)
{
  struct stat st {
  };
  if (::lstat(path.c_str(), &st) != 0) return mayBeAbsent && errno == ENOENT;
  return S_ISREG(st.st_mode);
}

// Creates the empty database file; root makes it the folder owner's, as if the user had, so
// that SQLite gives its -wal and -shm files to that owner too.
bool CreateFile(const std::string& path)
{
  const int fd =
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) return errno == EEXIST;
  if (::geteuid() == 0) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    struct stat st {
    };
    if (::stat(folder.c_str(), &st) == 0 && st.st_uid != 0 &&
        ::fchown(fd, st.st_uid, st.st_gid) != 0) {
      // Not allowed: the file stays root's, which root can still use.
    }
  }
  ::close(fd);
  return true;
}

// A file shorter than its header says lost its end.
bool Truncated(const std::string& path)
{
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  unsigned char header[100];
  struct stat st {
  };
  const bool read = ::pread(fd, header, sizeof header, 0) == sizeof header && ::fstat(fd, &st) == 0;
  ::close(fd);
  if (!read) return false;
  if (std::memcmp(header, "SQLite format 3", 16) != 0) return false;
  auto be32 = [&](int at) {
    return uint32_t(header[at]) << 24 | uint32_t(header[at + 1]) << 16 |
           uint32_t(header[at + 2]) << 8 | uint32_t(header[at + 3]);
  };
  uint32_t pageSize = uint32_t(header[16]) << 8 | header[17];
  if (pageSize == 1) pageSize = 65536;
  // The page count in the header is good only when its version stamp matches.
  if (be32(24) != be32(92)) return false;
  return uint64_t(st.st_size) < uint64_t(be32(28)) * pageSize;
}

TRecordProblem ProblemOf(int code)
{
  switch (code & 0xff) {
  case SQLITE_BUSY:
  case SQLITE_LOCKED:
    return TRecordProblem::Locked;
  case SQLITE_READONLY:
  case SQLITE_PERM:
    return TRecordProblem::ReadOnly;
  default:
    return TRecordProblem::Unreadable;
  }
}

std::map<const char*, sqlite3_stmt*>& Cache(sqlite3* db)
{
  static thread_local std::map<sqlite3*, std::map<const char*, sqlite3_stmt*>> caches;
  return caches[db];
}

std::string Text(sqlite3_stmt* st, int column)
{
  const unsigned char* text = sqlite3_column_text(st, column);
  return text ? std::string(reinterpret_cast<const char*>(text),
                            size_t(sqlite3_column_bytes(st, column)))
              : std::string();
}

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

bool TRecordDb::CreateEmpty(const std::string& path)
{
  return Regular(path + "-wal", true) && Regular(path + "-shm", true) && CreateFile(path) &&
         Regular(path, false);
}

int64_t RecordNow()
{
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

TRecordDb::TRecordDb(sqlite3* db) : db_(db) {}

TRecordDb::~TRecordDb()
{
  auto& cache = Cache(db_);
  for (auto& [sql, st] : cache)
    sqlite3_finalize(st);
  cache.clear();
  sqlite3_close_v2(db_);
}

std::unique_ptr<TRecordDb> TRecordDb::Open(const std::string& path, int busyMs,
                                           TRecordProblem& problem)
{
  problem = TRecordProblem::Unreadable;
  // Only a regular file of its own is the database: never a link, a folder or a device, and
  // never a link in place of its journal files.
  if (!Regular(path, true) || !Regular(path + "-wal", true) || !Regular(path + "-shm", true))
    return nullptr;
  if (!CreateFile(path) || !Regular(path, false)) return nullptr;
  if (Truncated(path)) return nullptr;
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
  // Root follows no link that a user could plant on the way.
  if (::geteuid() == 0) flags |= SQLITE_OPEN_NOFOLLOW;
  sqlite3* handle = nullptr;
  if (sqlite3_open_v2(path.c_str(), &handle, flags, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(handle);
    return nullptr;
  }
  std::unique_ptr<TRecordDb> db(new TRecordDb(handle));
  sqlite3_busy_timeout(handle, busyMs);
  sqlite3_extended_result_codes(handle, 1);
  problem = db->Check();
  if (problem != TRecordProblem::None) return nullptr;
  return db;
}

TRecordProblem TRecordDb::Check()
{
  if (sqlite3_db_readonly(db_, "main") == 1) return TRecordProblem::ReadOnly;
  // The first read of the header says whether it is SQLite at all, and waits out a short lock.
  int version = -1;
  int tables = 0, ours = 0;
  {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, "PRAGMA user_version", -1, &st, nullptr) != SQLITE_OK) {
      const int code = sqlite3_errcode(db_);
      sqlite3_finalize(st);
      return ProblemOf(code);
    }
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) version = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW) return ProblemOf(rc);
  }
  {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, "SELECT name FROM sqlite_schema WHERE type = 'table'", -1, &st,
                           nullptr) != SQLITE_OK) {
      const int code = sqlite3_errcode(db_);
      sqlite3_finalize(st);
      return ProblemOf(code);
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
      tables += 1;
      const std::string name = Text(st, 0);
      for (const char* table : TABLES)
        ours += name == table ? 1 : 0;
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) return ProblemOf(rc);
  }
  if (version > RECORD_SCHEMA) return TRecordProblem::Newer;
  const int all = int(std::size(TABLES));
  if (version == 0 && tables == 0) {
    if (!CreateSchema()) return ProblemOf(sqlite3_errcode(db_));
  } else if ((version == 1 || version == 2) && ours == all) {
    if (version == 1 && !MigrateFrom1()) return ProblemOf(sqlite3_errcode(db_));
  } else {
    return TRecordProblem::Foreign;
  }
  // The log goes ahead of the database: a reader never waits for a writer, and a crash at any
  // moment leaves the last committed action or the one before.
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db_, "PRAGMA journal_mode = WAL", -1, &st, nullptr) == SQLITE_OK) {
    const int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW) return ProblemOf(rc);
  } else {
    sqlite3_finalize(st);
  }
  Exec("PRAGMA synchronous = FULL");
  return TRecordProblem::None;
}

bool TRecordDb::Exec(const char* sql)
{
  return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
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

int TRecordDb::SchemaVersion()
{
  sqlite3_stmt* st = nullptr;
  int version = -1;
  if (sqlite3_prepare_v2(db_, "PRAGMA user_version", -1, &st, nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW)
    version = sqlite3_column_int(st, 0);
  sqlite3_finalize(st);
  return version;
}

bool TRecordDb::CreateSchema()
{
  // Another copy may be creating it at this moment: whoever comes second finds it made.
  if (!Exec("BEGIN IMMEDIATE")) return false;
  const int version = SchemaVersion();
  const bool ok = version == RECORD_SCHEMA || (version == 0 && Exec(SCHEMA_V2));
  if (!ok || !Exec("COMMIT")) {
    Rollback();
    return false;
  }
  return true;
}

bool TRecordDb::MigrateFrom1()
{
  if (!Exec("BEGIN IMMEDIATE")) return false;
  const int version = SchemaVersion();
  if (version == RECORD_SCHEMA) return Exec("COMMIT"); // another copy migrated it meanwhile
  bool ok = version == 1 && Exec(MIGRATE_1_TO_2);
  // Version 1 kept no bonuses: each finished game is played back to count them.
  std::vector<int64_t> finished;
  if (ok) {
    sqlite3_stmt* st = Prepare("SELECT id FROM games WHERE state = 1");
    while (st && sqlite3_step(st) == SQLITE_ROW)
      finished.push_back(sqlite3_column_int64(st, 0));
  }
  for (int64_t id : finished) {
    std::vector<TAction> actions;
    TGameState state;
    if (!ok || !LoadActions(id, actions)) {
      ok = false;
      break;
    }
    if (ReplayGame(actions, state)) ok = WriteSummaries(id, state);
  }
  if (!ok || !Exec("COMMIT")) {
    Rollback();
    return false;
  }
  return true;
}

bool TRecordDb::OpenGames(std::vector<TOpenGame>& games)
{
  games.clear();
  sqlite3_stmt* st = Prepare("SELECT g.id, coalesce(max(a.at), g.started) AS last, g.hint_used "
                             "FROM games g "
                             "LEFT JOIN actions a ON a.game = g.id WHERE g.state = 0 "
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
