#include "tests/net/rawpeer.h"

#include "net/dice.h"

#include <QHostAddress>

TRawPeer::TRawPeer(uint16_t port, const QString& code)
    : digits(CodeDigits(code)), secret(NetRandom(NET_HASH))
{
  QObject::connect(socket.get(), &QTcpSocket::readyRead, [this] { Read(); });
  socket->connectToHost(QHostAddress::LocalHost, port);
}

QByteArray TRawPeer::Reveal(uint32_t k) const
{
  return DiceSecret(secret, gameId, k);
}
QByteArray TRawPeer::Commit(uint32_t k) const
{
  return DiceCommit(gameId, k, 1, Reveal(k));
}

void TRawPeer::SendRaw(const QByteArray& bytes)
{
  socket->write(bytes);
  socket->flush();
}

void TRawPeer::Send(const TNetMessage& m)
{
  QByteArray payload = WriteMessage(m);
  if (!IsHandshake(m.kind)) payload = sendCipher.Seal(payload);
  QByteArray frame;
  frame.append(char(payload.size() >> 8)).append(char(payload.size() & 0xff)).append(payload);
  SendRaw(frame);
}

void TRawPeer::Read()
{
  buffer.append(socket->readAll());
  while (buffer.size() >= 2) {
    const int length = int(uint8_t(buffer[0])) << 8 | int(uint8_t(buffer[1]));
    if (buffer.size() < 2 + length) return;
    QByteArray payload = buffer.mid(2, length);
    buffer.remove(0, 2 + length);
    if (phase >= 2 && !receiveCipher.Open(QByteArray(payload), payload)) return;
    TNetMessage m;
    QString why;
    if (ReadMessage(payload, m, why)) Handle(m);
  }
}

void TRawPeer::Handle(const TNetMessage& m)
{
  received.push_back(m);
  TNetMessage out;
  if (m.kind == TNetKind::OfferHello) {
    salt = m.salt;
    offerNonce = m.nonce;
    key = CodeKey(digits, salt);
    joinNonce = NetRandom(NET_HASH);
    out.kind = TNetKind::JoinProof;
    out.nonce = joinNonce;
    out.proof = CodeProof(key, false, salt, offerNonce, joinNonce);
    phase = 1;
    return Send(out);
  }
  if (m.kind == TNetKind::OfferProof) {
    sendCipher = TNetCipher(key, false, offerNonce, joinNonce);
    receiveCipher = TNetCipher(key, true, offerNonce, joinNonce);
    phase = 2;
    return;
  }
  if (m.kind == TNetKind::Hello) {
    gameId = m.start.left(NET_GAME_ID);
    out.kind = TNetKind::Hello;
    out.seat = 1;
    out.name = QStringLiteral("Mallory");
    out.start = Commit(0);
    out.hashAll = out.hashButLast = NetHash({}, NET_HASH);
    Send(out);
    ready = true;
    return;
  }
  if (!answer) return;
  if (m.kind == TNetKind::Throw) {
    out.kind = TNetKind::Reveal;
    out.index = steps++;
    out.reveal = Reveal(throws);
    out.next = Commit(throws + 1);
    ++throws;
    return Send(out);
  }
  if (m.kind == TNetKind::Reveal) {
    ++steps;
    ++throws;
    return;
  }
  if (m.kind == TNetKind::Entry) {
    out.kind = TNetKind::Ack;
    out.index = steps++;
    return Send(out);
  }
  if (m.kind == TNetKind::Ack) ++steps;
}

void TRawPeer::Throw(uint8_t holds)
{
  TNetMessage m;
  m.kind = TNetKind::Throw;
  m.index = steps;
  m.holds = holds;
  m.tag = QByteArray(NET_TAG, 'x');
  m.reveal = Reveal(throws);
  m.next = Commit(throws + 1);
  Send(m);
}

void TRawPeer::Enter(int row, int column)
{
  TNetMessage m;
  m.kind = TNetKind::Entry;
  m.index = steps;
  m.row = uint8_t(row);
  m.column = uint8_t(column);
  m.tag = QByteArray(NET_TAG, 'x');
  Send(m);
}
