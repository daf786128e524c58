#pragma once

// Inside TNetLink: the socket, the handshake, the game's messages and the watch over a silent or
// flooding peer. link.cpp holds the socket side and the public calls, session.cpp what the
// messages mean.

#include "net/channel.h"
#include "net/link.h"
#include "net/protocol.h"
#include "net/referee.h"

#include <QElapsedTimer>
#include <QTimer>
#include <memory>

class QTcpServer;
class QTcpSocket;

// How long the other side may keep us waiting, in milliseconds.
constexpr int NET_KEEPALIVE_MS = 3000;  // idle: one keep-alive this often
constexpr int NET_SILENCE_MS = 12000;   // nothing at all from the other side: it is gone
constexpr int NET_REVEAL_MS = 8000;     // the answer to our reveal is made by the program
constexpr int NET_HANDSHAKE_MS = 15000; // from connecting to knowing both names
constexpr int NET_PARTIAL_MS = 5000;    // half a message and no more
constexpr int NET_MAX_KEEPALIVES = 5;   // per second
constexpr int NET_MAX_FRAMES = 3000;    // per second, of any kind
constexpr int NET_MAX_WRONG_CODES = 5;

class TNetLinkPrivate
{
public:
  enum class TState {
    Idle,
    Offering,   // listening, no one proven yet
    AwaitOffer, // joining: connected, waiting for the salt
    AwaitJoin,  // offering: a connection, waiting for its proof
    AwaitProof, // joining: our proof sent
    AwaitHello, // proven both ways, waiting for the other's name and game
    Playing,
  };

  explicit TNetLinkPrivate(TNetLink* link);
  ~TNetLinkPrivate();

  TNetLink* q;
  std::shared_ptr<bool> alive = std::make_shared<bool>(true);
  TState state = TState::Idle;
  bool offering = false;
  QString error;

  std::unique_ptr<QTcpServer> server;
  QTcpSocket* socket = nullptr;
  QTimer watch;
  QElapsedTimer clock;
  qint64 lastReceived = 0, lastSent = 0, partialSince = -1, stateSince = 0;
  qint64 rateWindow = 0;
  int framesInWindow = 0, keepAlivesInWindow = 0;
  QByteArray buffer;

  // Who we are and what we bring.
  QString ownName, peerName;
  QByteArray digits, salt, codeKey, offerNonce, joinNonce;
  TNetCipher sendCipher, receiveCipher;
  int wrongCodes = 0;
  TNetResume resume;
  QByteArray secret; // this side's private secret of the game
  int seat = 0;
  QByteArray token;
  QByteArray startId; // a new game offered here: its id, sent in our hello
  TNetReferee referee;
  size_t common = 0;
  QByteArray pendingCatchUp; // a step only the other side held, reported after OnConnected
  bool catchingUp = false;   // until it is reported, no own step is taken

  // What we wait for.
  bool awaitingReveal = false, awaitingAck = false;
  qint64 awaitingSince = 0;
  TNetStep pending;
  // While the app hears of the other side's step, our answer to it is not yet sent: what the app
  // sends meanwhile (its own next step) waits behind the answer.
  bool holdSends = false;
  std::vector<TNetMessage> held;

  // link.cpp: the socket.
  void Accept();
  void Read();
  void Watch();
  void SendFrame(const QByteArray& payload);
  void Send(const TNetMessage& message);
  void DropSocket();
  // Ends everything and tells the app (unless it asked for the end itself).
  void Fail(const QString& sentence, bool fault);
  void SetState(TState s);

  // session.cpp and play.cpp: what the messages mean.
  bool Prepare(const QString& code, const QString& name, const TNetResume& given);
  void Handle(const QByteArray& frame);
  void HandleHandshake(const TNetMessage& m);
  void HandleGame(const TNetMessage& m);
  void SendHello();
  void Settle(const TNetMessage& hello);
  void PeerThrow(const TNetMessage& m);
  void PeerReveal(const TNetMessage& m);
  void PeerEntry(const TNetMessage& m);
  void PeerAck(const TNetMessage& m);
  void Report(const QByteArray& stepBytes);
  // Reports the other side's step, then answers it, then sends what the app sent meanwhile.
  void ReportAndAnswer(const QByteArray& stepBytes, const TNetMessage& answer);
  QByteArray OwnCommit(uint32_t k) const;
  QByteArray OwnCommitFor(int s) const; // for the first throw, as if this side played seat s
  bool Cheat(const QString& what);      // the peer sent an impossible step: Fail with fault
  static QByteArray StepsHash(const std::vector<QByteArray>& steps, size_t count);
};
