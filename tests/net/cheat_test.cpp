// A peer that knows the code but breaks the rules: each way of cheating or of leaving the other
// hanging ends the game on the honest side with fault = true and a sentence that says why.

#include "tests/net/netplay.h"
#include "tests/net/rawpeer.h"

#include <gtest/gtest.h>

namespace
{

struct TCheat {
  TNetSide honest;
  std::unique_ptr<TRawPeer> peer;

  // `answer`: whether the cheat answers the honest side's throws and entries honestly.
  TCheat(bool autoplay, bool answer)
  {
    honest.autoplay = autoplay;
    honest.Wire();
    EXPECT_TRUE(honest.link->Offer(0, QStringLiteral("1234-5678-9012"), QStringLiteral("Anna")));
    peer = std::make_unique<TRawPeer>(honest.link->Port());
    peer->answer = answer;
    EXPECT_TRUE(RunUntil([&] { return honest.connected && peer->ready; }));
  }

  void ExpectFault(const char* sentence, int ms = 20000)
  {
    ASSERT_TRUE(RunUntil([&] { return honest.ended; }, ms));
    EXPECT_TRUE(honest.fault);
    EXPECT_EQ(honest.closed, QString::fromUtf8(sentence));
  }
};

} // namespace

TEST(NetCheat, TamperedRevealIsCaught)
{
  TCheat c(true, false); // the honest side throws first
  ASSERT_TRUE(RunUntil([&] {
    return !c.peer->received.empty() && c.peer->received.back().kind == TNetKind::Throw;
  }));
  TNetMessage reveal;
  reveal.kind = TNetKind::Reveal;
  reveal.index = 0;
  reveal.reveal = c.peer->Reveal(0);
  reveal.reveal[5] = char(reveal.reveal[5] ^ 1); // one bit: a better throw for the cheat?
  reveal.next = c.peer->Commit(1);
  c.peer->Send(reveal);
  c.ExpectFault("Der andere Computer hat einen unmöglichen Zug geschickt: eine Aufdeckung, die "
                "nicht zur Festlegung passt.");
  EXPECT_TRUE(c.honest.steps.empty()) << "no faces from a false reveal";
}

TEST(NetCheat, EntryIntoATakenCellIsCaught)
{
  TCheat c(false, true);
  // Two honest turns of the cheat's opponent and one of its own, then the same cell again.
  for (int turn = 0; turn < 3; ++turn) {
    const bool own = turn % 2 == 1;
    const size_t before = c.honest.steps.size();
    if (own) {
      c.peer->Throw(0);
      ASSERT_TRUE(RunUntil([&] { return c.honest.steps.size() == before + 1; }));
      c.peer->Enter(4, 2);
    } else {
      c.honest.link->Throw(0);
      ASSERT_TRUE(RunUntil([&] { return c.honest.steps.size() == before + 1; }));
      c.honest.link->Enter(turn, 0);
    }
    ASSERT_TRUE(RunUntil([&] {
      return c.honest.steps.size() == before + 2 && c.peer->steps == before + 2;
    })) << c.honest.closed.toStdString();
  }
  c.peer->Throw(0);
  ASSERT_TRUE(RunUntil([&] { return c.honest.steps.size() == 7; }));
  c.peer->Enter(4, 2);
  c.ExpectFault("Der andere Computer hat einen unmöglichen Zug geschickt: ein Eintrag in ein "
                "belegtes Feld.");
  EXPECT_EQ(c.honest.steps.size(), 7u);
}

TEST(NetCheat, FloodIsCaught)
{
  TCheat c(false, true);
  TNetMessage keepAlive;
  keepAlive.kind = TNetKind::KeepAlive;
  for (int i = 0; i < 50; ++i)
    c.peer->Send(keepAlive);
  c.ExpectFault("Der andere Computer schickt zu viele Nachrichten.");
}

TEST(NetCheat, StopMidMessageIsCaught)
{
  TCheat c(false, true);
  // A frame that announces 200 bytes and brings 20.
  c.peer->SendRaw(QByteArray("\x00\xc8", 2) + QByteArray(20, 'a'));
  c.ExpectFault("Der andere Computer hat mitten in einer Nachricht aufgehört.");
}

TEST(NetCheat, SilenceAfterSeeingOurRevealIsCaught)
{
  TCheat c(true, false); // it sees our half of the throw and keeps quiet, but stays connected
  TNetMessage keepAlive;
  keepAlive.kind = TNetKind::KeepAlive;
  QTimer alive;
  QObject::connect(&alive, &QTimer::timeout, [&] { c.peer->Send(keepAlive); });
  alive.start(1000);
  c.ExpectFault("Der andere Computer schweigt, nachdem er unsere Hälfte des Wurfs gesehen hat. "
                "Das Spiel ist beendet.");
  EXPECT_TRUE(c.honest.steps.empty());
}

TEST(NetCheat, GarbageBetweenValidMessagesIsCaught)
{
  TCheat c(false, true);
  // Bytes that were not made with the key, as a third party without the code would inject them.
  c.peer->SendRaw(QByteArray("\x00\x20", 2) + QByteArray(32, 'z'));
  c.ExpectFault("Der andere Computer hat eine verfälschte oder fremde Nachricht geschickt.");
}

// An idle game sends nothing but a keep-alive every few seconds.
TEST(NetCheat, IdleGameSendsOnlyKeepAlives)
{
  TCheat c(false, true);
  const size_t before = c.peer->received.size();
  RunUntil([] { return false; }, 6500);
  ASSERT_EQ(c.peer->received.size(), before + 2);
  for (size_t i = before; i < c.peer->received.size(); ++i)
    EXPECT_EQ(c.peer->received[i].kind, TNetKind::KeepAlive);
  EXPECT_FALSE(c.honest.ended);
}
