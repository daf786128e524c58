#include "fuzz/netcheck.h"

#include "net/dice.h"
#include "net/protocol.h"
#include "net/referee.h"

namespace
{

QString CheckMessage(const QByteArray& bytes)
{
  TNetMessage m;
  QString why;
  if (!ReadMessage(bytes, m, why))
    return why.isEmpty() ? QStringLiteral("refused without a reason") : QString();
  if (WriteMessage(m) != bytes) return QStringLiteral("a message read and written again differs");
  // Exact lengths: no shorter piece of a good message and nothing longer is taken, and each
  // refusal says why.
  for (qsizetype n = 0; n <= bytes.size(); ++n) {
    const QByteArray other = n < bytes.size() ? bytes.left(n) : bytes + '\0';
    TNetMessage o;
    why.clear();
    if (ReadMessage(other, o, why)) return QStringLiteral("a cut or lengthened message taken");
    if (why.isEmpty()) return QStringLiteral("refused without a reason");
  }
  return {};
}

// Seeds that both seats use throughout; the game id comes from the input.
const QByteArray SEED0(32, '\1'), SEED1(32, '\2');

QString CheckGame(const QByteArray& bytes)
{
  const QByteArray id = bytes.left(NET_GAME_ID).leftJustified(NET_GAME_ID, '\0');
  auto secret = [&](int seat, uint32_t k) { return DiceSecret(seat ? SEED1 : SEED0, id, k); };
  auto commit = [&](int seat, uint32_t k) { return DiceCommit(id, k, seat, secret(seat, k)); };
  TNetReferee referee;
  QString why;
  if (!referee.Begin(TNetReferee::MakeToken(id, commit(0, 0), commit(1, 0)), why))
    return QStringLiteral("a good token refused");
  qsizetype pos = NET_GAME_ID;
  auto next = [&] { return pos < bytes.size() ? uint8_t(bytes[pos++]) : uint8_t(0); };
  while (pos < bytes.size()) {
    const uint8_t op = next();
    TNetStep step;
    QString rule;
    bool honestReveals = true;
    if (op % 3 == 0) {
      const uint8_t arg = next();
      step.isThrow = true;
      step.seat = arg >> 7;
      step.holds = arg & 63;
      step.tag = QByteArray(NET_TAG, 't');
      const uint32_t k = referee.Throws();
      for (int s = 0; s < 2; ++s) {
        step.reveal[size_t(s)] = secret(s, k);
        step.next[size_t(s)] = commit(s, k + 1);
      }
      if (arg & 64) { // a false reveal of one seat
        step.reveal[size_t(step.seat)][0] = char(step.reveal[size_t(step.seat)][0] ^ 1);
        honestReveals = false;
      }
      rule = referee.CheckThrow(step.seat, step.holds);
    } else if (op % 3 == 1) {
      step.seat = next() & 1;
      step.row = next() % 24;
      step.column = next() % 4;
      step.tag = QByteArray(NET_TAG, 'e');
      rule = referee.CheckEntry(step.seat, step.row, step.column);
    } else {
      const int length = next();
      const QByteArray raw = bytes.mid(pos, length);
      pos += raw.size();
      const uint32_t before = referee.Steps();
      referee.Apply(raw, why);
      if (referee.Steps() > before + 1) return QStringLiteral("one raw step made two");
      continue;
    }
    const uint32_t before = referee.Steps();
    const bool taken = referee.Apply(step.Encode(), why);
    if (taken != (rule.isEmpty() && honestReveals))
      return QStringLiteral("the referee's answer differs from its rule check: ") + rule + why;
    if (referee.Steps() != before + (taken ? 1u : 0u)) return QStringLiteral("steps miscounted");
    if (referee.ThrowsInTurn() > NET_THROWS_PER_TURN) return QStringLiteral("a fourth throw");
    for (int f : referee.Faces())
      if (f < 1 || f > 6) return QStringLiteral("a face outside 1 to 6");
  }
  return {};
}

} // namespace

QString CheckNetBytes(const QByteArray& bytes)
{
  if (bytes.isEmpty()) return {};
  if (bytes[0] == 0) return CheckMessage(bytes.mid(1));
  return CheckGame(bytes.mid(1));
}
