// The record's side of a game over the network: which seat is played here, the steps the two
// computers exchanged, how a fault ended it, and taking it up again where both computers were.

#include "app/recorder.h"

#include "app/app.h"
#include "app/netgame.h"
#include "store/ownerrights.h"

namespace
{
std::string Bytes(const QByteArray& bytes)
{
  return bytes.toStdString();
}
} // namespace

void TRecorder::NetStarted(int seat, const QByteArray& token, const QByteArray& secret)
{
  if (!writer_ || game_ == 0) return;
  // The game's row is written with its first actions: the mark follows it.
  Observe();
  entryPending_ = false;
  Send();
  const int64_t id = game_;
  writer_->Post([id, seat, token = Bytes(token), secret = Bytes(secret)](TRecordDb& db) {
    return db.AddNetGame(id, seat, token, secret);
  });
}

void TRecorder::NetStep(int index, int seq, const QByteArray& step)
{
  if (!writer_ || game_ == 0) return;
  const int64_t id = game_;
  writer_->Post([id, index, seq, data = Bytes(step)](TRecordDb& db) {
    return db.AddNetStep(id, index, seq, data);
  });
}

void TRecorder::NetFault(const QString& sentence)
{
  if (!writer_ || game_ == 0) return;
  entryPending_ = false;
  Observe();
  Send();
  const int64_t id = game_;
  writer_->Post([id, ending = sentence.toUtf8().toStdString()](TRecordDb& db) {
    return db.SetNetEnding(id, ending) && db.EndGame(id, TGameEnd::Abandoned, RecordNow(), nullptr);
  });
  game_ = 0;
  finished_ = std::move(actions_);
  actions_.clear();
  locks_->Release();
}

void TRecorder::Detach()
{
  if (!writer_ || game_ == 0) return;
  entryPending_ = false;
  Send();
  game_ = 0;
  actions_.clear();
  // Another copy may take it up now.
  locks_->Release();
}

bool TRecorder::OpenNetGame(TRecordDb::TNetGame& game)
{
  const TOwnerRights rights;
  TRecordDb* reader = Reader();
  if (!reader) return false;
  writer_->Flush();
  std::vector<TRecordDb::TNetGame> games;
  if (!reader->OpenNetGames(games)) return false;
  for (TRecordDb::TNetGame& candidate : games)
    if (candidate.id == game_ || !locks_->HeldElsewhere(candidate.id)) {
      game = std::move(candidate);
      return true;
    }
  return false;
}

bool TRecorder::ResumeNet(int64_t id, int steps, int seq)
{
  const TOwnerRights rights;
  TRecordDb* reader = Reader();
  if (!reader) return false;
  if (game_ != id) {
    GameReplaced();
    if (!locks_->Take(id)) return false;
  }
  entryPending_ = false;
  Send();
  writer_->Flush();
  std::vector<TAction> actions;
  if (!reader->LoadActions(id, actions)) return false;
  // What this computer saw after the last step both hold is not part of the game any more;
  // the steps after it come again, under their numbers.
  const int cut = seq >= 0 && seq < int(actions.size()) ? seq : int(actions.size());
  actions.resize(size_t(cut));
  writer_->Post([id, steps, cut](TRecordDb& db) { return db.CutNetGame(id, steps, cut); });
  TGameState state;
  if (!ReplayGame(actions, state, true) || !app_.ShowGame(state)) return false;
  // A seat whose turn's first throw has not come shows no dice.
  for (size_t p = 0; p < state.seats.size(); ++p)
    if (!state.seats[p].thrown && app_.Net) app_.Net->Blank(int(p));
  game_ = id;
  seq_ = int(actions.size());
  shadow_ = state;
  actions_ = std::move(actions);
  startedAt_ = 0;
  return true;
}
