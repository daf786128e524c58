#pragma once

// A game with a person at another computer: one seat is played here, the other there, and every
// throw, entry and the dice of both come through the link. It plays the other seat through the
// same gadget actions as the computer's seat is played, one step per tick of a one-shot timer,
// and applies the own seat's throws and entries only when the link reports them, so that both
// screens show the same sequence. Owned by TApp, whose main loop hands it the ticks and asks it,
// before every event, whether the person may act at all. The network window makes the link
// through it and waits for the connection.

#include "gui/event.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

class TApp;
class TNetLink;
class TNetUpnp;
struct TNetResume;

// Said when the connection drops; the game stays open.
extern const char* const NET_DROPPED_NOTE;
// Said when a fault of the other computer ended the game.
extern const char* const NET_FAULT_NOTE;
// "Tipp" chosen while the other seat is at the turn.
extern const char* const NET_REFUSAL;
// The player dialog and the computer while a game over the network is on the sheets.
extern const char* const NET_BUSY;

// A game over the network that can go on: the record's game, the seat played here, the token
// and secret, and the steps this computer holds with the record's action count before each.
struct TNetSaved {
  int64_t game = 0;
  int seat = 0;
  QByteArray token, secret;
  std::vector<QByteArray> steps;
  std::vector<int> seqs;
  QString peer; // the other seat's name
  bool hintUsed = false;
};

class TNetGame
{
public:
  explicit TNetGame(TApp& app);
  ~TNetGame();
  TNetGame(const TNetGame&) = delete;
  TNetGame& operator=(const TNetGame&) = delete;

  // Milliseconds between the two parts of a step of the other seat shown (its holds, then its
  // throw; the cell it chose, then the entry); tests shorten it.
  int StepDelay = 250;

  // A fresh link with every callback set, for the network window to offer or join with; the
  // one before it is closed.
  TNetLink& NewLink();
  TNetLink* Link() { return link_.get(); }
  // Ends an offer or a try to join that has not become a game: nothing listens afterwards.
  void CloseLink();
  // The router's forwarding of an offer that ended: taken back once the router has answered
  // (done), after the next event, so that the window never waits for the router.
  void Park(std::unique_ptr<TNetUpnp> upnp, std::shared_ptr<bool> done);
  // What the network window learns while it waits: the connection made, the link ended (with
  // its sentence), wrong codes tried against the offer. Each is taken once.
  bool TakeConnected();
  bool TakeClosed(QString& sentence);
  int WrongCodes() const { return wrongCodes_; }
  // The game to resume, if any: the one on the sheets that lost its connection, else the newest
  // open one in the record. The resume to hand to Offer or Join.
  bool Resumable(TNetSaved& saved);
  static TNetResume ResumeOf(const TNetSaved& saved);
  // After the connection: sets up both seats and begins the game, or continues the saved one
  // at the last step both computers hold. False (the link closed) when it cannot.
  bool Begin(const TNetSaved* resumed);

  // A game over the network is on the sheets (connected, or waiting to be resumed).
  bool Playing() const { return playing_; }
  bool Connected() const { return playing_ && connected_ && !over_; }
  int OwnSeat() const { return seat_; }
  // The steps of the game both computers applied, on the sheets now.
  size_t Steps() const { return saved_.steps.size(); }
  // The person cannot act on the sheets now: the other seat is at the turn, a step of the own
  // seat is on its way, or the game is not connected. Also while a step is being applied.
  bool Blocks() const;
  bool OtherAtTurn() const;
  // The own seat's roll and enter buttons: the step goes to the link, and is applied when the
  // link reports it. True when the event was taken.
  bool Take(const TEvent& event);
  // After every event: a tick is pending exactly while a step waits to be applied, and the own
  // seat's first throw of a turn is asked for.
  void Schedule();
  bool Tick(int handle);
  // A seat's dice before the link has thrown them: blank.
  void Blank(int seat);
  // Every sheet is full: the game is over here; the link stays until the next game.
  void GameOver();
  // At the start of every new game: one over the network that is not just beginning is left.
  void BeforeNewGame();
  // A new game at this computer: the link closes, a dropped game stays open in the record, and
  // the players before the network game come back.
  void Leave();
  // The players of this computer while the network game has the sheets.
  std::vector<QString> LocalNames;
  bool LocalComputer = false;

private:
  enum class TKind { Thrown, Entered, Closed };
  struct TItem {
    TKind kind = TKind::Thrown;
    int seat = 0;
    uint8_t holds = 0;
    std::array<int, 6> faces{};
    int row = 0, column = 0;
    QByteArray step;
    QString sentence;
    bool fault = false;
  };
  void Push(TItem item);
  void Wake();
  // Whether a step shows a first part before it is done: the other seat's holds before its
  // throw, the cell it chose before the entry.
  bool HasFirstPart(const TItem& item);
  void ShowFirstPart(const TItem& item);
  void ApplyThrow(const TItem& item);
  void ApplyEntry(const TItem& item);
  void Closed(const QString& sentence, bool fault);
  // Puts the two seats on the sheets with these names, the computer out.
  void Seat(const QString& first, const QString& second);
  // The record's action count before a step's actions; the step with it.
  void Mark();
  void RecordStep(const QByteArray& step);
  // A fresh link's callbacks, and the closing of one that goes.
  void Connect(TNetLink& link);
  void Drop(std::unique_ptr<TNetLink> link);
  // A step that does not fit the game here: the link is ended as by a fault.
  void Mismatch();

  TApp& app_;
  std::unique_ptr<TNetLink> link_;
  std::deque<TItem> items_;
  int timer_ = 0;
  bool playing_ = false, connected_ = false, over_ = false, waiting_ = false;
  bool applying_ = false, shown_ = false, starting_ = false, flush_ = false;
  int stepSeq_ = 0; // the record's actions before the step being applied
  bool connectedNews_ = false, closedNews_ = false;
  QString closedSentence_;
  int wrongCodes_ = 0;
  int seat_ = 0;
  // The game as the record and a resume know it.
  TNetSaved saved_;
  std::vector<std::pair<std::unique_ptr<TNetUpnp>, std::shared_ptr<bool>>> parked_;
  void Unpark();
};
