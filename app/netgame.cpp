#include "app/netgame.h"

#include "app/app.h"
#include "app/computer.h"
#include "app/recorder.h"
#include "dice/dicefield.h"
#include "gui/driver.h"
#include "gui/timer.h"
#include "net/link.h"
#include "net/upnp.h"
#include "sheet/cells.h"

const char* const NET_DROPPED_NOTE =
    "Das Spiel bleibt offen. Über „Spiel > Netzwerkspiel ...“ geht es weiter, sobald beide "
    "Computer wieder verbunden sind.";
const char* const NET_FAULT_NOTE =
    "Das Spiel ist damit beendet; die Spielchronik hält fest, wie es endete.";
const char* const NET_REFUSAL = "Kein Tipp, solange der andere Computer am Zug ist";
const char* const NET_BUSY = "Während eines Netzwerkspiels bleiben die Spieler, wie sie sind. "
                             "„Neues Spiel“ beendet das Netzwerkspiel an diesem Computer.";

namespace
{
const char* const NET_MISMATCH =
    "Der andere Computer hat einen Zug geschickt, der nicht zum Spiel auf diesem Computer passt.";
const char* const NET_RESUME_FAILED =
    "Das unterbrochene Spiel lässt sich auf diesem Computer nicht mehr zeigen.";
} // namespace

TNetGame::TNetGame(TApp& app) : app_(app) {}

TNetGame::~TNetGame()
{
  StopTimer(timer_);
  Drop(std::move(link_));
}

void TNetGame::Seat(const QString& first, const QString& second)
{
  if (app_.Computer) app_.Computer->Plays = false;
  if (PlayerCount == 1) app_.CreatePlayer(second);
  app_.PlayerName[0] = first;
  app_.PlayerName[1] = second;
  for (int p = 0; p < 2; ++p)
    app_.DiceField[size_t(p)]->Player1->SetText(app_.PlayerName[size_t(p)]);
  if (app_.MenuComputer) app_.MenuComputer->SetSelected(0);
}

bool TNetGame::Begin(const TNetSaved* resumed)
{
  if (!link_) return false;
  if (!playing_) {
    LocalNames = app_.PlayerName;
    LocalComputer = app_.ComputerPlays();
  } else if (!resumed || resumed->game != saved_.game) {
    // Another game than the one that lost its connection: that one stays open in the record.
    if (app_.Record) app_.Record->Detach();
  }
  seat_ = link_->OwnSeat() == 0 ? 0 : 1;
  const QString own = LocalNames.empty() ? QString(DEFAULT_PLAYER) : LocalNames[0];
  const QString peer = link_->PeerName();
  playing_ = connected_ = true;
  over_ = waiting_ = shown_ = false;
  starting_ = true;
  Seat(seat_ == 0 ? own : peer, seat_ == 0 ? peer : own);
  bool ok = true;
  if (resumed) {
    const size_t common = link_->CommonSteps();
    ok = resumed->seat == seat_ && common <= resumed->steps.size();
    saved_ = *resumed;
    if (ok) {
      const int seq = common < saved_.seqs.size() ? saved_.seqs[common] : -1;
      saved_.steps.resize(common);
      saved_.seqs.resize(common);
      if (app_.Record && app_.Record->Available())
        ok = app_.Record->ResumeNet(saved_.game, int(common), seq);
      else
        ok = seq < 0; // without a record only the game still on the sheets goes on
    }
    // A game that had a hint stays out of the high-score list when it goes on.
    app_.HintUsed = resumed->hintUsed;
  } else {
    app_.NewGame();
    saved_ = TNetSaved();
    if (app_.Record) {
      app_.Record->NetStarted(seat_, link_->Token(), link_->Secret());
      saved_.game = app_.Record->Game();
    }
  }
  starting_ = false;
  saved_.seat = seat_;
  saved_.token = link_->Token();
  saved_.secret = link_->Secret();
  saved_.peer = peer;
  if (!ok) {
    Notify(NET_RESUME_FAILED);
    Leave();
    app_.NewGame();
    return false;
  }
  app_.Describe();
  Schedule();
  return true;
}

bool TNetGame::Blocks() const
{
  if (!playing_) return false;
  if (applying_ || !connected_ || over_ || waiting_ || !items_.empty()) return true;
  if (app_.CurrentPlayer != seat_ || seat_ >= int(app_.DiceField.size())) return true;
  return app_.DiceField[size_t(seat_)]->Dice[1] == 0; // its dice are on their way
}

bool TNetGame::OtherAtTurn() const
{
  return playing_ && app_.CurrentPlayer != seat_;
}

void TNetGame::Blank(int seat)
{
  if (seat < 0 || seat >= int(app_.DiceField.size())) return;
  TDicefield& dice = *app_.DiceField[size_t(seat)];
  dice.Count = 0;
  for (int i = 1; i <= DICE; ++i) {
    dice.Dice[size_t(i)] = 0;
    dice.Active[size_t(i)] = 0;
    dice.ShowDie(i);
  }
}

bool TNetGame::Take(const TEvent& event)
{
  if (!Connected() || event.id != EVENT_GADGETACTION || seat_ >= int(app_.DiceField.size()))
    return false;
  TDicefield& dice = *app_.DiceField[size_t(seat_)];
  if (event.source && event.source == dice.Button) {
    uint8_t holds = 0;
    for (int i = 0; i < DICE; ++i)
      if (dice.Active[size_t(i + 1)]) holds |= uint8_t(1u << i);
    waiting_ = true;
    link_->Throw(holds);
    return true;
  }
  if (!event.source || event.source != dice.Fill) return false;
  TGadget* cell = app_.Last;
  for (int row = 0; cell && row < SHEET_ROWS; ++row)
    for (int column = 0; column < SHEET_COLUMNS; ++column) {
      if (SheetCell(app_, seat_, row, column) != cell) continue;
      // The question comes before the step goes: the other computer never sees it withdrawn.
      if (cell->GetText() == "0" && Confirm(STRIKE_QUESTION, 0) != 1) {
        cell->SetText(CELL_FREE);
        app_.Last = nullptr;
        dice.Fill->SetEnabled(0);
        cell->Activate(0);
        return true;
      }
      waiting_ = true;
      dice.Fill->SetEnabled(0);
      link_->Enter(row, column);
      return true;
    }
  return true;
}

void TNetGame::Schedule()
{
  if (!parked_.empty()) Unpark();
  if (!playing_) return;
  // A step applied is on disk before the link answers the next: a computer switched off loses
  // at most the step on its way, and the two can still go on from what both hold.
  if (flush_ && app_.Record) app_.Record->Flush();
  flush_ = false;
  if (!items_.empty()) {
    if (!timer_ || !TimerPending(timer_)) timer_ = StartTimer(0);
    return;
  }
  // The own seat's turn begins with its first throw, as at one computer, through the link.
  if (Connected() && !waiting_ && app_.CurrentPlayer == seat_ &&
      seat_ < int(app_.DiceField.size()) && app_.DiceField[size_t(seat_)]->Dice[1] == 0 &&
      !app_.SheetFull(seat_)) {
    waiting_ = true;
    link_->Throw(0);
  }
}

bool TNetGame::Tick(int handle)
{
  if (handle == 0 || handle != timer_) return false;
  timer_ = 0;
  if (!playing_ || items_.empty()) return true;
  const TItem item = items_.front();
  if (!shown_ && HasFirstPart(item)) {
    ShowFirstPart(item);
    shown_ = true;
    timer_ = StartTimer(StepDelay);
    return true;
  }
  items_.pop_front();
  shown_ = false;
  // What follows may end the game, begin another or leave this one: nothing of the step is
  // read after it.
  switch (item.kind) {
  case TKind::Thrown:
    ApplyThrow(item);
    break;
  case TKind::Entered:
    ApplyEntry(item);
    break;
  case TKind::Closed:
    Closed(item.sentence, item.fault);
    break;
  }
  if (playing_ && !items_.empty() && (!timer_ || !TimerPending(timer_))) timer_ = StartTimer(0);
  return true;
}

bool TNetGame::HasFirstPart(const TItem& item)
{
  if (item.seat == seat_ || item.seat != app_.CurrentPlayer || item.kind == TKind::Closed)
    return false;
  const TDicefield& dice = *app_.DiceField[size_t(item.seat)];
  if (item.kind == TKind::Entered) {
    TGadget* cell = SheetCell(app_, item.seat, item.row, item.column);
    return cell && app_.Last != cell && !GadgetDisabled(cell);
  }
  if (dice.Dice[1] == 0 || dice.Count >= MAX_ROLLS) return false;
  for (int i = 0; i < DICE; ++i)
    if ((dice.Active[size_t(i + 1)] != 0) != (((item.holds >> i) & 1) != 0)) return true;
  return false;
}

void TNetGame::ShowFirstPart(const TItem& item)
{
  applying_ = true;
  TDicefield& dice = *app_.DiceField[size_t(item.seat)];
  if (item.kind == TKind::Entered) {
    app_.Act(SheetCell(app_, item.seat, item.row, item.column));
  } else {
    for (int i = 0; i < DICE; ++i)
      if ((dice.Active[size_t(i + 1)] != 0) != (((item.holds >> i) & 1) != 0)) dice.Hold(i + 1);
  }
  applying_ = false;
}

void TNetGame::ApplyThrow(const TItem& item)
{
  if (item.seat != app_.CurrentPlayer || item.seat < 0 || item.seat >= int(app_.DiceField.size()))
    return Mismatch();
  for (int face : item.faces)
    if (face < 1 || face > 6) return Mismatch();
  Mark();
  if (item.seat == seat_) waiting_ = false;
  applying_ = true;
  TDicefield& dice = *app_.DiceField[size_t(item.seat)];
  if (dice.Dice[1] == 0) {
    // The turn's first throw: every die afresh, none held.
    dice.Reset();
  } else {
    if (dice.Count >= MAX_ROLLS) {
      applying_ = false;
      return Mismatch();
    }
    for (int i = 0; i < DICE; ++i)
      if ((dice.Active[size_t(i + 1)] != 0) != (((item.holds >> i) & 1) != 0)) dice.Hold(i + 1);
    app_.Act(dice.Button);
  }
  // The faces are the link's, made from both computers' secrets.
  for (int i = 0; i < DICE; ++i) {
    dice.Dice[size_t(i + 1)] = item.faces[size_t(i)];
    dice.ShowDie(i + 1);
  }
  applying_ = false;
  RecordStep(item.step);
}

void TNetGame::ApplyEntry(const TItem& item)
{
  TGadget* cell = SheetCell(app_, item.seat, item.row, item.column);
  if (item.seat != app_.CurrentPlayer || !cell || GadgetDisabled(cell) ||
      app_.DiceField[size_t(item.seat)]->Dice[1] == 0)
    return Mismatch();
  Mark();
  if (item.seat == seat_) waiting_ = false;
  // Recorded with the entry's actions: the record takes the step before the entry may end the
  // game.
  applying_ = true;
  if (app_.Last != cell) app_.Act(cell);
  applying_ = false;
  RecordStep(item.step);
  applying_ = true;
  app_.Act(app_.DiceField[size_t(item.seat)]->Fill);
  applying_ = false;
}

void TNetGame::Mark()
{
  // The step is written before its actions, which reach the record in one piece: a step whose
  // actions are not there after a crash is known by its count, and is not held.
  stepSeq_ = 0;
  if (!app_.Record) return;
  app_.Record->Observe();
  stepSeq_ = app_.Record->Seq();
}

void TNetGame::RecordStep(const QByteArray& step)
{
  saved_.steps.push_back(step);
  saved_.seqs.push_back(stepSeq_);
  if (app_.Record && app_.Record->Game() == saved_.game) {
    app_.Record->NetStep(int(saved_.steps.size()) - 1, stepSeq_, step);
    flush_ = true;
  }
}

void TNetGame::Mismatch()
{
  applying_ = false;
  Drop(std::move(link_));
  Closed(NET_MISMATCH, true);
}

void TNetGame::Closed(const QString& sentence, bool fault)
{
  const bool wasConnected = connected_;
  connected_ = waiting_ = false;
  // Once the game is over the other computer's going is no news.
  if (over_ || !playing_) return;
  items_.clear();
  if (fault) {
    over_ = true;
    if (app_.Record) app_.Record->NetFault(sentence);
    Notify(sentence + "\n" + NET_FAULT_NOTE);
  } else if (wasConnected) {
    Notify(sentence + "\n" + NET_DROPPED_NOTE);
  }
}

void TNetGame::GameOver()
{
  if (playing_) over_ = true;
}

void TNetGame::BeforeNewGame()
{
  if (playing_ && !starting_) Leave();
}

void TNetGame::Leave()
{
  if (!playing_) return;
  Drop(std::move(link_));
  items_.clear();
  StopTimer(timer_);
  timer_ = 0;
  // A game not over stays open in the record, to be resumed with the other computer.
  if (!over_ && app_.Record) app_.Record->Detach();
  playing_ = connected_ = over_ = waiting_ = shown_ = false;
  saved_ = TNetSaved();
  if (LocalNames.size() <= 1) {
    app_.RemovePlayer();
    if (!LocalNames.empty() && !app_.PlayerName.empty()) app_.PlayerName[0] = LocalNames[0];
  } else if (PlayerCount == 2) {
    app_.PlayerName = LocalNames;
    if (app_.Computer) app_.Computer->Plays = LocalComputer;
    if (app_.MenuComputer) app_.MenuComputer->SetSelected(LocalComputer ? 1 : 0);
  }
}
