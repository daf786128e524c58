// Asking the router for the port: what the player is told for each answer of the router, and a
// real request on this machine's network, which must end with a plain sentence either way.

#include "net/upnp.h"
#include "tests/net/netplay.h"

#include <gtest/gtest.h>

TEST(NetUpnp, ThePlayerIsToldPlainlyWhetherTheGameCanBeReached)
{
  const TNetPortResult open = JudgePortMapping(1, true, {}, QStringLiteral("203.0.114.7"), 40123);
  EXPECT_TRUE(open.reachable);
  EXPECT_EQ(open.sentence,
            QStringLiteral("Aus dem Internet erreichbar unter 203.0.114.7, Port 40123."));
  // A router behind the provider's own network address translation: forwarded, yet unreachable.
  for (const char* inner : {"10.1.2.3", "100.64.0.9", "172.20.0.1", "192.168.178.1", ""}) {
    const TNetPortResult r = JudgePortMapping(1, true, {}, QString::fromLatin1(inner), 40123);
    EXPECT_FALSE(r.reachable) << inner;
    EXPECT_TRUE(
        r.sentence.endsWith(QStringLiteral(": das Spiel ist nur im lokalen Netz erreichbar.")));
  }
  EXPECT_EQ(JudgePortMapping(0, false, {}, {}, 1).sentence,
            QStringLiteral(
                "Kein Router mit UPnP gefunden: das Spiel ist nur im lokalen Netz erreichbar."));
  EXPECT_EQ(
      JudgePortMapping(1, false, QStringLiteral("ConflictInMappingEntry"), {}, 1).sentence,
      QStringLiteral("Der Router hat die Weiterleitung des Ports abgelehnt "
                     "(ConflictInMappingEntry): das Spiel ist nur im lokalen Netz erreichbar."));

  TNetUpnp upnp;
  bool answered = false;
  TNetPortResult real;
  upnp.Open(40123, [&](const TNetPortResult& r) {
    real = r;
    answered = true;
  });
  ASSERT_TRUE(RunUntil([&] { return answered; }, 30000));
  EXPECT_FALSE(real.sentence.isEmpty());
  EXPECT_EQ(real.reachable, real.sentence.startsWith(QStringLiteral("Aus dem Internet")));
  upnp.Close();
}
