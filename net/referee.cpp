#include "net/referee.h"

#include "net/bytes.h"
#include "net/dice.h"

QByteArray TNetStep::Marked() const
{
  TNetWriter w;
  if (isThrow) return w.U8('T').U8(uint32_t(seat)).U8(holds).bytes;
  return w.U8('E').U8(uint32_t(seat)).U8(uint32_t(row)).U8(uint32_t(column)).bytes;
}

QByteArray TNetStep::Encode() const
{
  TNetWriter w;
  w.Raw(Marked()).Raw(tag);
  if (isThrow) w.Raw(reveal[0]).Raw(reveal[1]).Raw(next[0]).Raw(next[1]);
  return w.bytes;
}

bool TNetStep::Decode(const QByteArray& bytes, TNetStep& step, QString& error)
{
  step = TNetStep();
  TNetReader r(bytes);
  uint32_t kind = 0, seat = 0;
  if (!r.U8(kind) || !r.U8(seat) || seat > 1 || (kind != 'T' && kind != 'E')) {
    error = QStringLiteral("der Zug ist unlesbar");
    return false;
  }
  step.isThrow = kind == 'T';
  step.seat = int(seat);
  bool good = true;
  if (step.isThrow) {
    uint32_t holds = 0;
    good = r.U8(holds) && holds < 64 && r.Raw(NET_TAG, step.tag) &&
           r.Raw(NET_HASH, step.reveal[0]) && r.Raw(NET_HASH, step.reveal[1]) &&
           r.Raw(NET_HASH, step.next[0]) && r.Raw(NET_HASH, step.next[1]);
    step.holds = uint8_t(holds);
  } else {
    uint32_t row = 0, column = 0;
    good = r.U8(row) && r.U8(column) && r.Raw(NET_TAG, step.tag);
    step.row = int(row);
    step.column = int(column);
  }
  if (!good || !r.AtEnd()) {
    error = QStringLiteral("der Zug hat die falsche Länge");
    return false;
  }
  return true;
}

QByteArray TNetReferee::MakeToken(const QByteArray& gameId, const QByteArray& commit0,
                                  const QByteArray& commit1)
{
  return gameId + commit0 + commit1;
}

bool TNetReferee::Begin(const QByteArray& token, QString& error)
{
  *this = TNetReferee();
  if (token.size() != NET_TOKEN) {
    error = QStringLiteral("die Kennung des Spiels hat die falsche Länge");
    return false;
  }
  gameId = token.left(NET_GAME_ID);
  commit[0] = token.mid(NET_GAME_ID, NET_HASH);
  commit[1] = token.mid(NET_GAME_ID + NET_HASH, NET_HASH);
  return true;
}

bool TNetReferee::Free(int seat, int row, int column) const
{
  if (seat < 0 || seat > 1 || row < 0 || row >= NET_ROWS || column < 0 || column >= NET_COLUMNS)
    return false;
  return !taken[size_t(seat)][size_t(row * NET_COLUMNS + column)];
}

QString TNetReferee::CheckThrow(int seat, uint8_t holds) const
{
  if (gameId.isEmpty()) return QStringLiteral("das Spiel hat noch nicht begonnen");
  if (IsOver()) return QStringLiteral("das Spiel ist schon zu Ende");
  if (seat != turn) return QStringLiteral("ein Wurf, obwohl der andere Spieler am Zug ist");
  if (throwsInTurn >= NET_THROWS_PER_TURN) return QStringLiteral("ein vierter Wurf im selben Zug");
  if (holds > 63) return QStringLiteral("gehaltene Würfel, die es nicht gibt");
  if (throwsInTurn == 0 && holds != 0)
    return QStringLiteral("gehaltene Würfel beim ersten Wurf eines Zuges");
  return {};
}

QString TNetReferee::CheckEntry(int seat, int row, int column) const
{
  if (gameId.isEmpty()) return QStringLiteral("das Spiel hat noch nicht begonnen");
  if (IsOver()) return QStringLiteral("das Spiel ist schon zu Ende");
  if (seat != turn) return QStringLiteral("ein Eintrag, obwohl der andere Spieler am Zug ist");
  if (throwsInTurn == 0) return QStringLiteral("ein Eintrag vor dem ersten Wurf");
  if (row < 0 || row >= NET_ROWS || column < 0 || column >= NET_COLUMNS)
    return QStringLiteral("ein Eintrag in ein Feld, das es nicht gibt");
  if (!Free(seat, row, column)) return QStringLiteral("ein Eintrag in ein belegtes Feld");
  return {};
}

bool TNetReferee::Apply(const QByteArray& bytes, QString& error)
{
  TNetStep step;
  if (!TNetStep::Decode(bytes, step, error)) return false;
  error = step.isThrow ? CheckThrow(step.seat, step.holds)
                       : CheckEntry(step.seat, step.row, step.column);
  if (!error.isEmpty()) return false;
  if (step.isThrow) {
    for (int seat = 0; seat < 2; ++seat)
      if (DiceCommit(gameId, throws, seat, step.reveal[size_t(seat)]) != commit[size_t(seat)]) {
        error = QStringLiteral("eine Aufdeckung, die nicht zur Festlegung passt");
        return false;
      }
    faces = DiceFaces(gameId, throws, step.reveal[0], step.reveal[1], step.holds, faces);
    commit = step.next;
    ++throws;
    ++throwsInTurn;
  } else {
    taken[size_t(step.seat)][size_t(step.row * NET_COLUMNS + step.column)] = true;
    ++filled[size_t(step.seat)];
    turn = 1 - turn;
    throwsInTurn = 0;
  }
  ++steps;
  return true;
}
