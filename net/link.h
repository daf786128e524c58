#pragma once

// One computer's end of a game over the network, for app/ (which plays the other seat through
// it) and forms/ (the network window). QtCore and QtNetwork only.
//
// Additions to the agreed interface (20:30): TNetResume::secret and TNetLink::Secret(). Each
// side keeps one private random secret per game, from which its dice secrets are made; the app
// records it with the game (never shown, never sent) and hands it back to resume. Without it a
// resumed game cannot go on, because this side could not reveal what it committed to.
//
// Worth knowing (20:25):
// - OwnSeat() of a resumed game is the seat this computer played when the game began (its
//   secret says which), whichever side offers this time; only a new game gives the offering
//   side seat 0.
// - After OnConnected of a resumed game, one step that only the other computer held may follow
//   at once by OnThrown or OnEntered (a throw or entry of the own seat whose confirmation was
//   lost). Throw and Enter called inside OnConnected before it are refused (Error() says why),
//   so act on the own turn from OnThrown/OnEntered or from the event loop after OnConnected.
// - Throw and Enter that the rules or the moment do not allow are ignored and Error() says why;
//   a callback may call Throw, Enter or Close, but must not delete the link (let the event loop
//   do it later).

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// What a resumed game brings to a new connection: the game's token (random, fixed when the two
// first met), this side's private secret of the game, and the steps this side holds (throws and
// entries, both seats, in order).
struct TNetResume {
  QByteArray token;              // empty: a new game
  std::vector<QByteArray> steps; // each step as the protocol encodes it (opaque to app/)
  QByteArray secret;             // Secret() of the link that began the game on this computer
};

class TNetLinkPrivate;

// One computer's end of a game over the network. Offers a game or joins one, authenticated by
// the join code; then carries each step of both seats and makes the dice of every throw from
// secrets of both sides (commit, then reveal). All callbacks come from the Qt event loop
// (app's WaitEvent runs it), never from another thread.
class TNetLink
{
public:
  TNetLink();
  ~TNetLink();
  TNetLink(const TNetLink&) = delete;
  TNetLink& operator=(const TNetLink&) = delete;

  static QString NewCode(); // a fresh join code to show, e.g. "4827-1935-6610"
  // Offer: listen on port (0: the system chooses). false (and Error()) when it cannot.
  bool Offer(uint16_t port, const QString& code, const QString& ownName,
             const TNetResume& resume = {});
  uint16_t Port() const;         // the port listened on
  QStringList Addresses() const; // this computer's addresses worth giving
  // Join: connect to host:port with the code. The outcome comes by OnConnected or OnClosed.
  void Join(const QString& host, uint16_t port, const QString& code, const QString& ownName,
            const TNetResume& resume = {});
  void Close();          // ends the offer or the game; nothing listens after it
  QString Error() const; // German sentence of the last failure

  int OwnSeat() const; // 0: the offering side (plays first), 1: joining
  QString PeerName() const;
  QByteArray Token() const;  // the game's token, after OnConnected
  QByteArray Secret() const; // this side's private secret of the game, after OnConnected
  // Where a resumed game continues: the number of steps both sides hold (after OnConnected).
  // The app keeps its first CommonSteps() steps; a step that only the other side held comes
  // after OnConnected by OnThrown or OnEntered like any other.
  size_t CommonSteps() const;

  // The own seat's steps, only when it is the own seat's turn:
  // a throw (first throw of a turn: holds 0; bits 0..5 = dice 1..6 kept). Its faces arrive by
  // OnThrown, like the other seat's, once both secrets are revealed and checked.
  void Throw(uint8_t holds);
  void Enter(int row, int column); // row 0..20 in sheet order, column 0..2

  // Callbacks, set before Offer/Join.
  std::function<void()> OnConnected; // names exchanged, seats known (and resume settled)
  std::function<void(int seat, uint8_t holds, std::array<int, 6> faces, QByteArray step)> OnThrown;
  // The peer's entries and, confirmed, the own.
  std::function<void(int seat, int row, int column, QByteArray step)> OnEntered;
  // The link ended; `sentence` is German and says why ("Der andere Spieler hat die Verbindung
  // beendet.", "Falscher Code.", "Der andere Computer hat einen unmöglichen Zug geschickt: ..."),
  // `fault` is true when the peer broke the rules (cheating or garbage), false for a plain drop.
  std::function<void(const QString& sentence, bool fault)> OnClosed;
  // A wrong code was tried against this offer (the offer goes on until a few wrong codes).
  std::function<void(int wrongSoFar)> OnWrongCode;

private:
  friend class TNetLinkPrivate;
  std::unique_ptr<TNetLinkPrivate> d;
};
