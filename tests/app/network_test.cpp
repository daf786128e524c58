// Two real copies of the game playing each other over the loopback interface, each with its own
// data folder, as two computers would: a whole game, one side killed half-way and the game
// resumed by both, and what each record and high-score list holds at the end.

#include "tests/app/copies.h"

#include "store/recorddb.h"
#include "store/recordgame.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <sqlite3.h>

namespace
{
QString Db(const QString& home)
{
  return Data(home) + "/wurfwummel.db";
}

// The throws and entries of a game in the record, one line each, in order: what both computers
// must agree on.
QStringList ThrowsAndEntries(const QString& home, int64_t game)
{
  QStringList lines;
  sqlite3* db = nullptr;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_open_v2(Native(Db(home)).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
          SQLITE_OK &&
      sqlite3_prepare_v2(db,
                         "SELECT kind, seat, dice, roll, row, col, points FROM actions WHERE game "
                         "= ? AND kind IN ('T', 'E') ORDER BY seq",
                         -1, &st, nullptr) == SQLITE_OK) {
    sqlite3_bind_int64(st, 1, game);
    while (sqlite3_step(st) == SQLITE_ROW) {
      QStringList fields;
      for (int c = 0; c < 7; ++c)
        fields << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
      lines << fields.join(' ');
    }
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return lines;
}

// What a copy printed last, or the next such line.
bool Heard(TCopy& copy, const QByteArray& word)
{
  return !copy.Said(word).isEmpty() || copy.WaitFor(word);
}

bool Within(int ms, const std::function<bool()>& done)
{
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QTest::qWait(100);
  }
  return true;
}

// The total a name has in a copy's high-score list; -1 when it has none.
int ListedTotal(const QString& home, const QString& name)
{
  for (const QString& record : ParseScoreFile(ReadAll(Data(home) + "/wurfwummel.scr")))
    if (RecordName(record) == name) return RecordScore(record);
  return -1;
}

constexpr const char* OPEN_GAME = "SELECT g.id FROM games g JOIN network n ON n.game = g.id "
                                  "WHERE g.state = 0";
} // namespace

// Anna offers, Bert joins; Bert's copy dies as by a power cut after 40 steps, Anna's is told and
// ends. Both start again, both continue the open game, and play it to its end: each record
// holds the same throws and entries in the same order, as one game with its own seat marked,
// finished, and each high-score list has both totals.
TEST(NetworkGame, TwoCopiesPlayAWholeGameThroughAKillAndAResumption)
{
  QTemporaryDir anna, bert;
  Prepare(anna.path(), "Anna\r\n");
  Prepare(bert.path(), "Bert\r\n");
  int64_t annaGame = 0, bertGame = 0;
  {
    TCopy a(anna.path(), {"offer", "0", "1111-2222-3333"});
    ASSERT_TRUE(a.Ready());
    const QString port = a.Said("offering");
    ASSERT_FALSE(port.isEmpty());
    TCopy b(bert.path(), {"killafter", "40", "join", "127.0.0.1", port, "1111-2222-3333"});
    ASSERT_TRUE(b.Ready());
    ASSERT_TRUE(Heard(b, "connected"));
    ASSERT_TRUE(Heard(a, "connected"));
    EXPECT_EQ(a.Said("connected"), "0"); // the offering side plays first
    EXPECT_EQ(b.Said("connected"), "1");
    ASSERT_TRUE(b.Ended());
    EXPECT_FALSE(b.EndedCleanly());
    ASSERT_TRUE(Heard(a, "notify"));
    EXPECT_TRUE(a.Said("notify").contains("Das Spiel bleibt offen"))
        << a.Said("notify").toStdString();
    a.Signal(SIGTERM);
    ASSERT_TRUE(a.EndedCleanly());
  }
  annaGame = RecordNumber(Db(anna.path()), OPEN_GAME);
  bertGame = RecordNumber(Db(bert.path()), OPEN_GAME);
  ASSERT_GT(annaGame, 0);
  ASSERT_GT(bertGame, 0);
  EXPECT_EQ(RecordNumber(Db(anna.path()), "SELECT seat FROM network"), 0);
  EXPECT_EQ(RecordNumber(Db(bert.path()), "SELECT seat FROM network"), 1);
  const QStringList before = ThrowsAndEntries(bert.path(), bertGame);
  EXPECT_GE(before.size(), 20);
  // A start plays no game over the network at this computer alone, nor ends it.
  {
    TCopy alone(anna.path(), {});
    ASSERT_TRUE(alone.Ready());
    alone.Signal(SIGTERM);
    ASSERT_TRUE(alone.EndedCleanly());
  }
  EXPECT_EQ(RecordNumber(Db(anna.path()), OPEN_GAME), annaGame);
  {
    TCopy a(anna.path(), {"offer", "0", "4444-5555-6666", "resume"});
    ASSERT_TRUE(a.Ready());
    TCopy b(bert.path(), {"join", "127.0.0.1", a.Said("offering"), "4444-5555-6666", "resume"});
    ASSERT_TRUE(b.Ready());
    ASSERT_TRUE(Heard(a, "connected"));
    ASSERT_TRUE(Heard(b, "connected"));
    EXPECT_EQ(a.Said("connected"), "0");
    EXPECT_EQ(b.Said("connected"), "1");
    const QString finished = "SELECT state FROM games WHERE id = %1";
    ASSERT_TRUE(Within(240000, [&] {
      return RecordNumber(Db(anna.path()), finished.arg(annaGame).toUtf8().constData()) == 1 &&
             RecordNumber(Db(bert.path()), finished.arg(bertGame).toUtf8().constData()) == 1;
    })) << "the resumed game did not end on both computers";
    // Each shows its high-score list; the end of the session closes it and saves.
    a.Signal(SIGTERM);
    b.Signal(SIGTERM);
    EXPECT_TRUE(a.EndedCleanly());
    EXPECT_TRUE(b.EndedCleanly());
  }
  // One game on each computer, the same throws and entries, every cell of both sheets entered,
  // and what Bert's record held at the kill is where the game went on from.
  const QStringList annaSteps = ThrowsAndEntries(anna.path(), annaGame);
  const QStringList bertSteps = ThrowsAndEntries(bert.path(), bertGame);
  EXPECT_EQ(annaSteps, bertSteps);
  EXPECT_EQ(annaSteps.filter(QRegularExpression("^E ")).size(), 2 * 21 * 3);
  // (Its last throw may be one the other computer never saw: the game goes on before it.)
  EXPECT_EQ(bertSteps.mid(0, before.size() - 1), before.mid(0, before.size() - 1));
  const auto number = [](const QString& home, const QString& sql, int64_t game) {
    return RecordNumber(Db(home), sql.arg(game).toUtf8().constData());
  };
  const QString level = "SELECT level = 'netzwerk' FROM players WHERE game = %1 AND seat = ";
  EXPECT_EQ(number(anna.path(), level + "1", annaGame), 1);
  EXPECT_EQ(number(anna.path(), level + "0", annaGame), 0);
  EXPECT_EQ(number(bert.path(), level + "0", bertGame), 1);
  const QString total = "SELECT total FROM players WHERE game = %1 AND seat = ";
  const int64_t annaTotal = number(anna.path(), total + "0", annaGame);
  const int64_t bertTotal = number(anna.path(), total + "1", annaGame);
  EXPECT_GT(annaTotal, 0);
  EXPECT_EQ(number(bert.path(), total + "0", bertGame), annaTotal);
  EXPECT_EQ(number(bert.path(), total + "1", bertGame), bertTotal);
  for (const QString& home : {anna.path(), bert.path()}) {
    EXPECT_EQ(ListedTotal(home, "Anna"), annaTotal);
    EXPECT_EQ(ListedTotal(home, "Bert"), bertTotal);
    // The statistics count it for both as a game over the network, and nothing else.
    TRecordProblem problem;
    std::unique_ptr<TRecordDb> db = TRecordDb::Open(Native(Db(home)).toStdString(), 1000, problem);
    TStatistics stats;
    ASSERT_TRUE(db && db->ReadStatistics(stats));
    QStringList lines;
    for (const TStatsLine& line : stats.lines)
      lines << QString::fromStdString(line.name) + " " +
                   QString::fromUtf8(GAME_KIND_NAMES[KindIndex(line.kind)].words) + " " +
                   QString::number(line.games);
    EXPECT_EQ(lines, (QStringList{"Anna über das Netzwerk 1", "Bert über das Netzwerk 1"}));
    // The analysis reads it as any finished game: every turn of both seats.
    std::vector<TAction> actions;
    TRecordedGame recorded;
    ASSERT_TRUE(db->LoadActions(home == anna.path() ? annaGame : bertGame, actions));
    ASSERT_TRUE(RecordedGame(actions, recorded));
    EXPECT_TRUE(recorded.finished);
    ASSERT_EQ(recorded.played.players.size(), 2u);
    EXPECT_EQ(recorded.played.players[0].size(), size_t(21 * 3));
    EXPECT_EQ(recorded.played.players[1].size(), size_t(21 * 3));
  }
}
