#pragma once

// Big-endian integers and fixed fields into and out of byte arrays, for the network messages
// and the recorded steps. The reader never reads past the end: every read says whether it
// could.

#include <QByteArray>
#include <cstdint>

class TNetWriter
{
public:
  QByteArray bytes;
  TNetWriter& U8(uint32_t v)
  {
    bytes.append(char(v & 0xff));
    return *this;
  }
  TNetWriter& U16(uint32_t v) { return U8(v >> 8).U8(v); }
  TNetWriter& U32(uint32_t v) { return U16(v >> 16).U16(v); }
  TNetWriter& Raw(const QByteArray& b)
  {
    bytes.append(b);
    return *this;
  }
};

class TNetReader
{
public:
  explicit TNetReader(const QByteArray& b) : bytes(b) {}
  bool U8(uint32_t& v)
  {
    if (pos + 1 > bytes.size()) return false;
    v = uint8_t(bytes[pos++]);
    return true;
  }
  bool U16(uint32_t& v)
  {
    uint32_t a = 0, b = 0;
    if (!U8(a) || !U8(b)) return false;
    v = a << 8 | b;
    return true;
  }
  bool U32(uint32_t& v)
  {
    uint32_t a = 0, b = 0;
    if (!U16(a) || !U16(b)) return false;
    v = a << 16 | b;
    return true;
  }
  bool Raw(qsizetype n, QByteArray& out)
  {
    if (n < 0 || pos + n > bytes.size()) return false;
    out = bytes.mid(pos, n);
    pos += n;
    return true;
  }
  bool AtEnd() const { return pos == bytes.size(); }

private:
  const QByteArray& bytes;
  qsizetype pos = 0;
};
