#include "net/link.h"

#include "net/dice.h"
#include "net/linkprivate.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QTcpSocket>

TNetLinkPrivate::TNetLinkPrivate(TNetLink* link) : q(link)
{
  clock.start();
  watch.setInterval(200);
  QObject::connect(&watch, &QTimer::timeout, [this] { Watch(); });
}

TNetLinkPrivate::~TNetLinkPrivate()
{
  *alive = false;
  if (socket) {
    socket->disconnect();
    socket->abort();
    delete socket;
  }
}

void TNetLinkPrivate::SetState(TState s)
{
  state = s;
  stateSince = clock.elapsed();
}

void TNetLinkPrivate::Accept()
{
  while (server && server->hasPendingConnections()) {
    QTcpSocket* incoming = server->nextPendingConnection();
    if (!incoming) break;
    // One at a time: a second caller waits for a free line by trying again.
    if (state != TState::Offering || socket) {
      incoming->abort();
      incoming->deleteLater();
      continue;
    }
    incoming->setParent(nullptr);
    socket = incoming;
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    QObject::connect(socket, &QTcpSocket::readyRead, [this] { Read(); });
    QObject::connect(socket, &QTcpSocket::disconnected, [this] {
      if (state == TState::AwaitJoin)
        DropSocket(); // a caller gave up: the offer goes on
      else
        Fail(QStringLiteral("Die Verbindung zum anderen Spieler ist abgebrochen."), awaitingReveal);
    });
    buffer.clear();
    partialSince = -1;
    lastReceived = clock.elapsed();
    offerNonce = NetRandom(NET_HASH);
    SetState(TState::AwaitJoin);
    TNetMessage hello;
    hello.kind = TNetKind::OfferHello;
    hello.salt = salt;
    hello.nonce = offerNonce;
    Send(hello);
  }
}

void TNetLinkPrivate::DropSocket()
{
  if (!socket) return;
  socket->disconnect();
  socket->flush();
  socket->disconnectFromHost();
  socket->deleteLater();
  socket = nullptr;
  buffer.clear();
  partialSince = -1;
  awaitingReveal = awaitingAck = false;
  if (state == TState::AwaitJoin) SetState(TState::Offering);
}

void TNetLinkPrivate::Fail(const QString& sentence, bool fault)
{
  if (state == TState::Idle) return;
  if (socket && fault && state == TState::Playing) {
    TNetMessage bye;
    bye.kind = TNetKind::Bye;
    bye.reason = uint8_t(TNetByeReason::Fault);
    Send(bye);
  }
  DropSocket();
  if (server) server->close();
  watch.stop();
  SetState(TState::Idle);
  error = sentence;
  if (q->OnClosed) {
    auto call = q->OnClosed; // the app may drop or reuse the link inside
    call(sentence, fault);
  }
}

void TNetLinkPrivate::SendFrame(const QByteArray& payload)
{
  if (!socket) return;
  QByteArray frame;
  frame.append(char(payload.size() >> 8)).append(char(payload.size() & 0xff)).append(payload);
  socket->write(frame);
  socket->flush();
  lastSent = clock.elapsed();
}

void TNetLinkPrivate::Send(const TNetMessage& message)
{
  if (holdSends && message.kind != TNetKind::Bye) return held.push_back(message);
  const QByteArray plain = WriteMessage(message);
  SendFrame(IsHandshake(message.kind) ? plain : sendCipher.Seal(plain));
}

void TNetLinkPrivate::Read()
{
  if (!socket) return;
  buffer.append(socket->readAll());
  auto guard = alive;
  while (socket && buffer.size() >= 2) {
    const int length = int(uint8_t(buffer[0])) << 8 | int(uint8_t(buffer[1]));
    if (length == 0 || length > NET_MAX_FRAME) {
      if (state == TState::AwaitJoin) return DropSocket();
      return Fail(QStringLiteral("Der andere Computer hat eine zu lange oder leere Nachricht "
                                 "geschickt."),
                  state == TState::Playing || state == TState::AwaitHello);
    }
    if (buffer.size() < 2 + length) break;
    const QByteArray frame = buffer.mid(2, length);
    buffer.remove(0, 2 + length);
    lastReceived = clock.elapsed();
    if (lastReceived - rateWindow >= 1000) {
      rateWindow = lastReceived;
      framesInWindow = keepAlivesInWindow = 0;
    }
    if (++framesInWindow > NET_MAX_FRAMES) {
      if (state == TState::AwaitJoin) return DropSocket();
      return Fail(QStringLiteral("Der andere Computer schickt zu viele Nachrichten."), true);
    }
    Handle(frame);
    if (!*guard) return;
  }
  if (!socket) return;
  if (buffer.isEmpty())
    partialSince = -1;
  else if (partialSince < 0)
    partialSince = clock.elapsed();
}

void TNetLinkPrivate::Watch()
{
  const qint64 now = clock.elapsed();
  if (state == TState::Idle || state == TState::Offering) return;
  if (state == TState::AwaitJoin) {
    // An unproven caller that dawdles loses its place; the offer goes on.
    if (now - stateSince > NET_HANDSHAKE_MS ||
        (partialSince >= 0 && now - partialSince > NET_PARTIAL_MS))
      DropSocket();
    return;
  }
  if (partialSince >= 0 && now - partialSince > NET_PARTIAL_MS)
    return Fail(QStringLiteral("Der andere Computer hat mitten in einer Nachricht aufgehört."),
                true);
  if (state != TState::Playing) {
    if (now - stateSince > NET_HANDSHAKE_MS)
      Fail(QStringLiteral("Der andere Computer antwortet nicht."), false);
    return;
  }
  if (awaitingReveal && now - awaitingSince > NET_REVEAL_MS)
    return Fail(QStringLiteral("Der andere Computer schweigt, nachdem er unsere Hälfte des Wurfs "
                               "gesehen hat. Das Spiel ist beendet."),
                true);
  if (now - lastReceived > NET_SILENCE_MS)
    return Fail(QStringLiteral("Der andere Computer antwortet nicht mehr."), false);
  if (now - lastSent >= NET_KEEPALIVE_MS) {
    TNetMessage keepAlive;
    keepAlive.kind = TNetKind::KeepAlive;
    Send(keepAlive);
  }
}

TNetLink::TNetLink() : d(std::make_unique<TNetLinkPrivate>(this)) {}
TNetLink::~TNetLink() = default;

QString TNetLink::NewCode()
{
  return NewJoinCode();
}

bool TNetLink::Offer(uint16_t port, const QString& code, const QString& ownName,
                     const TNetResume& resume)
{
  Close();
  d->offering = true;
  d->salt = NetRandom(NET_SALT);
  if (!d->Prepare(code, ownName, resume)) return false;
  d->codeKey = CodeKey(d->digits, d->salt);
  if (d->codeKey.isEmpty()) {
    d->error = QStringLiteral("Der Schlüssel aus dem Code konnte nicht berechnet werden.");
    return false;
  }
  d->server = std::make_unique<QTcpServer>();
  d->server->setMaxPendingConnections(4);
  QObject::connect(d->server.get(), &QTcpServer::newConnection, [this] { d->Accept(); });
  if (!d->server->listen(QHostAddress::Any, port)) {
    d->error = QStringLiteral("Auf Port %1 kann nicht gewartet werden: %2")
                   .arg(port)
                   .arg(d->server->errorString());
    d->server.reset();
    return false;
  }
  d->wrongCodes = 0;
  d->SetState(TNetLinkPrivate::TState::Offering);
  d->watch.start();
  return true;
}

uint16_t TNetLink::Port() const
{
  return d->server && d->server->isListening() ? d->server->serverPort() : 0;
}

QStringList TNetLink::Addresses() const
{
  QStringList v4, v6, loop;
  for (const QHostAddress& a : QNetworkInterface::allAddresses()) {
    if (a.isLoopback())
      loop << a.toString();
    else if (a.protocol() == QAbstractSocket::IPv4Protocol)
      v4 << a.toString();
    else if (a.protocol() == QAbstractSocket::IPv6Protocol && !a.isLinkLocal())
      v6 << a.toString();
  }
  QStringList all = v4 + v6;
  if (all.isEmpty()) all = loop.isEmpty() ? QStringList{QStringLiteral("127.0.0.1")} : loop;
  return all;
}

void TNetLink::Join(const QString& host, uint16_t port, const QString& code, const QString& ownName,
                    const TNetResume& resume)
{
  Close();
  d->offering = false;
  if (!d->Prepare(code, ownName, resume) || port == 0 || host.trimmed().isEmpty()) {
    if (d->error.isEmpty()) d->error = QStringLiteral("Adresse oder Port fehlen.");
    d->SetState(TNetLinkPrivate::TState::AwaitOffer); // so that Fail reports it
    return d->Fail(d->error, false);
  }
  d->socket = new QTcpSocket();
  QTcpSocket* s = d->socket;
  QObject::connect(s, &QTcpSocket::connected,
                   [s] { s->setSocketOption(QAbstractSocket::LowDelayOption, 1); });
  QObject::connect(s, &QTcpSocket::readyRead, [this] { d->Read(); });
  QObject::connect(s, &QTcpSocket::errorOccurred, [this, s, host, port](auto) {
    if (d->state == TNetLinkPrivate::TState::AwaitOffer && d->lastReceived == 0)
      d->Fail(QStringLiteral("Keine Verbindung zu %1, Port %2: %3")
                  .arg(host)
                  .arg(port)
                  .arg(s->errorString()),
              false);
    else
      d->Fail(QStringLiteral("Die Verbindung zum anderen Spieler ist abgebrochen."),
              d->awaitingReveal);
  });
  d->lastReceived = 0;
  d->buffer.clear();
  d->SetState(TNetLinkPrivate::TState::AwaitOffer);
  d->watch.start();
  s->connectToHost(host.trimmed(), port);
}

void TNetLink::Close()
{
  if (d->socket && d->state == TNetLinkPrivate::TState::Playing) {
    TNetMessage bye;
    bye.kind = TNetKind::Bye;
    bye.reason = uint8_t(d->referee.IsOver() ? TNetByeReason::GameOver : TNetByeReason::Closed);
    d->Send(bye);
  }
  d->DropSocket();
  if (d->server) d->server->close();
  d->watch.stop();
  d->SetState(TNetLinkPrivate::TState::Idle);
}

QString TNetLink::Error() const
{
  return d->error;
}
int TNetLink::OwnSeat() const
{
  return d->seat;
}
QString TNetLink::PeerName() const
{
  return d->peerName;
}
QByteArray TNetLink::Token() const
{
  return d->token;
}
QByteArray TNetLink::Secret() const
{
  return d->secret;
}
size_t TNetLink::CommonSteps() const
{
  return d->common;
}
