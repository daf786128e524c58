#include "net/dice.h"

#include "net/bytes.h"
#include "net/protocol.h"

#include <sodium.h>

namespace
{

// Distinct prefixes keep each use of the hash apart from every other.
const QByteArray SECRET_DOMAIN("wurfwummel secret");
const QByteArray COMMIT_DOMAIN("wurfwummel commit");
const QByteArray DICE_DOMAIN("wurfwummel dice");
const QByteArray TAG_DOMAIN("wurfwummel tag");

bool Ready()
{
  static const bool ready = sodium_init() >= 0;
  return ready;
}

} // namespace

QByteArray NetRandom(int n)
{
  QByteArray out(n, '\0');
  if (Ready()) randombytes_buf(out.data(), size_t(n));
  return out;
}

QByteArray NetHash(const QByteArray& message, int length, const QByteArray& key)
{
  QByteArray out(length, '\0');
  Ready();
  crypto_generichash(
      reinterpret_cast<unsigned char*>(out.data()), size_t(length),
      reinterpret_cast<const unsigned char*>(message.constData()), size_t(message.size()),
      key.isEmpty() ? nullptr : reinterpret_cast<const unsigned char*>(key.constData()),
      size_t(key.size()));
  return out;
}

QByteArray DiceSecret(const QByteArray& privateSecret, const QByteArray& gameId, uint32_t k)
{
  return NetHash(TNetWriter().Raw(SECRET_DOMAIN).Raw(gameId).U32(k).bytes, NET_HASH, privateSecret);
}

QByteArray DiceCommit(const QByteArray& gameId, uint32_t k, int seat, const QByteArray& secret)
{
  return NetHash(
      TNetWriter().Raw(COMMIT_DOMAIN).Raw(gameId).U32(k).U8(uint32_t(seat)).Raw(secret).bytes,
      NET_HASH);
}

TFaces DiceFaces(const QByteArray& gameId, uint32_t k, const QByteArray& secret0,
                 const QByteArray& secret1, uint8_t holds, const TFaces& before)
{
  const QByteArray key = NetHash(
      TNetWriter().Raw(DICE_DOMAIN).Raw(gameId).U32(k).Raw(secret0).Raw(secret1).bytes, NET_HASH);
  TFaces faces = before;
  QByteArray block;
  int used = 0;
  uint32_t blockNumber = 0;
  for (int die = 0; die < DICE; ++die) {
    if (holds & (1u << die)) continue;
    for (;;) {
      if (used == block.size()) {
        block = NetHash(TNetWriter().U32(blockNumber++).bytes, 64, key);
        used = 0;
      }
      const int b = uint8_t(block[used++]);
      // 252 is the largest multiple of 6 below 256: the bytes above it would favour 1 to 4.
      if (b < 252) {
        faces[size_t(die)] = b % 6 + 1;
        break;
      }
    }
  }
  return faces;
}

QByteArray StepTag(const QByteArray& privateSecret, const QByteArray& gameId, uint32_t index,
                   const QByteArray& what)
{
  return NetHash(TNetWriter().Raw(TAG_DOMAIN).Raw(gameId).U32(index).Raw(what).bytes, NET_TAG,
                 privateSecret);
}
