// The game over an established connection: the hellos that settle a new or resumed game, and
// each step of both seats with its dice.

#include "net/bytes.h"
#include "net/dice.h"
#include "net/linkprivate.h"

#include <QTcpSocket>

namespace
{

QString Sentence(const char* text)
{
  return QString::fromUtf8(text);
}

} // namespace

void TNetLinkPrivate::SendHello()
{
  TNetMessage hello;
  hello.kind = TNetKind::Hello;
  hello.seat = uint8_t(seat);
  hello.name = ownName;
  hello.token = resume.token;
  const size_t n = resume.steps.size();
  hello.count = uint32_t(n);
  hello.hashAll = StepsHash(resume.steps, n);
  hello.hashButLast = StepsHash(resume.steps, n > 0 ? n - 1 : 0);
  if (n > 0) hello.last = resume.steps.back();
  if (resume.token.isEmpty()) {
    // A new game: the offering side names it, and each side commits to its first secret.
    QString why;
    if (offering) {
      startId = NetRandom(NET_GAME_ID);
      referee.Begin(
          TNetReferee::MakeToken(startId, QByteArray(NET_HASH, '\0'), QByteArray(NET_HASH, '\0')),
          why);
      hello.start = startId + OwnCommit(0);
    } else {
      hello.start = OwnCommit(0);
    }
  }
  Send(hello);
}

void TNetLinkPrivate::Settle(const TNetMessage& h)
{
  peerName = h.name;
  if (h.seat == seat)
    return Fail(Sentence("Beide Computer wollen denselben Platz spielen: das ist nicht dasselbe "
                         "Spiel."),
                false);
  if (h.token != resume.token)
    return Fail(resume.token.isEmpty() || h.token.isEmpty()
                    ? Sentence("Einer der beiden Computer beginnt ein neues Spiel, der andere "
                               "will ein altes fortsetzen.")
                    : Sentence("Die beiden Computer wollen verschiedene Spiele fortsetzen."),
                false);
  QString why;
  if (resume.token.isEmpty()) {
    if (h.count != 0 || h.start.size() != (offering ? NET_HASH : NET_GAME_ID + NET_HASH))
      return void(Cheat(Sentence("ein Spielbeginn, der nicht passt")));
    const QByteArray id = offering ? startId : h.start.left(NET_GAME_ID);
    const QByteArray peerCommit = h.start.right(NET_HASH);
    const QByteArray ownCommit = OwnCommit(0);
    token = seat == 0 ? TNetReferee::MakeToken(id, ownCommit, peerCommit)
                      : TNetReferee::MakeToken(id, peerCommit, ownCommit);
    referee.Begin(token, why);
  } else {
    const size_t n = resume.steps.size(), m = h.count;
    bool good = false;
    if (m == n)
      good = h.hashAll == StepsHash(resume.steps, n);
    else if (m == n + 1 && h.hashButLast == StepsHash(resume.steps, n)) {
      // The other side took a step of ours that we never saw confirmed: it must carry our own
      // mark, our own reveal and our own next commitment, or it is not ours.
      TNetStep step;
      good = TNetStep::Decode(h.last, step, why) && step.seat == seat &&
             step.tag == StepTag(secret, referee.GameId(), uint32_t(n), step.Marked()) &&
             (!step.isThrow || step.next[size_t(seat)] == OwnCommit(referee.Throws() + 1)) &&
             referee.Apply(h.last, why);
      if (good) pendingCatchUp = h.last;
    } else if (n == m + 1 && h.hashAll == StepsHash(resume.steps, n - 1)) {
      // We took the other side's last step; it takes it from our hello.
      TNetStep step;
      good = TNetStep::Decode(resume.steps.back(), step, why) && step.seat != seat;
    }
    if (!good)
      return Fail(Sentence("Die Spielstände der beiden Computer passen nicht zusammen."), true);
    common = n;
  }
  SetState(TState::Playing);
  lastReceived = clock.elapsed();
  auto guard = alive;
  catchingUp = !pendingCatchUp.isEmpty();
  if (q->OnConnected) {
    auto call = q->OnConnected;
    call();
  }
  if (*guard && state == TState::Playing && catchingUp) {
    const QByteArray step = pendingCatchUp;
    pendingCatchUp.clear();
    catchingUp = false;
    Report(step);
  }
}

void TNetLinkPrivate::HandleGame(const TNetMessage& m)
{
  if (state == TState::AwaitHello) {
    if (m.kind == TNetKind::KeepAlive) return;
    if (m.kind != TNetKind::Hello) return void(Cheat(Sentence("ein Zug vor der Begrüßung")));
    if (!offering) {
      // Our hello needs the game's id from the offering side's hello of a new game.
      if (resume.token.isEmpty() && m.start.size() == NET_GAME_ID + NET_HASH) {
        QString why;
        referee.Begin(TNetReferee::MakeToken(m.start.left(NET_GAME_ID), QByteArray(NET_HASH, '\0'),
                                             QByteArray(NET_HASH, '\0')),
                      why);
      }
      SendHello();
    }
    return Settle(m);
  }
  switch (m.kind) {
  case TNetKind::KeepAlive:
    if (++keepAlivesInWindow > NET_MAX_KEEPALIVES)
      Fail(Sentence("Der andere Computer schickt zu viele Nachrichten."), true);
    return;
  case TNetKind::Bye:
    if (TNetByeReason(m.reason) == TNetByeReason::Fault)
      return Fail(Sentence("Der andere Computer hat das Spiel beendet, weil er in unseren "
                           "Nachrichten einen Fehler fand."),
                  false);
    if (awaitingReveal)
      return Fail(Sentence("Der andere Spieler hat die Verbindung beendet, nachdem er unsere "
                           "Hälfte des Wurfs gesehen hat. Das Spiel ist beendet."),
                  true);
    if (referee.IsOver() || TNetByeReason(m.reason) == TNetByeReason::GameOver)
      return Fail(Sentence("Das Spiel ist zu Ende, der andere Spieler hat die Verbindung "
                           "beendet."),
                  false);
    return Fail(Sentence("Der andere Spieler hat die Verbindung beendet."), false);
  case TNetKind::Throw:
    return PeerThrow(m);
  case TNetKind::Reveal:
    return PeerReveal(m);
  case TNetKind::Entry:
    return PeerEntry(m);
  case TNetKind::Ack:
    return PeerAck(m);
  default:
    Cheat(Sentence("eine Nachricht zur falschen Zeit"));
  }
}

void TNetLinkPrivate::Report(const QByteArray& bytes)
{
  TNetStep step;
  QString why;
  TNetStep::Decode(bytes, step, why);
  if (step.isThrow) {
    if (auto call = q->OnThrown) call(step.seat, step.holds, referee.Faces(), bytes);
  } else if (auto call = q->OnEntered) {
    call(step.seat, step.row, step.column, bytes);
  }
}

void TNetLinkPrivate::PeerThrow(const TNetMessage& m)
{
  const int other = 1 - seat;
  if (awaitingReveal || awaitingAck || m.index != referee.Steps())
    return void(Cheat(Sentence("ein Wurf zur falschen Zeit")));
  QString why = referee.CheckThrow(other, m.holds);
  if (!why.isEmpty()) return void(Cheat(why));
  const uint32_t k = referee.Throws();
  TNetStep step;
  step.isThrow = true;
  step.seat = other;
  step.holds = m.holds;
  step.tag = m.tag;
  step.reveal[size_t(other)] = m.reveal;
  step.next[size_t(other)] = m.next;
  step.reveal[size_t(seat)] = DiceSecret(secret, referee.GameId(), k);
  step.next[size_t(seat)] = OwnCommit(k + 1);
  const QByteArray bytes = step.Encode();
  if (!referee.Apply(bytes, why)) return void(Cheat(why));
  // The app records the throw before the other side can see our secret: after a dropped
  // connection it is this side that holds the throw, with the holds the thrower chose.
  TNetMessage reveal;
  reveal.kind = TNetKind::Reveal;
  reveal.index = uint32_t(referee.Steps() - 1);
  reveal.reveal = step.reveal[size_t(seat)];
  reveal.next = step.next[size_t(seat)];
  ReportAndAnswer(bytes, reveal);
}

void TNetLinkPrivate::ReportAndAnswer(const QByteArray& bytes, const TNetMessage& answer)
{
  auto guard = alive;
  holdSends = true;
  held.clear();
  Report(bytes);
  if (!*guard) return;
  holdSends = false;
  std::vector<TNetMessage> later;
  later.swap(held);
  if (state != TState::Playing) return;
  Send(answer);
  for (const TNetMessage& m : later)
    Send(m);
}

void TNetLinkPrivate::PeerReveal(const TNetMessage& m)
{
  if (!awaitingReveal || m.index != referee.Steps())
    return void(Cheat(Sentence("eine Aufdeckung zur falschen Zeit")));
  const size_t other = size_t(1 - seat);
  pending.reveal[other] = m.reveal;
  pending.next[other] = m.next;
  const QByteArray bytes = pending.Encode();
  QString why;
  if (!referee.Apply(bytes, why)) return void(Cheat(why));
  awaitingReveal = false;
  Report(bytes);
}

void TNetLinkPrivate::PeerEntry(const TNetMessage& m)
{
  const int other = 1 - seat;
  if (awaitingReveal || awaitingAck || m.index != referee.Steps())
    return void(Cheat(Sentence("ein Eintrag zur falschen Zeit")));
  QString why = referee.CheckEntry(other, m.row, m.column);
  if (!why.isEmpty()) return void(Cheat(why));
  TNetStep step;
  step.seat = other;
  step.row = m.row;
  step.column = m.column;
  step.tag = m.tag;
  const QByteArray bytes = step.Encode();
  if (!referee.Apply(bytes, why)) return void(Cheat(why));
  TNetMessage ack;
  ack.kind = TNetKind::Ack;
  ack.index = m.index;
  ReportAndAnswer(bytes, ack);
}

void TNetLinkPrivate::PeerAck(const TNetMessage& m)
{
  if (!awaitingAck || m.index != referee.Steps())
    return void(Cheat(Sentence("eine Bestätigung zur falschen Zeit")));
  const QByteArray bytes = pending.Encode();
  QString why;
  if (!referee.Apply(bytes, why)) return void(Cheat(why));
  awaitingAck = false;
  Report(bytes);
}

void TNetLink::Throw(uint8_t holds)
{
  using S = TNetLinkPrivate::TState;
  QString why = d->state != S::Playing ? QStringLiteral("keine Verbindung")
                : d->awaitingReveal || d->awaitingAck || d->catchingUp
                    ? QStringLiteral("der letzte Zug ist noch unterwegs")
                    : d->referee.CheckThrow(d->seat, holds);
  if (!why.isEmpty()) {
    d->error = QString::fromUtf8("Jetzt ist kein Wurf möglich: ") + why + '.';
    return;
  }
  const uint32_t k = d->referee.Throws();
  TNetStep& step = d->pending;
  step = TNetStep();
  step.isThrow = true;
  step.seat = d->seat;
  step.holds = holds;
  step.tag = StepTag(d->secret, d->referee.GameId(), d->referee.Steps(), step.Marked());
  step.reveal[size_t(d->seat)] = DiceSecret(d->secret, d->referee.GameId(), k);
  step.next[size_t(d->seat)] = d->OwnCommit(k + 1);
  TNetMessage m;
  m.kind = TNetKind::Throw;
  m.index = d->referee.Steps();
  m.holds = holds;
  m.tag = step.tag;
  m.reveal = step.reveal[size_t(d->seat)];
  m.next = step.next[size_t(d->seat)];
  d->awaitingReveal = true;
  d->awaitingSince = d->clock.elapsed();
  d->Send(m);
}

void TNetLink::Enter(int row, int column)
{
  using S = TNetLinkPrivate::TState;
  QString why = d->state != S::Playing ? QStringLiteral("keine Verbindung")
                : d->awaitingReveal || d->awaitingAck || d->catchingUp
                    ? QStringLiteral("der letzte Zug ist noch unterwegs")
                    : d->referee.CheckEntry(d->seat, row, column);
  if (!why.isEmpty()) {
    d->error = QString::fromUtf8("Jetzt ist dieser Eintrag nicht möglich: ") + why + '.';
    return;
  }
  TNetStep& step = d->pending;
  step = TNetStep();
  step.seat = d->seat;
  step.row = row;
  step.column = column;
  step.tag = StepTag(d->secret, d->referee.GameId(), d->referee.Steps(), step.Marked());
  TNetMessage m;
  m.kind = TNetKind::Entry;
  m.index = d->referee.Steps();
  m.row = uint8_t(row);
  m.column = uint8_t(column);
  m.tag = step.tag;
  d->awaitingAck = true;
  d->awaitingSince = d->clock.elapsed();
  d->Send(m);
}
