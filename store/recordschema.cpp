// Opening the record: whether a file is the game's own, its schema, and the way from each older
// version to this one. Every look at the file goes through SQLite: a descriptor of our own on the
// database would, when closed, drop every lock SQLite holds on it, and another program would then
// take the running game's log for its own and remove it.

#include "store/recorddb.h"

#include <algorithm>
#include <cerrno>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// The tables of each version, with their columns in order: a file without the game's mark is
// the game's only when it has exactly these.
struct TTable {
  const char* name;
  std::vector<std::string> columns;
};

const std::vector<TTable>& TablesOf(int version)
{
  static const std::vector<TTable> v1 = {
      {"games", {"id", "started", "ended", "state"}},
      {"players", {"game", "seat", "name", "computer", "level", "total"}},
      {"lineup", {"game", "seq", "seat", "name", "computer", "level"}},
      {"actions",
       {"game", "seq", "at", "kind", "seat", "turn", "dice", "roll", "row", "col", "points"}},
  };
  static const std::vector<TTable> v2 = {
      {"games", {"id", "started", "ended", "state", "hint_used"}},
      {"players",
       {"game", "seat", "name", "computer", "level", "total", "number_bonus", "pasch_bonus",
        "house_bonus", "street_bonus"}},
      v1[2],
      v1[3],
  };
  static std::vector<TTable> v3 = [] {
    std::vector<TTable> tables = v2;
    tables.push_back({"unlisted", {"game", "file"}});
    return tables;
  }();
  static std::vector<TTable> v4 = [] {
    std::vector<TTable> tables = v3;
    tables.push_back({"network", {"game", "seat", "token", "secret", "ending"}});
    tables.push_back({"netsteps", {"game", "step", "seq", "data"}});
    return tables;
  }();
  return version == 1 ? v1 : version == 2 ? v2 : version == 3 ? v3 : v4;
}

// The tables of version 2.
const char* const SCHEMA = R"(
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

// What version 3 added to version 2: the finished games whose
// high-score entries have not yet reached the list (those of an older record are in it as far
// as anyone can tell), and the mark.
const char* const MIGRATE_2_TO_3 = R"(
CREATE TABLE unlisted(
  game INTEGER PRIMARY KEY REFERENCES games(id),
  file TEXT);
PRAGMA application_id = 1465336898;
PRAGMA user_version = 3;
)";

// What version 4 added to version 3: the games played over the network, with the seat played
// at this computer, the game's token and this computer's secret of it (never sent: its dice
// secrets come from it, and a resumed game cannot go on without it), how such a game ended when
// a fault ended it, and the
// steps both computers exchanged, each with the record's action count before it, so that a
// game resumed with the other computer continues at the last step both hold.
const char* const MIGRATE_3_TO_4 = R"(
CREATE TABLE network(
  game INTEGER PRIMARY KEY REFERENCES games(id),
  seat INTEGER NOT NULL,
  token BLOB NOT NULL,
  secret BLOB NOT NULL,
  ending TEXT);
CREATE TABLE netsteps(
  game INTEGER NOT NULL REFERENCES games(id),
  step INTEGER NOT NULL,
  seq INTEGER NOT NULL,
  data BLOB NOT NULL,
  PRIMARY KEY(game, step)) WITHOUT ROWID;
PRAGMA user_version = 4;
)";

static_assert(RECORD_APPLICATION_ID == 1465336898, "the schema's mark");

bool Regular(const std::string& path, bool mayBeAbsent)
{
  struct stat st {
  };
  if (::lstat(path.c_str(), &st) != 0) return mayBeAbsent && errno == ENOENT;
  return S_ISREG(st.st_mode);
}

// Only a regular file is the database: never a link, a folder or a device, and never a link in
// place of one of its journal files.
bool PathsAreFiles(const std::string& path, bool mayBeAbsent)
{
  return Regular(path, mayBeAbsent) && Regular(path + "-wal", true) &&
         Regular(path + "-shm", true) && Regular(path + "-journal", true);
}

sqlite3* OpenHandle(const std::string& path, bool create)
{
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  // Root follows no link that a user could plant on the way.
  if (::geteuid() == 0) flags |= SQLITE_OPEN_NOFOLLOW;
  sqlite3* handle = nullptr;
  if (sqlite3_open_v2(path.c_str(), &handle, flags, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(handle);
    return nullptr;
  }
  return handle;
}
} // namespace

TRecordProblem RecordProblemOf(int code)
{
  switch (code & 0xff) {
  case SQLITE_OK:
  case SQLITE_DONE:
  case SQLITE_ROW:
    return TRecordProblem::None;
  case SQLITE_BUSY:
  case SQLITE_LOCKED:
    return TRecordProblem::Locked;
  case SQLITE_READONLY:
  case SQLITE_PERM:
  case SQLITE_AUTH:
    return TRecordProblem::ReadOnly;
  case SQLITE_FULL:
  case SQLITE_IOERR:
  case SQLITE_CANTOPEN:
  case SQLITE_NOMEM:
  case SQLITE_PROTOCOL:
    return TRecordProblem::Unwritable;
  default:
    return TRecordProblem::Unreadable;
  }
}

bool TRecordDb::CreateEmpty(const std::string& path)
{
  if (!PathsAreFiles(path, true)) return false;
  // SQLite makes the file (with the rights of the folder's owner when root acts for one); it
  // writes nothing until the first transaction.
  sqlite3* handle = OpenHandle(path, true);
  if (!handle) return false;
  sqlite3_close_v2(handle);
  return Regular(path, false);
}

std::unique_ptr<TRecordDb> TRecordDb::Open(const std::string& path, int busyMs,
                                           TRecordProblem& problem)
{
  problem = TRecordProblem::Unreadable;
  if (!PathsAreFiles(path, true)) return nullptr;
  sqlite3* handle = OpenHandle(path, true);
  if (!handle || !Regular(path, false)) {
    sqlite3_close_v2(handle);
    return nullptr;
  }
  std::unique_ptr<TRecordDb> db(new TRecordDb(handle));
  sqlite3_busy_timeout(handle, busyMs);
  sqlite3_extended_result_codes(handle, 1);
  // Until the file is known to be the game's, closing it must not fold another program's log
  // into its database: the file stays byte for byte as it was.
  sqlite3_db_config(handle, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  problem = db->Check();
  if (problem != TRecordProblem::None) return nullptr;
  sqlite3_db_config(handle, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
  return db;
}

bool TRecordDb::Pragma(const char* sql, int& value)
{
  sqlite3_stmt* st = nullptr;
  int rc = sqlite3_prepare_v2(db_, sql, -1, &st, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) value = sqlite3_column_int(st, 0);
  } else {
    rc = sqlite3_errcode(db_);
  }
  sqlite3_finalize(st);
  error_ = rc == SQLITE_ROW ? SQLITE_OK : rc;
  return rc == SQLITE_ROW;
}

bool TRecordDb::TablesAre(int version, bool& empty)
{
  sqlite3_stmt* st = nullptr;
  std::vector<std::string> names;
  // Every object counts: a file of nothing but views, triggers or indexes is not empty.
  int objects = 0;
  if (!Pragma("SELECT count(*) FROM sqlite_schema", objects)) return false;
  // Beside its tables, the game makes one index; a view, a trigger or another index (one that
  // fires on the game's writes, or calls a function this SQLite lacks) is another program's.
  int others = 0;
  if (!Pragma("SELECT count(*) FROM sqlite_schema WHERE type != 'table' AND name NOT LIKE "
              "'sqlite_%' AND NOT (type = 'index' AND name = 'games_by_state')",
              others))
    return false;
  if (sqlite3_prepare_v2(db_,
                         "SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE "
                         "'sqlite_%'",
                         -1, &st, nullptr) != SQLITE_OK) {
    error_ = sqlite3_errcode(db_);
    sqlite3_finalize(st);
    return false;
  }
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW)
    names.push_back(Text(st, 0));
  sqlite3_finalize(st);
  error_ = rc == SQLITE_DONE ? SQLITE_OK : rc;
  if (rc != SQLITE_DONE) return false;
  empty = objects == 0;
  const std::vector<TTable>& tables = TablesOf(version);
  if (names.size() != tables.size() || others != 0) return false;
  for (const TTable& table : tables) {
    // The game's tables by name: a view or another table never stands in for one.
    if (std::find(names.begin(), names.end(), table.name) == names.end()) return false;
    std::vector<std::string> columns;
    if (sqlite3_prepare_v2(db_, "SELECT name FROM pragma_table_info(?)", -1, &st, nullptr) !=
        SQLITE_OK) {
      error_ = sqlite3_errcode(db_);
      sqlite3_finalize(st);
      return false;
    }
    sqlite3_bind_text(st, 1, table.name, -1, SQLITE_STATIC);
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
      columns.push_back(Text(st, 0));
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) {
      error_ = rc;
      return false;
    }
    if (columns != table.columns) return false;
  }
  return true;
}

TRecordProblem TRecordDb::Check()
{
  if (sqlite3_db_readonly(db_, "main") == 1) return TRecordProblem::ReadOnly;
  // The first read says whether it is SQLite at all, rolls back what a crash left in a hot
  // journal, and waits out a short lock. A file shorter than its header says, with nothing to
  // roll back, is damaged: SQLite says so itself.
  int mark = 0, version = 0;
  if (!Pragma("PRAGMA application_id", mark) || !Pragma("PRAGMA user_version", version))
    return RecordProblemOf(error_);
  bool empty = false;
  if (mark == RECORD_APPLICATION_ID) {
    if (version > RECORD_SCHEMA) return TRecordProblem::Newer;
    // The game's own mark: a version that has it has its tables.
    if (version < 3 || !TablesAre(version, empty)) {
      return error_ != SQLITE_OK ? RecordProblemOf(error_) : TRecordProblem::Unreadable;
    }
    if (version < RECORD_SCHEMA && !Migrate()) return Failed();
  } else if (mark != 0) {
    return TRecordProblem::Foreign;
  } else if (version == 0) {
    // A new file, or an empty one that another program made; tables without the mark are not
    // the game's.
    if (!TablesAre(3, empty) && error_ != SQLITE_OK) return RecordProblemOf(error_);
    if (!empty) return TRecordProblem::Foreign;
    if (!CreateSchema()) return Failed();
  } else if (version == 1 || version == 2) {
    // Written before the game marked its files: its tables say whether it is the game's.
    if (!TablesAre(version, empty))
      return error_ != SQLITE_OK ? RecordProblemOf(error_) : TRecordProblem::Foreign;
    // A damaged file is never written: a migration that fails on it and is rolled back would
    // still leave the free pages it took as they were written.
    int sound = 0;
    if (!Pragma("SELECT quick_check = 'ok' FROM pragma_quick_check", sound)) return Failed();
    if (!sound) return TRecordProblem::Unreadable;
    if (!Migrate()) return Failed();
  } else {
    return TRecordProblem::Foreign;
  }
  // The log goes ahead of the database: a reader never waits for a writer, and a crash at any
  // moment leaves the last committed action or the one before.
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db_, "PRAGMA journal_mode = WAL", -1, &st, nullptr) == SQLITE_OK) {
    const int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW) return RecordProblemOf(rc);
  } else {
    sqlite3_finalize(st);
  }
  Exec("PRAGMA synchronous = FULL");
  return TRecordProblem::None;
}

TRecordProblem TRecordDb::Failed() const
{
  const TRecordProblem problem = RecordProblemOf(error_);
  return problem == TRecordProblem::None ? TRecordProblem::Unreadable : problem;
}

int TRecordDb::SchemaVersion()
{
  int version = -1;
  return Pragma("PRAGMA user_version", version) ? version : -1;
}

bool TRecordDb::CreateSchema()
{
  // Another copy may be creating it at this moment: whoever comes second finds it made.
  if (!Exec("BEGIN IMMEDIATE")) return false;
  const int version = SchemaVersion();
  const bool ok = version == RECORD_SCHEMA ||
                  (version == 0 && Exec(SCHEMA) && Exec(MIGRATE_2_TO_3) && Exec(MIGRATE_3_TO_4));
  if (!ok || !Exec("COMMIT")) {
    Rollback();
    return false;
  }
  return true;
}

bool TRecordDb::Migrate()
{
  if (!Exec("BEGIN IMMEDIATE")) return false;
  int version = SchemaVersion();
  bool ok = version >= 1;
  if (ok && version == 1) {
    ok = Exec(MIGRATE_1_TO_2) && FillBonuses();
    version = 2;
  }
  if (ok && version == 2) {
    ok = Exec(MIGRATE_2_TO_3);
    version = 3;
  }
  if (ok && version == 3) ok = Exec(MIGRATE_3_TO_4);
  // Another copy may have migrated it meanwhile: then there is nothing left to do.
  if (!ok || !Exec("COMMIT")) {
    Rollback();
    return false;
  }
  return true;
}

bool TRecordDb::FillBonuses()
{
  // Version 1 kept no bonuses: each finished game is played back to count them.
  std::vector<int64_t> finished;
  sqlite3_stmt* st = Prepare("SELECT id FROM games WHERE state = 1");
  if (!st) return false;
  while (sqlite3_step(st) == SQLITE_ROW)
    finished.push_back(sqlite3_column_int64(st, 0));
  for (int64_t id : finished) {
    std::vector<TAction> actions;
    TGameState state;
    if (!LoadActions(id, actions)) return false;
    if (ReplayGame(actions, state) && !WriteSummaries(id, state)) return false;
  }
  return true;
}
