// TApp's record of every game: what the game tells the record store as it goes, and the game
// that a start resumes.

#include "app/recorder.h"

#include "app/app.h"
#include "app/computer.h"
#include "app/netgame.h"
#include "app/sections.h"
#include "dice/dicefield.h"
#include "gui/driver.h"
#include "sheet/cells.h"
#include "store/ownerrights.h"

#include <QFile>
#include <cerrno>
#include <random>
#include <sys/stat.h>

const char* const RECORD_FILE = "/wurfwummel.db";

namespace
{
// The writing thread waits only a moment inside SQLite: a longer lock is waited out by trying
// again, with the actions kept in memory meanwhile, so that an end never waits long.
constexpr int WRITER_BUSY_MS = 250;
// An end waits this long at most for a record that refuses writes; what it still refuses then
// is lost.
constexpr int END_FLUSH_MS = 3000;

int64_t NewGameId()
{
  // Two copies start games at once: ids drawn at random, not counted, never meet.
  static std::mt19937_64 random{std::random_device{}()};
  return int64_t(random() >> 11) + 1;
}

std::string Utf8(const QString& text)
{
  return text.toUtf8().toStdString();
}
} // namespace

TRecorder::TRecorder(TApp& app) : app_(app) {}

TRecorder::~TRecorder()
{
  writer_.reset();
  reader_.reset();
  locks_.reset();
}

void TRecorder::Start()
{
  // Under a start as root the record is the user's: never reached through what the user could
  // not reach, and what it creates is the user's.
  const TOwnerRights rights;
  path_ = (AppDir + RECORD_FILE).toStdString();
  struct stat st {
  };
  const bool fresh = ::lstat(path_.c_str(), &st) != 0 && errno == ENOENT;
  if (fresh) {
    // Nothing to resume: the writing thread makes the tables, and the window never waits for
    // their syncs. The statistics open their reading connection when first asked.
    // A folder the game cannot create files in plays on without a record, silently, as it
    // does without its other files there; the start says which of those it cannot read.
    if (!TRecordDb::CreateEmpty(path_)) return;
    fresh_ = true;
  } else {
    reader_ = TRecordDb::Open(path_, START_BUSY_MS, problem_);
    if (!reader_) return;
  }
  locks_ = std::make_unique<TGameLocks>((AppDir + GAME_LOCK_FILE).toStdString());
  const std::string path = path_;
  writer_ = std::make_unique<TRecordWriter>(
      [path](TRecordProblem& problem) { return TRecordDb::Open(path, WRITER_BUSY_MS, problem); });
  if (fresh || !Resume()) GameStarted();
}

bool TRecorder::Resume()
{
  std::vector<TRecordDb::TOpenGame> open;
  if (!reader_->OpenGames(open)) return false;
  bool resumed = false;
  for (const TRecordDb::TOpenGame& candidate : open) {
    // Another copy plays it; when that copy ends, a later start takes it up.
    if (locks_->HeldElsewhere(candidate.id)) continue;
    if (!resumed && !locks_->Take(candidate.id)) continue;
    if (resumed) {
      // Older games that nobody plays were left by copies that ended: the newest one goes on,
      // they go into the history as not finished.
      const int64_t id = candidate.id;
      writer_->Post([id](TRecordDb& db) {
        return db.EndGame(id, TGameEnd::Abandoned, RecordNow(), nullptr);
      });
      continue;
    }
    std::vector<TAction> actions;
    TGameState state;
    const bool played = reader_->LoadActions(candidate.id, actions) && ReplayGame(actions, state);
    const int64_t id = candidate.id;
    if (played && ::GameFinished(state)) {
      finished_ = actions;
      // Its last entry was written, its end was not: it ends now, as it would have, and its
      // high-score entries are made when the start lists the finished games.
      PostFinished(id, state, candidate.hintUsed);
      continue;
    }
    const bool fits = played && state.players == Lineup() && app_.ShowGame(state);
    if (!fits) {
      // Impossible, or played by other players now: it stays in the history, and a new game
      // starts.
      writer_->Post([id](TRecordDb& db) {
        return db.EndGame(id, TGameEnd::Abandoned, RecordNow(), nullptr);
      });
      continue;
    }
    // A game that had a hint stays out of the high-score list after a restart too.
    app_.HintUsed = candidate.hintUsed;
    game_ = id;
    seq_ = int(actions.size());
    shadow_ = state;
    actions_ = std::move(actions);
    resumed = true;
    // The person sees where the game stopped, and is told so until the first action.
    app_.ShowResumed();
  }
  if (!resumed) locks_->Release();
  return resumed;
}

std::vector<TRecordPlayer> TRecorder::Lineup() const
{
  std::vector<TRecordPlayer> players;
  for (int p = 0; p < PlayerCount && p < int(app_.PlayerName.size()); ++p) {
    TRecordPlayer player;
    player.name = Utf8(app_.PlayerName[size_t(p)]);
    if (p == 1 && app_.ComputerPlays()) {
      player.computer = true;
      player.level = std::string(LevelName(app_.Computer->Level()));
    }
    // Over the network, the seat played at the other computer is marked.
    if (app_.Net && app_.Net->Playing() && p != app_.Net->OwnSeat()) player.level = NETWORK_SEAT;
    players.push_back(player);
  }
  return players;
}

TAction TRecorder::Throw(int seat, int roll) const
{
  TAction action;
  action.kind = TActionKind::Throw;
  action.seat = seat;
  action.turn = app_.CurrentPlayer;
  action.roll = roll;
  const TDicefield& dice = *app_.DiceField[size_t(seat)];
  for (int i = 0; i < DICE; ++i)
    action.faces[size_t(i)] = dice.Dice[size_t(i + 1)];
  return action;
}

void TRecorder::Post(const TAction& stamped)
{
  if (!writer_ || game_ == 0) return;
  TAction action = stamped;
  action.at = RecordNow();
  // What the game did is what the record holds, even where a test set the dice by hand.
  if (!ApplyAction(shadow_, action) && action.kind == TActionKind::Players) return;
  pending_.push_back({seq_++, action});
  actions_.push_back(action);
}

void TRecorder::Send()
{
  if (!writer_ || pending_.empty()) return;
  // One action of the person can make several records (an entry, and the throw for the next
  // turn): they reach the disk together or not at all.
  const int64_t game = game_;
  const int64_t started = startedAt_;
  startedAt_ = 0;
  writer_->Post([game, started, actions = std::move(pending_)](TRecordDb& db) {
    if (started && !db.AddGame(game, started)) return false;
    for (const auto& [seq, action] : actions)
      if (!db.AddAction(game, seq, action)) return false;
    return true;
  });
  pending_.clear();
}

void TRecorder::GameStarted()
{
  if (!writer_) return;
  GameReplaced();
  int64_t id = NewGameId();
  // Taken before the game is written: no other copy ever sees it unheld.
  for (int tries = 0; tries < 8 && !locks_->Take(id); ++tries)
    id = NewGameId();
  game_ = id;
  seq_ = 0;
  shadow_ = TGameState();
  actions_.clear();
  // The game is written with its players and first throws, in one.
  startedAt_ = RecordNow();
  Observe();
}

void TRecorder::GameReplaced()
{
  if (!writer_ || game_ == 0) return;
  entryPending_ = false;
  Send();
  const int64_t id = game_;
  writer_->Post(
      [id](TRecordDb& db) { return db.EndGame(id, TGameEnd::Abandoned, RecordNow(), nullptr); });
  game_ = 0;
}

void TRecorder::GameFinished()
{
  if (!writer_ || game_ == 0) return;
  entryPending_ = false;
  Observe();
  PostFinished(game_, shadow_, app_.HintUsed);
  game_ = 0;
  finished_ = std::move(actions_);
  actions_.clear();
}

void TRecorder::Entered(int seat, TGadget* cell)
{
  if (!writer_ || game_ == 0 || !cell) return;
  Observe();
  for (int row = 0; row < SHEET_ROWS; ++row)
    for (int column = 0; column < SHEET_COLUMNS; ++column) {
      if (SheetCell(app_, seat, row, column) != cell) continue;
      TAction action;
      action.kind = TActionKind::Entry;
      action.seat = seat;
      action.turn = seat;
      action.row = row;
      action.column = column;
      action.points = CellValue(cell);
      Post(action);
      entryPending_ = true;
      return;
    }
}

void TRecorder::Rethrown(int seat)
{
  if (!writer_ || game_ == 0 || seat < 0 || seat >= int(app_.DiceField.size())) return;
  // Over the network the dice wait for the link, blank, until the seat's turn.
  if (app_.DiceField[size_t(seat)]->Dice[1] != 0) Post(Throw(seat, 0));
  entryPending_ = false;
  Send();
}

void TRecorder::Observe()
{
  if (!writer_) return;
  if (game_ == 0) {
    WatchTrouble();
    return;
  }
  const std::vector<TRecordPlayer> lineup = Lineup();
  if (lineup != shadow_.players || app_.CurrentPlayer != shadow_.turn) {
    TAction action;
    action.kind = TActionKind::Players;
    action.players = lineup;
    action.turn = app_.CurrentPlayer;
    Post(action);
  }
  for (int p = 0; p < int(shadow_.seats.size()) && p < int(app_.DiceField.size()); ++p) {
    const TDicefield& dice = *app_.DiceField[size_t(p)];
    if (dice.Dice[1] == 0) continue; // not made yet
    const TSeatState& seat = shadow_.seats[size_t(p)];
    THoldMask holds{};
    TFaces faces{};
    for (int i = 0; i < DICE; ++i) {
      holds[size_t(i)] = dice.Active[size_t(i + 1)] != 0;
      faces[size_t(i)] = dice.Dice[size_t(i + 1)];
    }
    if (!seat.thrown) {
      Post(Throw(p, 0));
      if (dice.Count > 0) Post(Throw(p, dice.Count));
    }
    if (holds != shadow_.seats[size_t(p)].holds) {
      TAction action;
      action.kind = TActionKind::Hold;
      action.seat = p;
      action.turn = app_.CurrentPlayer;
      action.holds = holds;
      Post(action);
    }
    if (dice.Count != shadow_.seats[size_t(p)].rolls || faces != shadow_.seats[size_t(p)].dice)
      Post(Throw(p, dice.Count));
  }
  // An entry waits for the throw that follows it.
  if (!entryPending_) Send();
  WatchTrouble();
}

void TRecorder::MarkHintUsed()
{
  if (!writer_ || game_ == 0) return;
  const int64_t id = game_;
  writer_->Post([id](TRecordDb& db) { return db.MarkHintUsed(id); });
}

void TRecorder::PostFinished(int64_t id, const TGameState& state, bool hintUsed)
{
  // Until its entries are in the high-score list, no other copy lists them.
  if (!hintUsed) locks_->Keep(id);
  writer_->Post([id, state, hintUsed](TRecordDb& db) {
    return db.EndGame(id, TGameEnd::Finished, RecordNow(), &state) &&
           (hintUsed || db.AddUnlisted(id));
  });
  if (!hintUsed) lastFinished_ = id;
}

void TRecorder::Flush()
{
  entryPending_ = false;
  Send();
  if (writer_) writer_->Flush();
}

void TRecorder::FlushAtEnd()
{
  entryPending_ = false;
  Send();
  if (writer_) writer_->FlushAtEnd(END_FLUSH_MS);
}

void TRecorder::WatchTrouble()
{
  if (!writer_ || telling_) return;
  const TRecordProblem trouble = writer_->Trouble();
  if (trouble != TRecordProblem::None && !told_.count(trouble)) {
    // Once a run for each kind: the actions wait in memory and go in as soon as they can.
    told_.insert(trouble);
    telling_ = true;
    Notify(RecordTroubleText(trouble));
    telling_ = false;
  }
}
