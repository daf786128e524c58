// Offers on the local network: with an Avahi daemon the own announcement is found by browsing,
// with its name and port; without one, nothing happens and nothing breaks.

#include "net/discovery.h"
#include "tests/net/netplay.h"

#include <gtest/gtest.h>

TEST(NetDiscovery, AnnouncedOfferIsFoundOrAllStaysQuiet)
{
  TNetDiscovery offer, join;
  std::vector<TNetOffer> seen;
  int calls = 0;
  join.Browse([&](const std::vector<TNetOffer>& offers) {
    seen = offers;
    ++calls;
  });
  offer.Announce(QStringLiteral("Anna Prüfling"), 47321);
  // avahi_test.sh runs this test again beside a daemon of its own, and says so.
  if (qEnvironmentVariableIsSet("WW_EXPECT_AVAHI")) {
    ASSERT_TRUE(offer.Available());
  }
  if (!offer.Available()) {
    RunUntil([] { return false; }, 500);
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(seen.empty());
    offer.Withdraw();
    join.StopBrowsing();
    return;
  }
  auto found = [&] {
    for (const TNetOffer& o : seen)
      if (o.name == QStringLiteral("Anna Prüfling") && o.port == 47321 && !o.host.isEmpty())
        return true;
    return false;
  };
  ASSERT_TRUE(RunUntil(found, 10000));
  offer.Withdraw();
  EXPECT_TRUE(RunUntil([&] { return !found(); }, 10000));
}
