// The dice of a network game against the rule as docs/network.md states it, computed here with
// libsodium's BLAKE2b directly, and the faces' spread.

#include "net/dice.h"
#include "net/referee.h"
#include "tests/net/dicerule.h"

#include <gtest/gtest.h>
#include <sodium.h>

TEST(NetDice, FacesFollowTheDocumentedRuleAndSpreadEvenly)
{
  ASSERT_GE(sodium_init(), 0);
  std::array<long, 6> count{};
  const QByteArray id = NetRandom(NET_GAME_ID);
  TFaces before{1, 2, 3, 4, 5, 6};
  const int throws = 20000;
  for (int k = 0; k < throws; ++k) {
    const QByteArray s0 = NetRandom(32), s1 = NetRandom(32);
    const uint8_t holds = k % 3 == 0 ? 0 : uint8_t(randombytes_uniform(64));
    const TFaces faces = DiceFaces(id, uint32_t(k), s0, s1, holds, before);
    ASSERT_EQ(faces, Faces(Bytes(id), uint32_t(k), Bytes(s0), Bytes(s1), holds, before));
    if (holds == 0)
      for (int f : faces)
        ++count[size_t(f - 1)];
    before = faces;
  }
  // Chi-square with five degrees of freedom; 20.5 is exceeded by chance once in a thousand.
  long total = 0;
  for (long c : count)
    total += c;
  double chi = 0;
  for (long c : count)
    chi += (c - total / 6.0) * (c - total / 6.0) / (total / 6.0);
  EXPECT_LT(chi, 20.5) << total;
}

TEST(NetDice, ARevealFitsOnlyItsOwnCommitment)
{
  const QByteArray id = NetRandom(NET_GAME_ID), seed = NetRandom(32);
  const QByteArray secret = DiceSecret(seed, id, 7);
  // The commitment is BLAKE2b-256("wurfwummel commit" | id | k | seat | secret).
  EXPECT_EQ(Bytes(DiceCommit(id, 7, 1, secret)),
            Blake("wurfwummel commit" + Bytes(id) + BigEndian32(7) + '\x01' + Bytes(secret), 32));
  // Bound to the throw, the seat and the game: replaying it elsewhere does not fit.
  EXPECT_NE(DiceCommit(id, 7, 1, secret), DiceCommit(id, 8, 1, secret));
  EXPECT_NE(DiceCommit(id, 7, 1, secret), DiceCommit(id, 7, 0, secret));
  EXPECT_NE(DiceCommit(id, 7, 1, secret), DiceCommit(NetRandom(NET_GAME_ID), 7, 1, secret));
  // Fresh for every throw, and the same again from the same private secret after a drop.
  EXPECT_NE(DiceSecret(seed, id, 7), DiceSecret(seed, id, 8));
  EXPECT_EQ(DiceSecret(seed, id, 7), secret);
}
