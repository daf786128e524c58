// The network window's side of a game over the network: the link with its callbacks, what the
// window learns while it waits, and the game that a new connection can resume.

#include "app/netgame.h"

#include "app/app.h"
#include "app/recorder.h"
#include "gui/timer.h"
#include "net/link.h"
#include "net/upnp.h"

void TNetGame::Connect(TNetLink& link)
{
  // The callbacks only note what came: the game changes in the main loop's ticks, never inside
  // the link's own code.
  link.OnConnected = [this] {
    connectedNews_ = true;
    Wake();
  };
  link.OnThrown = [this](int seat, uint8_t holds, std::array<int, 6> faces, QByteArray step) {
    TItem item;
    item.kind = TKind::Thrown;
    item.seat = seat;
    item.holds = holds;
    item.faces = faces;
    item.step = std::move(step);
    Push(std::move(item));
  };
  link.OnEntered = [this](int seat, int row, int column, QByteArray step) {
    TItem item;
    item.kind = TKind::Entered;
    item.seat = seat;
    item.row = row;
    item.column = column;
    item.step = std::move(step);
    Push(std::move(item));
  };
  link.OnClosed = [this](const QString& sentence, bool fault) {
    if (!playing_) {
      // The network window waits for it.
      closedNews_ = true;
      closedSentence_ = sentence;
      Wake();
      return;
    }
    TItem item;
    item.kind = TKind::Closed;
    item.sentence = sentence;
    item.fault = fault;
    Push(std::move(item));
  };
  link.OnWrongCode = [this](int wrongSoFar) {
    wrongCodes_ = wrongSoFar;
    Wake();
  };
}

void TNetGame::Drop(std::unique_ptr<TNetLink> link)
{
  if (!link) return;
  link->OnConnected = nullptr;
  link->OnThrown = nullptr;
  link->OnEntered = nullptr;
  link->OnClosed = nullptr;
  link->OnWrongCode = nullptr;
  link->Close();
}

TNetLink& TNetGame::NewLink()
{
  Drop(std::move(link_));
  link_ = std::make_unique<TNetLink>();
  Connect(*link_);
  connectedNews_ = closedNews_ = false;
  closedSentence_.clear();
  wrongCodes_ = 0;
  // Steps of a link that went are no steps of the next.
  if (!playing_) items_.clear();
  return *link_;
}

void TNetGame::CloseLink()
{
  if (!Connected()) Drop(std::move(link_));
}

void TNetGame::Park(std::unique_ptr<TNetUpnp> upnp, std::shared_ptr<bool> done)
{
  if (!upnp) return;
  parked_.emplace_back(std::move(upnp), std::move(done));
  Unpark();
}

void TNetGame::Unpark()
{
  // Closing one whose router has answered takes its forwarding back at once.
  for (size_t i = parked_.size(); i-- > 0;)
    if (!parked_[i].second || *parked_[i].second) parked_.erase(parked_.begin() + long(i));
}

bool TNetGame::TakeConnected()
{
  const bool news = connectedNews_;
  connectedNews_ = false;
  return news;
}

bool TNetGame::TakeClosed(QString& sentence)
{
  if (!closedNews_) return false;
  closedNews_ = false;
  sentence = closedSentence_;
  return true;
}

void TNetGame::Push(TItem item)
{
  items_.push_back(std::move(item));
  Wake();
}

void TNetGame::Wake()
{
  // Also while a dialog's loop runs: the network window waits for these ticks.
  if (!timer_ || !TimerPending(timer_)) timer_ = StartTimer(0);
}

bool TNetGame::Resumable(TNetSaved& saved)
{
  if (playing_ && !connected_ && !over_ && !saved_.token.isEmpty()) {
    saved = saved_;
    saved.hintUsed = app_.HintUsed;
    return true;
  }
  TRecordDb::TNetGame game;
  if (!app_.Record || !app_.Record->OpenNetGame(game)) return false;
  saved = TNetSaved();
  saved.game = game.id;
  saved.seat = game.seat;
  saved.token = QByteArray::fromStdString(game.token);
  saved.secret = QByteArray::fromStdString(game.secret);
  saved.hintUsed = game.hintUsed;
  for (const TRecordDb::TNetStep& step : game.steps) {
    saved.steps.push_back(QByteArray::fromStdString(step.data));
    saved.seqs.push_back(step.seq);
  }
  std::vector<TAction> actions;
  if (!app_.Record->LoadGame(game.id, actions)) return false;
  for (const TAction& action : actions)
    if (action.kind == TActionKind::Players && int(action.players.size()) == 2)
      saved.peer = QString::fromStdString(action.players[size_t(1 - (game.seat & 1))].name);
  // A step written just before the end whose actions did not follow it is not held.
  while (!saved.seqs.empty() && saved.seqs.back() >= int(actions.size())) {
    saved.seqs.pop_back();
    saved.steps.pop_back();
  }
  return !saved.token.isEmpty();
}

TNetResume TNetGame::ResumeOf(const TNetSaved& saved)
{
  TNetResume resume;
  resume.token = saved.token;
  resume.steps = saved.steps;
  resume.secret = saved.secret;
  return resume;
}
