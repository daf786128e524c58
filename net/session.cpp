// What the messages of a game over the network mean: the handshake that proves the code, the
// hello that settles a new or resumed game, and the steps of both seats.

#include "net/bytes.h"
#include "net/dice.h"
#include "net/linkprivate.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace
{

QString Sentence(const char* text)
{
  return QString::fromUtf8(text);
}

} // namespace

QByteArray TNetLinkPrivate::StepsHash(const std::vector<QByteArray>& steps, size_t count)
{
  TNetWriter w;
  for (size_t i = 0; i < count && i < steps.size(); ++i)
    w.U16(uint32_t(steps[i].size())).Raw(steps[i]);
  return NetHash(w.bytes, NET_HASH);
}

QByteArray TNetLinkPrivate::OwnCommit(uint32_t k) const
{
  const QByteArray& id = referee.GameId();
  return DiceCommit(id, k, seat, DiceSecret(secret, id, k));
}

bool TNetLinkPrivate::Prepare(const QString& code, const QString& name, const TNetResume& given)
{
  error.clear();
  peerName.clear();
  token.clear();
  startId.clear();
  pendingCatchUp.clear();
  catchingUp = false;
  common = 0;
  awaitingReveal = awaitingAck = false;
  sendCipher = receiveCipher = TNetCipher();
  referee = TNetReferee();
  digits = CodeDigits(code);
  if (digits.isEmpty()) {
    error = Sentence("Der Code muss aus zwölf Ziffern bestehen.");
    return false;
  }
  ownName = name.trimmed();
  while (ownName.toUtf8().size() > NET_MAX_NAME)
    ownName.chop(1);
  if (ownName.isEmpty()) ownName = Sentence("Spieler");
  resume = given;
  if (resume.token.isEmpty()) {
    if (!resume.steps.empty()) {
      error = Sentence("Züge ohne die Kennung ihres Spiels können nicht fortgesetzt werden.");
      return false;
    }
    secret = NetRandom(NET_HASH);
    seat = offering ? 0 : 1;
    return true;
  }
  // A resumed game: the private secret says which seat this computer played, and every step
  // is replayed through the referee, so that a damaged record cannot reach the other side.
  secret = resume.secret;
  if (secret.size() != NET_HASH || !referee.Begin(resume.token, error)) {
    error = Sentence("Das Geheimnis oder die Kennung dieses Spiels fehlt oder ist beschädigt: "
                     "es kann nicht fair fortgesetzt werden.");
    return false;
  }
  seat = -1;
  for (int s = 0; s < 2; ++s)
    if (OwnCommitFor(s) == referee.Commit(s)) seat = s;
  if (seat < 0) {
    error = Sentence("Das Geheimnis passt nicht zu diesem Spiel: es kann nicht fair fortgesetzt "
                     "werden.");
    return false;
  }
  if (resume.steps.size() > size_t(NET_MAX_STEPS)) {
    error = Sentence("Das Spiel hat mehr Züge, als ein Spiel haben kann.");
    return false;
  }
  for (const QByteArray& step : resume.steps) {
    QString why;
    if (!referee.Apply(step, why)) {
      error = Sentence("Die gespeicherten Züge dieses Spiels sind beschädigt: ") + why + '.';
      return false;
    }
  }
  if (OwnCommit(referee.Throws()) != referee.Commit(seat)) {
    error = Sentence("Das Geheimnis passt nicht zu diesem Spiel: es kann nicht fair fortgesetzt "
                     "werden.");
    return false;
  }
  token = resume.token;
  return true;
}

QByteArray TNetLinkPrivate::OwnCommitFor(int s) const
{
  const QByteArray& id = referee.GameId();
  return DiceCommit(id, 0, s, DiceSecret(secret, id, 0));
}

bool TNetLinkPrivate::Cheat(const QString& what)
{
  Fail(Sentence("Der andere Computer hat einen unmöglichen Zug geschickt: ") + what + '.', true);
  return false;
}

void TNetLinkPrivate::Handle(const QByteArray& frame)
{
  const bool clear =
      state == TState::AwaitOffer || state == TState::AwaitJoin || state == TState::AwaitProof;
  QByteArray plain = frame;
  if (!clear && !receiveCipher.Open(frame, plain))
    return void(Fail(Sentence("Der andere Computer hat eine verfälschte oder fremde Nachricht "
                              "geschickt."),
                     true));
  TNetMessage m;
  QString why;
  const bool read = ReadMessage(plain, m, why);
  if (read && clear == IsHandshake(m.kind)) {
    if (clear)
      HandleHandshake(m);
    else
      HandleGame(m);
    return;
  }
  if (!read)
    why = Sentence("die Nachricht ist fehlerhaft (") + why + ')';
  else
    why = Sentence("eine Nachricht zur falschen Zeit");
  if (state == TState::AwaitJoin) return DropSocket(); // an unproven caller: the offer goes on
  if (state == TState::AwaitOffer || state == TState::AwaitProof)
    return Fail(Sentence("Dort antwortet kein passendes Wurfwummel-Spiel: ") + why + '.', false);
  Fail(Sentence("Der andere Computer hat Unsinn geschickt: ") + why + '.', true);
}

void TNetLinkPrivate::HandleHandshake(const TNetMessage& m)
{
  if (state == TState::AwaitOffer && m.kind == TNetKind::OfferHello) {
    salt = m.salt;
    offerNonce = m.nonce;
    codeKey = CodeKey(digits, salt);
    joinNonce = NetRandom(NET_HASH);
    TNetMessage proof;
    proof.kind = TNetKind::JoinProof;
    proof.nonce = joinNonce;
    proof.proof = CodeProof(codeKey, false, salt, offerNonce, joinNonce);
    SetState(TState::AwaitProof);
    return Send(proof);
  }
  if ((state == TState::AwaitOffer || state == TState::AwaitProof) && m.kind == TNetKind::Refuse) {
    switch (TNetRefusal(m.reason)) {
    case TNetRefusal::WrongCode:
      return Fail(Sentence("Falscher Code."), false);
    case TNetRefusal::OfferOver:
      return Fail(Sentence("Falscher Code. Das Angebot ist nach zu vielen falschen Codes beendet."),
                  false);
    default:
      return Fail(Sentence("Der andere Computer spielt gerade mit jemand anderem."), false);
    }
  }
  if (state == TState::AwaitProof && m.kind == TNetKind::OfferProof) {
    if (!CheckProof(m.proof, codeKey, true, salt, offerNonce, joinNonce))
      return Fail(Sentence("Der andere Computer kennt den Code nicht: das ist nicht das "
                           "erwartete Spiel."),
                  true);
    sendCipher = TNetCipher(codeKey, false, offerNonce, joinNonce);
    receiveCipher = TNetCipher(codeKey, true, offerNonce, joinNonce);
    return SetState(TState::AwaitHello); // the offering side's hello comes next
  }
  if (state == TState::AwaitJoin && m.kind == TNetKind::JoinProof) {
    if (!CheckProof(m.proof, codeKey, false, salt, offerNonce, m.nonce)) {
      ++wrongCodes;
      const bool over = wrongCodes >= NET_MAX_WRONG_CODES;
      TNetMessage refuse;
      refuse.kind = TNetKind::Refuse;
      refuse.reason = uint8_t(over ? TNetRefusal::OfferOver : TNetRefusal::WrongCode);
      Send(refuse);
      DropSocket();
      auto guard = alive;
      if (q->OnWrongCode) {
        auto call = q->OnWrongCode;
        call(wrongCodes);
      }
      if (*guard && over && state == TState::Offering)
        Fail(Sentence("Das Angebot ist beendet: fünfmal wurde ein falscher Code eingegeben."),
             false);
      return;
    }
    joinNonce = m.nonce;
    TNetMessage proof;
    proof.kind = TNetKind::OfferProof;
    proof.proof = CodeProof(codeKey, true, salt, offerNonce, joinNonce);
    Send(proof);
    sendCipher = TNetCipher(codeKey, true, offerNonce, joinNonce);
    receiveCipher = TNetCipher(codeKey, false, offerNonce, joinNonce);
    if (server) server->close(); // proven: nothing else listens for this game
    SetState(TState::AwaitHello);
    return SendHello();
  }
  if (state == TState::AwaitJoin) return DropSocket();
  Fail(Sentence("Dort antwortet kein passendes Wurfwummel-Spiel."), false);
}
