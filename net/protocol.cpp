#include "net/protocol.h"

#include "net/bytes.h"

namespace
{

const char MAGIC[] = "WWNP";

void WriteShort(TNetWriter& w, const QByteArray& b)
{
  w.U8(uint32_t(b.size())).Raw(b);
}

// A name is printable UTF-8 without control characters, and not empty.
bool GoodName(const QByteArray& raw, QString& name)
{
  name = QString::fromUtf8(raw);
  if (name.isEmpty() || name.toUtf8() != raw) return false;
  for (QChar c : name)
    if (c.unicode() < 0x20 || c.unicode() == 0x7f || c.category() == QChar::Other_Format)
      return false;
  return true;
}

struct TReading {
  TNetReader r;
  QString& error;
  bool Fail(const char* what)
  {
    error = QString::fromUtf8(what);
    return false;
  }
  bool Fixed(int n, QByteArray& out, const char* what) { return r.Raw(n, out) || Fail(what); }
  bool Short(int max, QByteArray& out, const char* what)
  {
    uint32_t n = 0;
    if (!r.U8(n) || int(n) > max || !r.Raw(n, out)) return Fail(what);
    return true;
  }
};

} // namespace

bool IsHandshake(TNetKind kind)
{
  return uint8_t(kind) >= uint8_t(TNetKind::OfferHello) &&
         uint8_t(kind) <= uint8_t(TNetKind::Refuse);
}

QByteArray WriteMessage(const TNetMessage& m)
{
  TNetWriter w;
  w.U8(uint8_t(m.kind));
  switch (m.kind) {
  case TNetKind::OfferHello:
    w.Raw(QByteArray(MAGIC, 4)).U8(uint32_t(m.version)).Raw(m.salt).Raw(m.nonce);
    break;
  case TNetKind::JoinProof:
    w.Raw(m.nonce).Raw(m.proof);
    break;
  case TNetKind::OfferProof:
    w.Raw(m.proof);
    break;
  case TNetKind::Refuse:
  case TNetKind::Bye:
    w.U8(m.reason);
    break;
  case TNetKind::Hello:
    w.U8(uint32_t(m.version)).U8(m.seat);
    WriteShort(w, m.name.toUtf8());
    WriteShort(w, m.token);
    WriteShort(w, m.start);
    w.U16(m.count).Raw(m.hashAll).Raw(m.hashButLast);
    WriteShort(w, m.last);
    break;
  case TNetKind::Throw:
    w.U16(m.index).U8(m.holds).Raw(m.tag).Raw(m.reveal).Raw(m.next);
    break;
  case TNetKind::Reveal:
    w.U16(m.index).Raw(m.reveal).Raw(m.next);
    break;
  case TNetKind::Entry:
    w.U16(m.index).U8(m.row).U8(m.column).Raw(m.tag);
    break;
  case TNetKind::Ack:
    w.U16(m.index);
    break;
  case TNetKind::KeepAlive:
    break;
  }
  return w.bytes;
}

bool ReadMessage(const QByteArray& bytes, TNetMessage& m, QString& error)
{
  m = TNetMessage();
  TReading in{TNetReader(bytes), error};
  if (bytes.size() > NET_MAX_FRAME) return in.Fail("die Nachricht ist zu lang");
  uint32_t kind = 0, v = 0;
  if (!in.r.U8(kind)) return in.Fail("die Nachricht ist leer");
  m.kind = TNetKind(kind);
  switch (m.kind) {
  case TNetKind::OfferHello: {
    QByteArray magic;
    if (!in.Fixed(4, magic, "der Anfang fehlt") || magic != QByteArray(MAGIC, 4))
      return in.Fail("das ist kein Wurfwummel-Angebot");
    if (!in.r.U8(v)) return in.Fail("die Version fehlt");
    m.version = int(v);
    if (m.version != NET_VERSION) return in.Fail("der andere Computer spielt mit einer anderen Version von Wurfwummel");
    if (!in.Fixed(NET_SALT, m.salt, "das Salz fehlt") ||
        !in.Fixed(NET_HASH, m.nonce, "die Zufallszahl fehlt"))
      return false;
    break;
  }
  case TNetKind::JoinProof:
    if (!in.Fixed(NET_HASH, m.nonce, "die Zufallszahl fehlt") ||
        !in.Fixed(NET_HASH, m.proof, "der Nachweis fehlt"))
      return false;
    break;
  case TNetKind::OfferProof:
    if (!in.Fixed(NET_HASH, m.proof, "der Nachweis fehlt")) return false;
    break;
  case TNetKind::Refuse:
    if (!in.r.U8(v) || v < 1 || v > 3) return in.Fail("der Grund der Absage ist unbekannt");
    m.reason = uint8_t(v);
    break;
  case TNetKind::Bye:
    if (!in.r.U8(v) || v < 1 || v > 3) return in.Fail("der Grund des Abschieds ist unbekannt");
    m.reason = uint8_t(v);
    break;
  case TNetKind::Hello: {
    if (!in.r.U8(v)) return in.Fail("die Version fehlt");
    m.version = int(v);
    if (m.version != NET_VERSION) return in.Fail("der andere Computer spielt mit einer anderen Version von Wurfwummel");
    if (!in.r.U8(v) || v > 1) return in.Fail("der Platz des Spielers ist unmöglich");
    m.seat = uint8_t(v);
    QByteArray name;
    if (!in.Short(NET_MAX_NAME, name, "der Name ist zu lang")) return false;
    if (!GoodName(name, m.name)) return in.Fail("der Name ist leer oder unlesbar");
    if (!in.Short(NET_TOKEN, m.token, "die Kennung des Spiels ist zu lang")) return false;
    if (!m.token.isEmpty() && m.token.size() != NET_TOKEN)
      return in.Fail("die Kennung des Spiels hat die falsche Länge");
    if (!in.Short(NET_GAME_ID + NET_HASH, m.start, "der Spielbeginn ist zu lang")) return false;
    if (!m.start.isEmpty() && m.start.size() != NET_HASH &&
        m.start.size() != NET_GAME_ID + NET_HASH)
      return in.Fail("der Spielbeginn hat die falsche Länge");
    if (!in.r.U16(m.count) || m.count > uint32_t(NET_MAX_STEPS))
      return in.Fail("die Zahl der Züge ist unmöglich");
    if (!in.Fixed(NET_HASH, m.hashAll, "die Prüfsumme fehlt") ||
        !in.Fixed(NET_HASH, m.hashButLast, "die Prüfsumme fehlt") ||
        !in.Short(255, m.last, "der letzte Zug ist zu lang"))
      return false;
    if ((m.count == 0) != m.last.isEmpty())
      return in.Fail("der letzte Zug passt nicht zur Zahl der Züge");
    break;
  }
  case TNetKind::Throw:
    if (!in.r.U16(m.index) || !in.r.U8(v)) return in.Fail("der Wurf ist zu kurz");
    if (v > 63) return in.Fail("die gehaltenen Würfel sind unmöglich");
    m.holds = uint8_t(v);
    if (!in.Fixed(NET_TAG, m.tag, "der Wurf ist zu kurz") ||
        !in.Fixed(NET_HASH, m.reveal, "der Wurf ist zu kurz") ||
        !in.Fixed(NET_HASH, m.next, "der Wurf ist zu kurz"))
      return false;
    break;
  case TNetKind::Reveal:
    if (!in.r.U16(m.index)) return in.Fail("die Aufdeckung ist zu kurz");
    if (!in.Fixed(NET_HASH, m.reveal, "die Aufdeckung ist zu kurz") ||
        !in.Fixed(NET_HASH, m.next, "die Aufdeckung ist zu kurz"))
      return false;
    break;
  case TNetKind::Entry: {
    uint32_t row = 0, column = 0;
    if (!in.r.U16(m.index) || !in.r.U8(row) || !in.r.U8(column) ||
        !in.Fixed(NET_TAG, m.tag, "der Eintrag ist zu kurz"))
      return in.Fail("der Eintrag ist zu kurz");
    m.row = uint8_t(row);
    m.column = uint8_t(column);
    break;
  }
  case TNetKind::Ack:
    if (!in.r.U16(m.index)) return in.Fail("die Bestätigung ist zu kurz");
    break;
  case TNetKind::KeepAlive:
    break;
  default:
    return in.Fail("die Art der Nachricht ist unbekannt");
  }
  if (m.index > uint32_t(NET_MAX_STEPS)) return in.Fail("die Nummer des Zuges ist unmöglich");
  if (!in.r.AtEnd()) return in.Fail("hinter der Nachricht steht noch etwas");
  return true;
}
