#include "tests/net/netplay.h"

#include <gtest/gtest.h>

namespace
{

const QString CODE = QStringLiteral("1234-5678-9012");

// Offers on a free port of 127.0.0.1 and joins it; both sides play by themselves.
void Connect(TNetSide& offer, TNetSide& join, const QString& code = CODE,
             const TNetResume& offerResume = {}, const TNetResume& joinResume = {})
{
  offer.Wire();
  join.Wire();
  ASSERT_TRUE(offer.link->Offer(0, CODE, QStringLiteral("Anna"), offerResume))
      << offer.link->Error().toStdString();
  ASSERT_NE(offer.link->Port(), 0);
  join.link->Join(QStringLiteral("127.0.0.1"), offer.link->Port(), code, QStringLiteral("Bernd"),
                  joinResume);
}

void ExpectSameGame(const TNetSide& a, const TNetSide& b)
{
  ASSERT_EQ(a.steps.size(), b.steps.size());
  for (size_t i = 0; i < a.steps.size(); ++i)
    ASSERT_EQ(a.steps[i], b.steps[i]) << "step " << i;
  EXPECT_EQ(a.faces, b.faces);
  EXPECT_EQ(a.holds, b.holds);
}

} // namespace

TEST(NetGame, WholeGameOverLoopbackIsTheSameOnBothSides)
{
  TNetSide offer, join;
  Connect(offer, join);
  ASSERT_TRUE(RunUntil([&] { return offer.connected && join.connected; }));
  EXPECT_EQ(offer.link->OwnSeat(), 0);
  EXPECT_EQ(join.link->OwnSeat(), 1);
  EXPECT_EQ(offer.link->PeerName(), QStringLiteral("Bernd"));
  EXPECT_EQ(join.link->PeerName(), QStringLiteral("Anna"));
  EXPECT_EQ(offer.link->Token(), join.link->Token());
  EXPECT_NE(offer.link->Secret(), join.link->Secret());
  // Nothing else listens once the two have met.
  EXPECT_EQ(offer.link->Port(), 0);
  ASSERT_TRUE(RunUntil([&] { return offer.entries == 126 && join.entries == 126; }, 60000))
      << offer.closed.toStdString() << join.closed.toStdString();
  EXPECT_FALSE(offer.ended || join.ended) << offer.closed.toStdString();
  ExpectSameGame(offer, join);
  for (int seat = 0; seat < 2; ++seat)
    for (bool cell : offer.taken[size_t(seat)])
      EXPECT_TRUE(cell);
  // Each turn has one to three throws, the first with nothing held.
  EXPECT_GE(offer.faces.size(), 126u);
  EXPECT_LE(offer.faces.size(), 3 * 126u);
  join.link->Close();
  ASSERT_TRUE(RunUntil([&] { return offer.ended; }));
  EXPECT_EQ(offer.closed, QStringLiteral("Der andere Spieler hat die Verbindung beendet."));
  EXPECT_FALSE(offer.fault);
}
