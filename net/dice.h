#pragma once

// The dice of a game over the network, made from a secret of each side: what a side commits
// to, how its secrets come from its one private secret of the game, and how the faces follow
// from both secrets. Pure functions over bytes (BLAKE2b of libsodium); docs/network.md gives
// the rule in words, and the tests compute it independently.

#include "sheet/rules.h"

#include <QByteArray>
#include <cstdint>

// Random bytes from the system's generator (libsodium).
QByteArray NetRandom(int n);
// BLAKE2b of `message`, `length` bytes, keyed when `key` is not empty.
QByteArray NetHash(const QByteArray& message, int length, const QByteArray& key = {});

// This side's secret for the game's throw number k (0 for the first throw of the game), made
// from its private secret of the game: fresh for every throw, and the same again after a
// dropped connection, so that a side can always reveal what it committed to.
QByteArray DiceSecret(const QByteArray& privateSecret, const QByteArray& gameId, uint32_t k);
// What a seat sends before throw k: the hash of its secret, bound to the game, throw and seat.
QByteArray DiceCommit(const QByteArray& gameId, uint32_t k, int seat, const QByteArray& secret);
// The faces of throw k: held dice keep `before`, the others take faces 1 to 6 in die order from
// a stream keyed by both secrets, a byte b giving b % 6 + 1 and the bytes 252..255 skipped.
TFaces DiceFaces(const QByteArray& gameId, uint32_t k, const QByteArray& secret0,
                 const QByteArray& secret1, uint8_t holds, const TFaces& before);
// A seat's mark on a step it made, keyed by its private secret: when the other computer hands
// that step back after a dropped connection, this computer knows it made it so.
QByteArray StepTag(const QByteArray& privateSecret, const QByteArray& gameId, uint32_t index,
                   const QByteArray& what);
