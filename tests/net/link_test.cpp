#include "tests/net/dicerule.h"
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
  // Every throw's faces follow from both reveals in its step by the documented rule:
  // 'T', seat, holds, tag (16), reveal of seat 0, reveal of seat 1 (32 each), ...
  const std::string id = Bytes(a.token.left(16));
  std::array<int, 6> before{};
  size_t k = 0;
  for (const QByteArray& step : a.steps) {
    if (step[0] != 'T') continue;
    before = Faces(id, uint32_t(k), Bytes(step.mid(19, 32)), Bytes(step.mid(51, 32)),
                   uint8_t(step[2]), before);
    ASSERT_EQ(before, a.faces[k]) << "throw " << k;
    ++k;
  }
  EXPECT_EQ(k, a.faces.size());
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
  EXPECT_EQ(
      offer.closed,
      QStringLiteral("Das Spiel ist zu Ende, der andere Spieler hat die Verbindung beendet."));
  EXPECT_FALSE(offer.fault);
}

// Both kinds of drop: a quiet moment, and a throw that left one computer but whose answer never
// came back. Each time the game goes on with a new offer and a new code, at the last step both
// saw, with the seats of the first meeting, and ends the same on both sides.
TEST(NetGame, DroppedConnectionsResumeWithTheSameDice)
{
  TNetSide anna, bernd; // Anna offers first and plays seat 0
  Connect(anna, bernd);
  anna.afterStep = [&](TNetSide& side) {
    if (side.steps.size() >= 60 && side.throwsInTurn > 0 && side.turn == 0) {
      side.autoplay = false; // a quiet moment: the answer to Anna's throw has arrived
      side.afterStep = nullptr;
    }
  };
  ASSERT_TRUE(RunUntil([&] { return !anna.autoplay; }));
  anna.link.reset(); // the program is killed: no goodbye
  ASSERT_TRUE(RunUntil([&] { return bernd.ended; }));
  EXPECT_EQ(bernd.closed, QStringLiteral("Die Verbindung zum anderen Spieler ist abgebrochen."));
  EXPECT_FALSE(bernd.fault);
  ASSERT_EQ(anna.steps, bernd.steps);

  // Bernd offers this time, with another code; Anna keeps seat 0.
  const QString code2 = QStringLiteral("9999 0000 1111");
  anna.link = std::make_unique<TNetLink>();
  bernd.link = std::make_unique<TNetLink>();
  anna.autoplay = bernd.autoplay = true;
  anna.Wire();
  bernd.Wire();
  ASSERT_TRUE(bernd.link->Offer(0, code2, QStringLiteral("Bernd"), bernd.Resume()));
  anna.link->Join(QStringLiteral("127.0.0.1"), bernd.link->Port(), code2, QStringLiteral("Anna"),
                  anna.Resume());
  ASSERT_TRUE(RunUntil([&] { return anna.connected && bernd.connected; }))
      << anna.closed.toStdString() << bernd.closed.toStdString();
  EXPECT_EQ(anna.link->OwnSeat(), 0);
  EXPECT_EQ(bernd.link->OwnSeat(), 1);

  // Now Bernd's throw leaves his computer and the computer dies before the answer arrives.
  bernd.afterStep = [&](TNetSide& side) {
    if (side.steps.size() >= 200 && side.turn == 1 && side.throwsInTurn == 1) {
      side.autoplay = false;
      side.afterStep = nullptr;
    }
  };
  ASSERT_TRUE(RunUntil([&] { return !bernd.autoplay; }));
  const size_t before = bernd.steps.size();
  bernd.link->Throw(5); // dice 1 and 3 held
  bernd.link.reset();
  ASSERT_TRUE(RunUntil([&] { return anna.ended; }));
  EXPECT_FALSE(anna.fault) << anna.closed.toStdString();
  // Anna took the throw; Bernd never saw its faces.
  ASSERT_EQ(anna.steps.size(), before + 1);
  ASSERT_EQ(bernd.steps.size(), before);
  const size_t inFlight = anna.faces.size() - 1;
  const std::array<int, 6> annaSaw = anna.faces.back();
  EXPECT_EQ(anna.holds.back(), 5);

  bernd.link = std::make_unique<TNetLink>();
  anna.link = std::make_unique<TNetLink>();
  Connect(anna, bernd, CODE, anna.Resume(), bernd.Resume());
  anna.autoplay = bernd.autoplay = true;
  ASSERT_TRUE(RunUntil([&] { return anna.entries == 126 && bernd.entries == 126; }, 60000))
      << anna.closed.toStdString() << bernd.closed.toStdString();
  ExpectSameGame(anna, bernd);
  // The throw in flight came back to Bernd as it was: his holds, the faces Anna saw.
  EXPECT_EQ(bernd.holds[inFlight], 5);
  EXPECT_EQ(bernd.faces[inFlight], annaSaw);
}

// A computer without the code is refused with a clear sentence on both sides, and after five
// wrong codes the offer ends: nothing listens any more, not even for the right code.
TEST(NetGame, WrongCodesAreRefusedAndEndTheOfferAfterFive)
{
  TNetSide offer;
  offer.Wire();
  ASSERT_TRUE(offer.link->Offer(0, CODE, QStringLiteral("Anna")));
  const uint16_t port = offer.link->Port();
  for (int attempt = 1; attempt <= 5; ++attempt) {
    TNetSide guess;
    guess.Wire();
    guess.link->Join(QStringLiteral("localhost"), port, QStringLiteral("1234-5678-9013"),
                     QStringLiteral("Eve"));
    ASSERT_TRUE(RunUntil([&] { return guess.ended; }));
    EXPECT_FALSE(guess.connected);
    EXPECT_FALSE(guess.fault);
    EXPECT_EQ(guess.closed, attempt < 5 ? QStringLiteral("Falscher Code.")
                                        : QStringLiteral("Falscher Code. Das Angebot ist nach "
                                                         "zu vielen falschen Codes beendet."));
    EXPECT_EQ(offer.wrongCodes, attempt);
    EXPECT_EQ(offer.ended, attempt == 5);
  }
  EXPECT_EQ(offer.closed,
            QStringLiteral("Das Angebot ist beendet: fünfmal wurde ein falscher Code eingegeben."));
  EXPECT_EQ(offer.link->Port(), 0);
  TNetSide late;
  late.Wire();
  late.link->Join(QStringLiteral("127.0.0.1"), port, CODE, QStringLiteral("Bernd"));
  ASSERT_TRUE(RunUntil([&] { return late.ended; }));
  EXPECT_FALSE(late.connected);
  EXPECT_TRUE(late.closed.startsWith(QStringLiteral("Keine Verbindung zu 127.0.0.1, Port ")))
      << late.closed.toStdString();
}
