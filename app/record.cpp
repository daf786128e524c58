// TApp's record of every game: what the game tells the record store as it goes, and the game
// that a start resumes.

#include "app/recorder.h"

#include "app/app.h"
#include "app/computer.h"
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
// A start waits this long for another copy's short write; longer means another program keeps
// the file locked.
constexpr int START_BUSY_MS = 1000;
// The writing thread waits longer: nobody waits for it.
constexpr int WRITER_BUSY_MS = 5000;

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

QString RecordProblemText(TRecordProblem problem)
{
  const QString file = QString::fromLatin1(RECORD_FILE + 1);
  switch (problem) {
  case TRecordProblem::None:
    return QString();
  case TRecordProblem::Locked:
    return "Die Spielchronik " + file +
           " ist gerade anderweitig gesperrt, darum spielt Wurfwummel diesmal ohne Fortsetzen "
           "und ohne Statistik.";
  case TRecordProblem::ReadOnly:
    return "Die Spielchronik " + file +
           " ist schreibgeschützt, darum spielt Wurfwummel diesmal ohne Fortsetzen und ohne "
           "Statistik.";
  case TRecordProblem::Newer:
    return "Die Spielchronik " + file +
           " stammt von einer neueren Wurfwummel-Version, darum spielt Wurfwummel diesmal ohne "
           "Fortsetzen und ohne Statistik.";
  case TRecordProblem::Foreign:
  case TRecordProblem::Unreadable:
    break;
  }
  return "Die Spielchronik " + file +
         " ist beschädigt oder keine Wurfwummel-Datei, darum spielt Wurfwummel diesmal ohne "
         "Fortsetzen und ohne Statistik.";
}

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
  } else {
    reader_ = TRecordDb::Open(path_, START_BUSY_MS, problem_);
    if (!reader_) return;
  }
  locks_ = std::make_unique<TGameLocks>(path_);
  const std::string path = path_;
  writer_ = std::make_unique<TRecordWriter>([path] {
    TRecordProblem problem;
    return TRecordDb::Open(path, WRITER_BUSY_MS, problem);
  });
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
      // Its last entry was written, its end was not: it ends now, as it would have.
      writer_->Post([id, state](TRecordDb& db) {
        return db.EndGame(id, TGameEnd::Finished, RecordNow(), &state);
      });
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
  const int64_t id = game_;
  const TGameState state = shadow_;
  writer_->Post([id, state](TRecordDb& db) {
    return db.EndGame(id, TGameEnd::Finished, RecordNow(), &state);
  });
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
  Post(Throw(seat, 0));
  entryPending_ = false;
  Send();
}

void TRecorder::Observe()
{
  if (!writer_ || game_ == 0) return;
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
}

void TRecorder::MarkHintUsed()
{
  if (!writer_ || game_ == 0) return;
  const int64_t id = game_;
  writer_->Post([id](TRecordDb& db) { return db.MarkHintUsed(id); });
}

void TRecorder::Flush()
{
  entryPending_ = false;
  Send();
  if (writer_) writer_->Flush();
}

TRecordDb* TRecorder::Reader()
{
  if (!writer_) return nullptr;
  const TOwnerRights rights;
  if (!reader_) {
    // Made by the writing thread at the first start: it is there once the writer is done.
    writer_->Flush();
    reader_ = TRecordDb::Open(path_, START_BUSY_MS, problem_);
  }
  return reader_.get();
}

bool TRecorder::ReadStatistics(TStatistics& stats)
{
  const TOwnerRights rights; // SQLite opens its journal files on the first read
  TRecordDb* reader = Reader();
  return reader && reader->ReadStatistics(stats);
}

std::vector<TAction> TRecorder::ActionsToAnalyse()
{
  // A game just begun has nothing decided yet: the one before it tells more.
  for (const TAction& action : actions_)
    if (action.kind == TActionKind::Hold || action.kind == TActionKind::Entry ||
        (action.kind == TActionKind::Throw && action.roll > 0))
      return actions_;
  if (!finished_.empty()) return finished_;
  // Finished in an earlier run: the record has it.
  std::vector<TStatsRow> rows;
  const TStatsRow* last = nullptr;
  if (FinishedGames(rows))
    for (const TStatsRow& row : rows)
      if (!last || row.ended > last->ended) last = &row;
  std::vector<TAction> actions;
  if (last && LoadGame(last->game, actions)) return actions;
  return actions_;
}

bool TRecorder::LoadGame(int64_t id, std::vector<TAction>& actions)
{
  const TOwnerRights rights; // SQLite opens its journal files on the first read
  TRecordDb* reader = Reader();
  if (!reader) return false;
  // The game's last actions may still be on their way to the disk.
  writer_->Flush();
  return reader->LoadActions(id, actions);
}

bool TRecorder::FinishedGames(std::vector<TStatsRow>& rows)
{
  const TOwnerRights rights; // SQLite opens its journal files on the first read
  TRecordDb* reader = Reader();
  return reader && reader->StatsRows(rows);
}

void TApp::OpenRecord()
{
  Record = std::make_unique<TRecorder>(*this);
  Record->Start();
  // Said once, and only about a file that is there but cannot be used; a folder where nothing
  // can be written is as silent as for the other files.
  if (Record->Problem() != TRecordProblem::None) {
    if (QFile::exists(AppPath + RECORD_FILE) || QFile::symLinkTarget(AppPath + RECORD_FILE) != "")
      Notify(RecordProblemText(Record->Problem()));
  }
  // A game resumed in the computer's turn goes on with the computer playing.
  if (Computer) Computer->Schedule();
}

bool TApp::ShowGame(const TGameState& state)
{
  if (int(state.seats.size()) != PlayerCount || int(DiceField.size()) != PlayerCount) return false;
  Last = nullptr;
  const int turn = state.turn;
  bool changed = false;
  for (int p = 0; p < PlayerCount; ++p) {
    const TSeatState& seat = state.seats[size_t(p)];
    const size_t i = size_t(p);
    for (int row = 0; row < SHEET_ROWS; ++row)
      for (int column = 0; column < SHEET_COLUMNS; ++column) {
        TGadget* cell = SheetCell(*this, p, row, column);
        if (!cell) return false;
        // A start's sheets are empty: only what the record changes is touched.
        if (seat.sheet.IsFree(row, column)) {
          if (!GadgetDisabled(cell) && cell->GetText() == CELL_FREE) continue;
          cell->SetText(CELL_FREE);
          cell->SetEnabled(1);
        } else {
          cell->SetText(QString::number(seat.sheet.Cell(row, column)));
          cell->SetEnabled(0);
        }
        changed = true;
      }
    TDicefield& dice = *DiceField[i];
    dice.Count = seat.rolls;
    for (int d = 1; d <= DICE; ++d) {
      dice.Dice[size_t(d)] = seat.dice[size_t(d - 1)];
      dice.Active[size_t(d)] = seat.holds[size_t(d - 1)] ? 1 : 0;
    }
    dice.Button->SetEnabled(seat.rolls < MAX_ROLLS ? 1 : 0);
    dice.Fill->SetEnabled(0);
    for (int d = 1; d <= DICE; ++d)
      dice.ShowDie(d);
    if (!changed) continue;
    // The sums and totals follow the cells, as after the player's own last action.
    CurrentPlayer = p;
    ForScoringSections(*this, i, [](auto& section) {
      if constexpr (requires { section.Refresh(); }) section.Refresh();
    });
    Winpointfield[i]->Procedure(TEvent());
  }
  for (int p = 0; p < PlayerCount; ++p) {
    CurrentPlayer = p;
    UpdateOpponentLine();
  }
  CurrentPlayer = turn == 0 ? 1 : 0;
  if (PlayerCount == 1) CurrentPlayer = 0;
  ShowTurn(turn);
  if (changed) Describe();
  return true;
}
