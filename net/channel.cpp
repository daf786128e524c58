#include "net/channel.h"

#include "net/bytes.h"
#include "net/dice.h"
#include "net/protocol.h"

#include <sodium.h>

namespace
{

const unsigned char* U(const QByteArray& b)
{
  return reinterpret_cast<const unsigned char*>(b.constData());
}

QByteArray ProofMessage(bool offering, const QByteArray& salt, const QByteArray& offerNonce,
                        const QByteArray& joinNonce)
{
  return TNetWriter()
      .Raw(offering ? QByteArray("wurfwummel proof offer") : QByteArray("wurfwummel proof join"))
      .Raw(salt)
      .Raw(offerNonce)
      .Raw(joinNonce)
      .bytes;
}

QByteArray AuthKey(const QByteArray& key)
{
  return NetHash("wurfwummel auth key", crypto_auth_KEYBYTES, key);
}

} // namespace

QByteArray CodeDigits(const QString& code)
{
  QByteArray digits;
  for (QChar c : code) {
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
      digits.append(char(c.unicode()));
    else if (c != QLatin1Char('-') && c != QLatin1Char(' '))
      return {};
  }
  return digits.size() == 12 ? digits : QByteArray();
}

QString NewJoinCode()
{
  if (sodium_init() < 0) return {};
  QString code;
  for (int i = 0; i < 12; ++i) {
    if (i > 0 && i % 4 == 0) code += QLatin1Char('-');
    code += QChar(QLatin1Char(char('0' + randombytes_uniform(10))));
  }
  return code;
}

QByteArray CodeKey(const QByteArray& digits, const QByteArray& salt)
{
  if (sodium_init() < 0 || salt.size() != crypto_pwhash_SALTBYTES) return {};
  QByteArray key(NET_HASH, '\0');
  // Argon2id with libsodium's interactive limits: about a fifth of a second and 64 MiB, once
  // per attempt, which an online guesser cannot hurry and an offline one pays for every code.
  if (crypto_pwhash(reinterpret_cast<unsigned char*>(key.data()), size_t(key.size()),
                    digits.constData(), size_t(digits.size()), U(salt),
                    crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE,
                    crypto_pwhash_ALG_ARGON2ID13) != 0)
    return {};
  return key;
}

QByteArray CodeProof(const QByteArray& key, bool offering, const QByteArray& salt,
                     const QByteArray& offerNonce, const QByteArray& joinNonce)
{
  const QByteArray message = ProofMessage(offering, salt, offerNonce, joinNonce);
  const QByteArray authKey = AuthKey(key);
  QByteArray proof(crypto_auth_BYTES, '\0');
  crypto_auth(reinterpret_cast<unsigned char*>(proof.data()), U(message), size_t(message.size()),
              U(authKey));
  return proof;
}

bool CheckProof(const QByteArray& proof, const QByteArray& key, bool offering,
                const QByteArray& salt, const QByteArray& offerNonce, const QByteArray& joinNonce)
{
  if (proof.size() != crypto_auth_BYTES || key.isEmpty()) return false;
  const QByteArray message = ProofMessage(offering, salt, offerNonce, joinNonce);
  const QByteArray authKey = AuthKey(key);
  return crypto_auth_verify(U(proof), U(message), size_t(message.size()), U(authKey)) == 0;
}

TNetCipher::TNetCipher(const QByteArray& codeKey, bool fromOffer, const QByteArray& offerNonce,
                       const QByteArray& joinNonce)
{
  // Fresh nonces from both sides make fresh keys for every connection, so counting from zero
  // never repeats a nonce under one key.
  key = NetHash(TNetWriter()
                    .Raw(fromOffer ? QByteArray("wurfwummel offer to join")
                                   : QByteArray("wurfwummel join to offer"))
                    .Raw(offerNonce)
                    .Raw(joinNonce)
                    .bytes,
                crypto_aead_xchacha20poly1305_ietf_KEYBYTES, codeKey);
}

static QByteArray CounterNonce(uint64_t counter)
{
  QByteArray nonce(crypto_aead_xchacha20poly1305_ietf_NPUBBYTES, '\0');
  for (int i = 0; i < 8; ++i)
    nonce[i] = char((counter >> (8 * i)) & 0xff);
  return nonce;
}

QByteArray TNetCipher::Seal(const QByteArray& plain)
{
  QByteArray sealed(plain.size() + OVERHEAD, '\0');
  const QByteArray nonce = CounterNonce(counter++);
  unsigned long long length = 0;
  crypto_aead_xchacha20poly1305_ietf_encrypt(reinterpret_cast<unsigned char*>(sealed.data()),
                                             &length, U(plain), size_t(plain.size()), nullptr, 0,
                                             nullptr, U(nonce), U(key));
  sealed.resize(qsizetype(length));
  return sealed;
}

bool TNetCipher::Open(const QByteArray& sealed, QByteArray& plain)
{
  if (key.isEmpty() || sealed.size() < OVERHEAD) return false;
  plain = QByteArray(sealed.size() - OVERHEAD, '\0');
  const QByteArray nonce = CounterNonce(counter);
  unsigned long long length = 0;
  if (crypto_aead_xchacha20poly1305_ietf_decrypt(reinterpret_cast<unsigned char*>(plain.data()),
                                                 &length, nullptr, U(sealed), size_t(sealed.size()),
                                                 nullptr, 0, U(nonce), U(key)) != 0)
    return false;
  plain.resize(qsizetype(length));
  ++counter;
  return true;
}
