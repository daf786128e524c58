#pragma once

// The cryptography of a connection, all of it libsodium's: the key made from the join code
// (Argon2id, salted by the offering side), each side's proof that it knows the code, and the
// two encrypted directions of a game (XChaCha20-Poly1305 with a counter as nonce, so that a
// message can be neither changed, replayed, dropped nor reordered unnoticed).

#include <QByteArray>
#include <QString>
#include <cstdint>

// The twelve digits of a join code, or empty when it has not exactly twelve.
QByteArray CodeDigits(const QString& code);
// A fresh code of twelve random digits in three groups.
QString NewJoinCode();
// The key both sides make from the code and the offer's salt; empty if libsodium fails.
QByteArray CodeKey(const QByteArray& digits, const QByteArray& salt);
// What a side sends to prove it knows the code, bound to both nonces of this connection.
QByteArray CodeProof(const QByteArray& key, bool offering, const QByteArray& salt,
                     const QByteArray& offerNonce, const QByteArray& joinNonce);
bool CheckProof(const QByteArray& proof, const QByteArray& key, bool offering,
                const QByteArray& salt, const QByteArray& offerNonce, const QByteArray& joinNonce);

// One direction of an encrypted connection.
class TNetCipher
{
public:
  TNetCipher() = default;
  // The key of the direction from the offering side (offering = true) or from the joining one.
  TNetCipher(const QByteArray& key, bool fromOffer, const QByteArray& offerNonce,
             const QByteArray& joinNonce);
  QByteArray Seal(const QByteArray& plain);
  // false when the message was changed, replayed, reordered or made without the key.
  bool Open(const QByteArray& sealed, QByteArray& plain);
  static constexpr int OVERHEAD = 16;

private:
  QByteArray key;
  uint64_t counter = 0;
};
