#pragma once

// The game's side of the record: tells the record store what happens as it happens (each
// throw, hold and entry, who plays, how a game ends), resumes the game that stopped at the
// last start, and reads the statistics. The writing itself runs on the store's own thread.
// Owned by TApp, which calls it from the places where a game begins, changes and ends.

#include "store/gamelock.h"
#include "store/recorddb.h"
#include "store/recordwriter.h"

#include <QString>
#include <memory>
#include <set>

class TApp;
class TGadget;

extern const char* const RECORD_FILE; // "/wurfwummel.db"

// The one sentence that says why the record cannot be used; empty when it can.
QString RecordProblemText(TRecordProblem problem);
// The one sentence that says why the actions wait in memory for the record.
QString RecordTroubleText(TRecordProblem trouble);

class TRecorder
{
public:
  explicit TRecorder(TApp& app);
  // Writes what is still waiting.
  ~TRecorder();
  TRecorder(const TRecorder&) = delete;
  TRecorder& operator=(const TRecorder&) = delete;

  // At start-up, with the players read: opens the record, then continues the last game that
  // no other copy plays and that fits the players, or records the game just set up.
  void Start();
  // Why the record is not kept in this run (TRecordProblem::None: it is).
  TRecordProblem Problem() const { return problem_; }
  bool Available() const { return writer_ != nullptr; }

  // "Neues Spiel" and the like: the game under way ends as not finished; then the new one.
  void GameReplaced();
  void GameStarted();
  // Every sheet is full.
  void GameFinished();
  // The seat at the turn enters its chosen cell (before its dice are thrown for its next turn),
  // and its dice thrown afresh after it.
  void Entered(int seat, TGadget* cell);
  void Rethrown(int seat);
  // After every event: whatever changed on the dice or in who plays since the last look.
  void Observe();
  // A hint was shown in the game under way.
  void MarkHintUsed();
  // Waits until everything is on disk, or until the record refuses it (then it waits in
  // memory, and an end gives it up after a moment).
  void Flush();
  // The end of the run: tries once more what waits, for a few seconds at most.
  void FlushAtEnd();

  bool ReadStatistics(TStatistics& stats);
  int64_t Game() const { return game_; }

  // The actions of the game to analyse from the menu: the game under way once something in it
  // was decided (a die held, a throw after the first, an entry), else the last game finished;
  // empty when there is none.
  std::vector<TAction> ActionsToAnalyse();
  // Every action of a game of the history, read from the record; false when it cannot be read.
  bool LoadGame(int64_t id, std::vector<TAction>& actions);
  // The seats of the finished games, by game and seat.
  bool FinishedGames(std::vector<TStatsRow>& rows);
  // The seats of up to count finished games, the one ended last first, leaving out the skip
  // games that ended last: the statistics window's list, a page at a time.
  bool FinishedGames(int skip, int count, std::vector<TStatsRow>& rows);

  // The high-score entries of finished games: the game that ended last in this run (0 when none
  // is waiting for its entries); the finished games whose entries have not reached the list,
  // but those another copy is listing; the score file with their entries is about to be
  // written as the digest says; it was (both wait for the record, briefly).
  int64_t LastFinished() const { return lastFinished_; }
  std::vector<TRecordDb::TUnlisted> Unlisted();
  void Listing(const std::vector<int64_t>& games, const std::string& digest);
  void Listed(const std::vector<int64_t>& games);

  // Games over the network (app/recordnet.cpp): the game just started is one, with the seat
  // played here; a step of it, applied when the record held seq actions; a fault of the other
  // computer ended it; the game goes on elsewhere or later: the record lets go of it, open.
  int Seq() const { return seq_; }
  void NetStarted(int seat, const QByteArray& token, const QByteArray& secret);
  void NetStep(int index, int seq, const QByteArray& step);
  void NetFault(const QString& sentence);
  void Detach();
  // The newest open game over the network that no other copy plays; false when there is none.
  bool OpenNetGame(TRecordDb::TNetGame& game);
  // Takes such a game up again after its first steps steps, cutting what came after the seq
  // actions before the next one, and shows it; false when it cannot be.
  bool ResumeNet(int64_t id, int steps, int seq);

private:
  // A start waits this long for another copy's short write; longer means another program keeps
  // the file locked.
  static constexpr int START_BUSY_MS = 1000;
  std::vector<TRecordPlayer> Lineup() const;
  // Records an action; Send hands what was recorded since the last Send to the writer as one.
  void Post(const TAction& action);
  void Send();
  bool Resume();
  // A game whose sheets are full ends in the record; unless a hint was used its high-score
  // entries are due.
  void PostFinished(int64_t id, const TGameState& state, bool hintUsed);
  // Says once in a run when the record refuses writes: after the action that finds it so, since
  // nothing runs while the person does nothing (and what waits is tried again at the end).
  void WatchTrouble();
  TAction Throw(int seat, int roll) const;
  // The reading connection, opened when first needed.
  TRecordDb* Reader();

  TApp& app_;
  std::string path_;
  TRecordProblem problem_ = TRecordProblem::None;
  // Declared first: closed last, after SQLite has let go of the file.
  std::unique_ptr<TGameLocks> locks_;
  std::unique_ptr<TRecordDb> reader_;
  std::unique_ptr<TRecordWriter> writer_;
  int64_t game_ = 0; // the game under way; 0 between games
  int seq_ = 0;
  // The game as the record holds it, to tell what changed.
  TGameState shadow_;
  // The actions of the game under way, and of the last one finished, for the analysis.
  std::vector<TAction> actions_, finished_;
  std::vector<std::pair<int, TAction>> pending_;
  bool entryPending_ = false;
  int64_t startedAt_ = 0; // a game begun and not yet written
  int64_t lastFinished_ = 0;
  bool fresh_ = false; // the record was made by this start
  bool telling_ = false;
  std::set<TRecordProblem> told_;
};
