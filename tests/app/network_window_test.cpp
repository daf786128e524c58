// The network window in the running game: an offer and its end, a real copy joining, both seats
// played, a dropped connection resumed through the window, and a peer that cheats.

#include "tests/app/copies.h"
#include "tests/app/opponent.h"

#include "app/netgame.h"
#include "app/recorder.h"
#include "tests/net/rawpeer.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <arpa/inet.h>
#include <functional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
const char* const NET_WINDOW = "Wurfwummel - Netzwerkspiel";

QAbstractButton* ButtonIn(QWidget* window, const QString& text)
{
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
    if (button->text() == text) return button;
  return nullptr;
}

// What the offer says in the window: addresses, port and code; empty before it.
QString OfferText(QWidget* window)
{
  for (QLabel* label : window->findChildren<QLabel*>())
    if (label->text().startsWith("Adressen:")) return label->text();
  return QString();
}

QString Field(const QString& text, const QString& name)
{
  const QRegularExpressionMatch match = QRegularExpression(name + ": (\\S+)").match(text);
  return match.hasMatch() ? match.captured(1) : QString();
}

// Whether anything takes a TCP connection on the loopback interface at the port.
bool Listening(int port)
{
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(uint16_t(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool taken = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return taken;
}

constexpr const char* OPEN_GAME = "SELECT g.id FROM games g JOIN network n ON n.game = g.id "
                                  "WHERE g.state = 0";
} // namespace

class NetworkWindow : public Opponent
{
protected:
  // Handles events as the main loop does until done, for half a minute at most.
  bool Await(const std::function<bool()>& done)
  {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
      if (clock.elapsed() > 30000) return false;
      QTest::qWait(5);
      Pump();
    }
    return true;
  }
};

// The window offers a game, shows where and with which code, and "Abbrechen" ends the offer:
// nothing listens afterwards. Offered again, a real copy joins with the code shown; the game
// runs on the sheets with the own seat played through the window and the other copy's seat
// through the link. The copy is killed, the game stays, and is resumed through the window with a
// new copy; "Neues Spiel" leaves it open in the record, and the window offers to resume it.
TEST_F(NetworkWindow, OffersJoinedByACopyPlaysTurnsOnBothSidesAndLeavesTheGameOpen)
{
  StartApp();
  int port = 0;
  WhenWindow(NET_WINDOW, [&](QWidget* w) {
    ButtonIn(w, "Spiel anbieten")->click();
    Poll([&port, w] {
      const QString offer = OfferText(w);
      if (offer.isEmpty()) return false;
      port = Field(offer, "Port").toInt();
      if (port > 0 && !Listening(port)) port = -1; // the offer must be there while shown
      ButtonIn(w, "Abbrechen")->click();
      return true;
    });
  });
  ChooseMenu("Netzwerkspiel ...");
  ASSERT_GT(port, 0);
  EXPECT_FALSE(Listening(port));
  EXPECT_EQ(PlayerCount, 1);

  QTemporaryDir bertHome;
  Prepare(bertHome.path(), "Bert\r\n");
  std::unique_ptr<TCopy> bert;
  WhenWindow(NET_WINDOW, [&](QWidget* w) {
    ButtonIn(w, "Spiel anbieten")->click();
    Poll([&, w] {
      const QString offer = OfferText(w);
      if (offer.isEmpty()) return false;
      bert = std::make_unique<TCopy>(
          bertHome.path(),
          QStringList{"join", "127.0.0.1", Field(offer, "Port"), Field(offer, "Code")});
      return true;
    });
  });
  ChooseMenu("Netzwerkspiel ...");
  ASSERT_TRUE(bert);
  ASSERT_TRUE(app_->Net->Connected());
  EXPECT_EQ(PlayerCount, 2);
  EXPECT_EQ(app_->PlayerName, (std::vector<QString>{"Spieler1", "Bert"}));
  // The offering side plays first; its first throw comes over the link.
  ASSERT_TRUE(Await([&] { return app_->DiceField[0]->Dice[1] != 0 && !app_->PersonBlocked(); }));
  EXPECT_FALSE(GadgetDisabled(app_->MenuHint));
  TDicefield& own = *app_->DiceField[0];
  const int kept = own.Dice[1];
  Click(own.Panel[1]);
  EXPECT_EQ(own.Active[1], 1);
  Click(own.Button);
  EXPECT_EQ(own.Count, 0); // thrown only once the link has the faces of both sides
  EXPECT_TRUE(app_->PersonBlocked());
  ASSERT_TRUE(Await([&] { return own.Count == 1 && !app_->PersonBlocked(); }));
  EXPECT_EQ(own.Dice[1], kept);
  Click(FirstFree(0));
  Click(own.Fill);
  ASSERT_TRUE(Await([&] { return app_->CurrentPlayer == 1; }));
  EXPECT_EQ(Entered(0), 1);
  // The other seat's turn: its sheet and dice are not the person's, nor is "Tipp".
  EXPECT_TRUE(GadgetDisabled(app_->DiceField[1]->Button));
  EXPECT_TRUE(GadgetDisabled(app_->MenuHint));
  // Only the click itself is handled, not what comes over the link meanwhile.
  Pump();
  TGadget* const chosen = app_->Last;
  TGadget* other = nullptr;
  for (TGadget* cell : Cells(1))
    if (!other && !GadgetDisabled(cell) && cell != chosen) other = cell;
  ClickWidget(other);
  DispatchQueued();
  EXPECT_EQ(app_->Last, chosen);
  ASSERT_TRUE(Await([&] { return app_->CurrentPlayer == 0 && Entered(1) == 1; }));
  // The names file keeps this computer's players.
  app_->SaveGame();
  EXPECT_EQ(File("/wurfwummel.cfg"), QByteArray("Spieler1\r\n"));

  // Bert's computer goes away: the game stays on the sheets, open. Offered again with
  // "fortsetzen" ticked, Bert's copy joins with what its record holds, and the game goes on
  // where both computers were.
  bert.reset();
  ASSERT_TRUE(Await([&] { return !app_->Net->Connected(); }));
  EXPECT_TRUE(driver_->questions.value(driver_->questions.size() - 1).contains("bleibt offen"));
  EXPECT_EQ(PlayerCount, 2);
  bool offered = false;
  WhenWindow(NET_WINDOW, [&](QWidget* w) {
    QAbstractButton* resume = ButtonIn(w, "Das unterbrochene Spiel gegen Bert fortsetzen");
    offered = resume && resume->isChecked();
    ButtonIn(w, "Spiel anbieten")->click();
    Poll([&, w] {
      const QString offer = OfferText(w);
      if (offer.isEmpty()) return false;
      bert = std::make_unique<TCopy>(
          bertHome.path(),
          QStringList{"join", "127.0.0.1", Field(offer, "Port"), Field(offer, "Code"), "resume"});
      return true;
    });
  });
  ChooseMenu("Netzwerkspiel ...");
  EXPECT_TRUE(offered);
  ASSERT_TRUE(app_->Net->Connected());
  EXPECT_EQ(Entered(0), 1);
  EXPECT_EQ(Entered(1), 1);
  ASSERT_TRUE(Await([&] { return app_->DiceField[0]->Dice[1] != 0 && !app_->PersonBlocked(); }));
  EXPECT_EQ(app_->CurrentPlayer, 0);

  ChooseMenu("Neues Spiel");
  EXPECT_FALSE(app_->Net->Playing());
  EXPECT_EQ(PlayerCount, 1);
  EXPECT_EQ(app_->PlayerName, std::vector<QString>{"Spieler1"});
  app_->Record->Flush();
  EXPECT_GT(RecordNumber(DataPath() + "/wurfwummel.db", OPEN_GAME), 0);
  offered = false;
  WhenWindow(NET_WINDOW, [&](QWidget* w) {
    QAbstractButton* resume = ButtonIn(w, "Das unterbrochene Spiel gegen Bert fortsetzen");
    offered = resume && resume->isChecked();
    ButtonIn(w, "Abbrechen")->click();
  });
  ChooseMenu("Netzwerkspiel ...");
  EXPECT_TRUE(offered);
}

// A peer that knows the code but changes its reveal to get a better throw: the game ends with
// the link's sentence and what it means for the game, the sheets no longer react, and the record
// keeps the game as ended with that sentence.
TEST_F(NetworkWindow, ACheatingPeerEndsTheGameWithAMessageAndTheRecordSaysHow)
{
  StartApp();
  std::unique_ptr<TRawPeer> peer;
  WhenWindow(NET_WINDOW, [&](QWidget* w) {
    ButtonIn(w, "Spiel anbieten")->click();
    Poll([&, w] {
      const QString offer = OfferText(w);
      if (offer.isEmpty()) return false;
      peer =
          std::make_unique<TRawPeer>(uint16_t(Field(offer, "Port").toInt()), Field(offer, "Code"));
      peer->answer = false;
      return true;
    });
  });
  ChooseMenu("Netzwerkspiel ...");
  ASSERT_TRUE(peer);
  ASSERT_TRUE(app_->Net->Connected());
  // The offering side's first throw is asked for at once; the cheat answers it falsely.
  ASSERT_TRUE(Await([&] {
    return peer->ready && !peer->received.empty() && peer->received.back().kind == TNetKind::Throw;
  }));
  TNetMessage reveal;
  reveal.kind = TNetKind::Reveal;
  reveal.index = 0;
  reveal.reveal = peer->Reveal(0);
  reveal.reveal[5] = char(reveal.reveal[5] ^ 1);
  reveal.next = peer->Commit(1);
  peer->Send(reveal);
  ASSERT_TRUE(Await([&] { return !app_->Net->Connected(); }));
  const QString sentence = "Der andere Computer hat einen unmöglichen Zug geschickt: eine "
                           "Aufdeckung, die nicht zur Festlegung passt.";
  EXPECT_EQ(driver_->questions.value(driver_->questions.size() - 1),
            sentence + "\n" + NET_FAULT_NOTE);
  EXPECT_EQ(app_->DiceField[0]->Dice[1], 0); // no faces from a false reveal
  EXPECT_TRUE(app_->PersonBlocked());
  app_->Record->Flush();
  const QString db = DataPath() + "/wurfwummel.db";
  EXPECT_EQ(RecordNumber(db, "SELECT count(*) FROM network n JOIN games g ON g.id = n.game WHERE "
                             "g.state = 2 AND n.seat = 0"),
            1);
  EXPECT_EQ(
      RecordNumber(db, ("SELECT ending = '" + sentence + "' FROM network").toUtf8().constData()),
      1);
  // A new game brings the player back alone; the ended game is not offered to resume.
  ChooseMenu("Neues Spiel");
  EXPECT_EQ(PlayerCount, 1);
  TNetSaved saved;
  EXPECT_FALSE(app_->Net->Resumable(saved));
}

// Joining through the window: a wrong code is refused with a clear sentence and the window stays
// to try again; the right one joins a copy's offer, this computer plays the second seat, and
// the offering copy's first turn shows on the sheets as it plays it.
TEST_F(NetworkWindow, JoinsACopysOfferAfterAWrongCode)
{
  QTemporaryDir annaHome;
  Prepare(annaHome.path(), "Anna\r\n");
  TCopy anna(annaHome.path(), {"offer", "0", "1111-2222-3333"});
  ASSERT_TRUE(anna.Ready());
  const QString port = anna.Said("offering");
  StartApp();
  QString refused;
  WhenWindow(NET_WINDOW, [&](QWidget* w) {
    auto* address = qobject_cast<QLineEdit*>(Named(w, "Adresse mit Port"));
    auto* code = qobject_cast<QLineEdit*>(Named(w, "Code"));
    address->setText("127.0.0.1:" + port);
    code->setText("9999-9999-9999");
    ButtonIn(w, "Beitreten")->click();
    Poll([&, w, code] {
      for (QLabel* label : w->findChildren<QLabel*>())
        if (label->text() == "Falscher Code.") refused = label->text();
      if (refused.isEmpty() || !ButtonIn(w, "Beitreten")->isEnabled()) return false;
      code->setText("1111-2222-3333");
      ButtonIn(w, "Beitreten")->click();
      return true;
    });
  });
  ChooseMenu("Netzwerkspiel ...");
  EXPECT_EQ(refused, "Falscher Code.");
  ASSERT_TRUE(app_->Net->Connected());
  EXPECT_EQ(app_->Net->OwnSeat(), 1);
  EXPECT_EQ(app_->PlayerName, (std::vector<QString>{"Anna", "Spieler1"}));
  ASSERT_TRUE(Await([&] { return app_->CurrentPlayer == 1 && Entered(0) == 1; }));
  EXPECT_EQ(Entered(1), 0);
  ASSERT_TRUE(Await([&] { return app_->DiceField[1]->Dice[1] != 0 && !app_->PersonBlocked(); }));
}
