#pragma once

// A joining computer that speaks the protocol by hand, so that a test can make it cheat: it
// proves the code, says hello for a new game as seat 1, answers throws and entries honestly
// unless told otherwise, and can send anything, framed and encrypted or raw.

#include "net/channel.h"
#include "net/protocol.h"

#include <QTcpSocket>
#include <functional>
#include <memory>

class TRawPeer
{
public:
  explicit TRawPeer(uint16_t port, const QString& code = QStringLiteral("1234-5678-9012"));
  bool ready = false; // proven both ways and hello exchanged
  bool answer = true; // answer the other side's throws and entries
  std::vector<TNetMessage> received;
  uint32_t steps = 0, throws = 0;
  QByteArray gameId;

  void Send(const TNetMessage& m); // framed and encrypted
  void SendRaw(const QByteArray& bytes);
  // An honest throw of seat 1 with the right reveal; its step count follows the answer.
  void Throw(uint8_t holds);
  void Enter(int row, int column);
  QByteArray Reveal(uint32_t k) const;
  QByteArray Commit(uint32_t k) const;

private:
  std::unique_ptr<QTcpSocket> socket = std::make_unique<QTcpSocket>();
  QByteArray buffer, digits, key, salt, offerNonce, joinNonce, secret;
  TNetCipher sendCipher, receiveCipher;
  int phase = 0;
  void Read();
  void Handle(const TNetMessage& m);
};
