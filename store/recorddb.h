#pragma once

// The record of every game in an SQLite database beside the settings file: its schema with a
// version and the way from each older version to this one, and the reading and writing of
// games, actions and statistics. Pure: no Qt, paths are the bytes the system uses. Whatever it
// cannot read as its own (another program's file, a newer version, a damaged, locked or
// read-only file, a folder or a link) it leaves exactly as it found it.

#include "store/recordlog.h"
#include "store/recordstats.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// This version's schema; version 1 had no hint mark and no bonus counts, version 2 neither the
// mark of the game's files nor the games whose high-score entries are still to be written,
// version 3 no games over the network.
constexpr int RECORD_SCHEMA = 4;
// PRAGMA application_id of the game's records ("WWDB").
constexpr int RECORD_APPLICATION_ID = 0x57574442;

// Why a database cannot be used.
enum class TRecordProblem {
  None,
  Unreadable, // not SQLite, damaged, truncated, a folder or a link where the file belongs
  Foreign,    // another program's tables
  Newer,      // written by a newer version of the game
  Locked,     // another program keeps it locked
  ReadOnly,   // no permission to write it
  Unwritable, // the disk is full, or refuses to write
};

// What an SQLite result code means for the record.
TRecordProblem RecordProblemOf(int code);

// How a game ended in the record.
enum class TGameEnd { Open = 0, Finished = 1, Abandoned = 2 };

class TRecordDb
{
public:
  ~TRecordDb();
  TRecordDb(const TRecordDb&) = delete;
  TRecordDb& operator=(const TRecordDb&) = delete;

  // Opens the database at path, creating it when nothing is there (given to the folder's owner
  // when root creates it) and bringing an older schema up to this one. busyMs: how long to wait
  // for a short lock of another copy. None, with the problem, when it cannot be used.
  static std::unique_ptr<TRecordDb> Open(const std::string& path, int busyMs,
                                         TRecordProblem& problem);
  // Creates an empty database file where nothing is (given to the folder's owner when root
  // creates it); true when a regular file of its own is there afterwards.
  static bool CreateEmpty(const std::string& path);

  struct TOpenGame {
    int64_t id = 0;
    int64_t last = 0; // time of its last action
    bool hintUsed = false;
  };
  // The games not ended, the one played last first: those played at this computer alone, or
  // those played over the network. False when the database cannot be read.
  bool OpenGames(std::vector<TOpenGame>& games, bool network = false);
  // Every action of a game in order; false when they cannot be read.
  bool LoadActions(int64_t game, std::vector<TAction>& actions);
  // The finished games' seats, by game and seat.
  bool StatsRows(std::vector<TStatsRow>& rows);
  // The seats of up to count finished games, by game (the one ended last first) and seat,
  // leaving out the skip games that ended last.
  bool FinishedPage(int skip, int count, std::vector<TStatsRow>& rows);
  // The finished games' statistics, as the statistics window shows them.
  bool ReadStatistics(TStatistics& stats);

  // Writes; several go into one transaction between Begin and Commit.
  bool Begin();
  bool Commit();
  void Rollback();
  bool AddGame(int64_t id, int64_t at);
  // Players also makes the lineup the game's players.
  bool AddAction(int64_t game, int seq, const TAction& action);
  // Ends a game; a finished one gets each seat's total and bonuses from state.
  bool EndGame(int64_t id, TGameEnd end, int64_t at, const TGameState* state);
  bool MarkHintUsed(int64_t id);

  // The finished games whose high-score entries have not yet reached the list. An entry is
  // each seat with points, by seat; file is the digest of the score file that was being written
  // with them, empty before such a write.
  struct TUnlisted {
    int64_t game = 0;
    std::string file;
    std::vector<std::pair<std::string, int>> entries; // name, total
  };
  bool Unlisted(std::vector<TUnlisted>& games);
  // A finished game waits for its entries (in EndGame's transaction).
  bool AddUnlisted(int64_t id);
  // The score file with the game's entries is about to be written as the digest says.
  bool SetListing(int64_t id, const std::string& file);
  // Its entries are in the list (or never will be).
  bool SetListed(int64_t id);
  // Games over the network (store/recordnet.cpp). A game played with another computer: the
  // seat played at this one, the game's token and this side's secret of it; a step both
  // exchanged, with the number of actions the record held before it; how such a game ended when
  // a fault ended it.
  bool AddNetGame(int64_t id, int seat, const std::string& token, const std::string& secret);
  bool AddNetStep(int64_t id, int step, int seq, const std::string& data);
  bool SetNetEnding(int64_t id, const std::string& ending);
  struct TNetStep {
    int seq = 0; // the record's actions before the step
    std::string data;
  };
  struct TNetGame {
    int64_t id = 0;
    int seat = 0;
    std::string token, secret;
    std::string ending;
    bool hintUsed = false;
    std::vector<TNetStep> steps;
  };
  // The network games not ended, the one played last first.
  bool OpenNetGames(std::vector<TNetGame>& games);
  // Whether a game was played over the network, and how; false when it was not or cannot be
  // read.
  bool NetGame(int64_t id, TNetGame& game);
  // A resumed game goes on after step steps, the actions from seq on and the steps after it
  // are what only this computer saw.
  bool CutNetGame(int64_t id, int steps, int seq);
  // The SQLite result code of the last step that failed here.
  int Error() const;

  sqlite3* Handle() const { return db_; }

private:
  explicit TRecordDb(sqlite3* db);
  bool Exec(const char* sql);
  sqlite3_stmt* Prepare(const char* sql);
  static std::string Text(sqlite3_stmt* st, int column);
  TRecordProblem Check();
  // What a step of Check that failed means; never None.
  TRecordProblem Failed() const;
  // The number one statement reads (a PRAGMA, a count); false, with the error kept, when it
  // cannot be read.
  bool Pragma(const char* sql, int& value);
  // Whether the tables are exactly those of the version, with their columns; empty tells
  // whether there are none at all.
  bool TablesAre(int version, bool& empty);
  // The schema version the file says it has; -1 when it cannot be read.
  int SchemaVersion();
  bool CreateSchema();
  bool Migrate();
  bool FillBonuses();
  bool WriteSummaries(int64_t id, const TGameState& state);
  sqlite3* db_ = nullptr;
  int error_ = 0;
};

// The time now in milliseconds since 1970.
int64_t RecordNow();
