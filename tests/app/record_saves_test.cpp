// The record of every game kept by real copies of the game: killed at each step of a write,
// slowed on every sync, two at once, and a record it may not write.

#include "tests/app/copies.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QTest>
#include <sqlite3.h>
#include <sys/stat.h>

namespace
{
QString Db(const QString& home)
{
  return Data(home) + "/wurfwummel.db";
}

// The game as a copy that starts now shows it.
QString StartState(const QString& home, int* notices = nullptr)
{
  TCopy next(home, {});
  if (!next.Ready()) return "not started";
  const QString state = next.States().value(0);
  if (notices) *notices = next.Notices();
  next.Signal(SIGTERM);
  if (!next.EndedCleanly()) return "not ended";
  return state;
}

const QStringList SYNCS = {"-e", "trace=fsync,fdatasync"};
} // namespace

// A copy is killed at each write and at each sync of its record in turn; the next start shows
// the state after its last action or the one before, never a mix, never a box.
TEST(RecordSaves, KilledAtEachWriteOrSyncTheNextStartShowsTheLastActionOrTheOneBefore)
{
  int runs = 0, last = 0, before = 0, neither = 0;
  for (int step = 0; step < 16; ++step) {
    // Killed as it writes a page of the log (the first 8 writes are a start's own), or as it
    // syncs the log.
    const QString call = step < 8 ? "pwrite64" : "fsync,fdatasync";
    const int when = step % 8 + (step < 8 ? 9 : 1);
    QTemporaryDir home;
    Prepare(home.path());
    // The record exists, a game is open; a copy killed before it shows anything leaves that.
    QStringList states = {StartState(home.path())};
    ASSERT_NE(states[0], "not started");
    {
      TCopy crashing(home.path(), {"play", "9"},
                     {"-e", "trace=" + call, "-e",
                      QString("inject=%1:signal=KILL:when=%2").arg(call).arg(when)});
      crashing.Ready();
      crashing.Drain();
      states += crashing.States();
    }
    ASSERT_FALSE(states.isEmpty()) << call.toStdString() << when;
    int notices = -1;
    const QString shown = StartState(home.path(), &notices);
    EXPECT_EQ(notices, 0) << call.toStdString() << when;
    ++runs;
    if (shown == states.back()) {
      ++last;
    } else if (states.size() >= 2 && shown == states[states.size() - 2]) {
      ++before;
    } else {
      ++neither;
      ADD_FAILURE() << call.toStdString() << " " << when << ": " << shown.toStdString() << " after "
                    << states.join(" | ").toStdString();
    }
  }
  std::printf(
      "killed at each of 8 writes and 8 syncs: %d runs, %d showed the last action, %d the one "
      "before, %d neither\n",
      runs, last, before, neither);
  EXPECT_EQ(neither, 0);
}

// With every sync taking half a second, holding, throwing and entering still answer at once,
// and an end by SIGTERM still writes every action before the process goes.
TEST(RecordSaves, EverySyncSlowedTheActionsStillAnswerAtOnceAndTheEndWritesAll)
{
  QTemporaryDir home;
  Prepare(home.path());
  ASSERT_NE(StartState(home.path()), "not started");
  TCopy slow(home.path(), {"timed", "12"},
             SYNCS + QStringList{"-e", "inject=fsync,fdatasync:delay_exit=500000"});
  ASSERT_TRUE(slow.Ready());
  std::printf("every sync 0.5 s: the slowest of 12 actions kept the window %d ms\n",
              slow.Slowest());
  EXPECT_GE(slow.Slowest(), 0);
  EXPECT_LT(slow.Slowest(), 250); // half of one sync: no action waited for one
  const QString last = slow.States().back();
  slow.Signal(SIGTERM);
  EXPECT_TRUE(slow.EndedCleanly());
  EXPECT_EQ(StartState(home.path()), last);
}

// Two copies at once each play their own game; neither resumes the other's; the history keeps
// both, and a later start goes on with the one played last.
TEST(RecordSaves, TwoCopiesPlayTheirOwnGamesAndTheHistoryKeepsBoth)
{
  QTemporaryDir home;
  Prepare(home.path());
  ASSERT_NE(StartState(home.path()), "not started");
  TCopy first(home.path(), {"play", "3"});
  ASSERT_TRUE(first.Ready());
  TCopy second(home.path(), {"play", "6"});
  ASSERT_TRUE(second.Ready());
  EXPECT_NE(first.Game(), 0);
  EXPECT_NE(second.Game(), 0);
  EXPECT_NE(first.Game(), second.Game());
  EXPECT_NE(second.States().value(0), first.States().back());
  const QString secondLast = second.States().back();
  second.Signal(SIGTERM);
  EXPECT_TRUE(second.EndedCleanly());
  // While the first one plays on, a third copy takes up the second's game, not the first's.
  {
    TCopy third(home.path(), {});
    ASSERT_TRUE(third.Ready());
    EXPECT_EQ(third.Game(), second.Game());
    EXPECT_EQ(third.States().value(0), secondLast);
    third.Signal(SIGTERM);
    EXPECT_TRUE(third.EndedCleanly());
  }
  first.Signal(SIGTERM);
  EXPECT_TRUE(first.EndedCleanly());
  EXPECT_EQ(RecordNumber(Db(home.path()), "SELECT count(*) FROM games"), 2);
  EXPECT_EQ(RecordNumber(Db(home.path()), "SELECT count(*) FROM actions WHERE kind = 'E'"), 3);
}

// A record the user may not write is said once and left as it is; the game plays on. Root may
// write anything, so root's run is the user's.
TEST(RecordSaves, ARecordItMayNotWriteIsSaidOnceAndLeftAlone)
{
  QTemporaryDir home;
  Prepare(home.path());
  ASSERT_NE(StartState(home.path()), "not started");
  const bool root = ::geteuid() == 0;
  if (root) {
    for (const QString& p : {home.path(), home.path() + "/Tollmark", Data(home.path())})
      ASSERT_EQ(::chown(Native(p).constData(), NOBODY, NOBODY), 0);
    for (const QString& name : QDir(Data(home.path())).entryList(QDir::Files | QDir::Hidden))
      ASSERT_EQ(::chown(Native(Data(home.path()) + "/" + name).constData(), NOBODY, NOBODY), 0);
  }
  ASSERT_EQ(::chmod(Native(Db(home.path())).constData(), 0444), 0);
  const QByteArray before = ReadAll(Db(home.path()));
  TCopy user(home.path(), {"play", "3"}, {}, root);
  ASSERT_TRUE(user.Ready());
  EXPECT_EQ(user.Notices(), 1);
  EXPECT_EQ(user.States().size(), 4); // it played
  user.Signal(SIGTERM);
  EXPECT_TRUE(user.EndedCleanly());
  EXPECT_EQ(ReadAll(Db(home.path())), before);
}

namespace
{
// Another program (a shell, a backup or statistics script) opens the record as it likes, reads
// it and closes it: as the last user it would take the running game's log for its own.
int64_t ReadLikeAnotherProgram(const QString& db, const char* sql)
{
  sqlite3* other = nullptr;
  sqlite3_stmt* st = nullptr;
  int64_t n = -1;
  if (sqlite3_open(QFile::encodeName(db).constData(), &other) == SQLITE_OK &&
      sqlite3_prepare_v2(other, sql, -1, &st, nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW)
    n = sqlite3_column_int64(st, 0);
  sqlite3_finalize(st);
  sqlite3_close(other);
  return n;
}
} // namespace

// While a game runs, another program reads the record and a second copy starts, plays and
// ends; the first copy plays on and is killed. Once, their reading removed the first copy's log
// under it, and half of its later actions were lost: now each copy's game resumes at its last
// action or the one before, and both games are whole in the history.
TEST(RecordSaves, AnotherProgramAndASecondCopyOpeningTheRecordLoseNoAction)
{
  QTemporaryDir home;
  Prepare(home.path());
  ASSERT_NE(StartState(home.path()), "not started");
  const QString db = Db(home.path());
  TCopy first(home.path(), {"play", "5", "wait", "play", "7", "wait"});
  ASSERT_TRUE(first.WaitFor("waiting"));
  EXPECT_GE(ReadLikeAnotherProgram(db, "SELECT count(*) FROM actions"), 5);
  qint64 secondGame = 0;
  {
    TCopy second(home.path(), {"play", "6"});
    ASSERT_TRUE(second.Ready());
    secondGame = second.Game();
    second.Signal(SIGTERM);
    EXPECT_TRUE(second.EndedCleanly());
  }
  first.GoOn();
  ASSERT_TRUE(first.WaitFor("waiting"));
  EXPECT_GE(ReadLikeAnotherProgram(db, "SELECT count(*) FROM games"), 2);
  const QStringList states = first.States();
  first.Kill();
  first.Ended();
  // The first copy's log is still there for the next start: its game comes back.
  const QString shown = StartState(home.path());
  EXPECT_TRUE(shown == states.back() || shown == states[states.size() - 2])
      << shown.toStdString() << " after " << states.join(" | ").toStdString();
  // The second copy's game was ended whole; a start after the first's goes on with it.
  EXPECT_EQ(RecordNumber(db, QString("SELECT count(*) FROM actions WHERE game = %1 AND kind = 'E'")
                                 .arg(secondGame)
                                 .toUtf8()
                                 .constData()),
            2);
}

// Another program keeps the record locked: the copy says so once, keeps its actions, writes them
// as soon as the lock is gone while it runs, and ends within a few seconds while it is locked.
// Once the actions were dropped without a word, and quitting took 50 s.
TEST(RecordSaves, ALockedRecordIsSaidOnceWaitsInMemoryAndNeverHoldsUpTheEnd)
{
  QTemporaryDir home;
  Prepare(home.path());
  ASSERT_NE(StartState(home.path()), "not started");
  const QString db = Db(home.path());
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(QFile::encodeName(db).constData(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  TCopy copy(home.path(), {"play", "4", "wait", "play", "3", "wait"});
  ASSERT_TRUE(copy.WaitFor("waiting"));
  ASSERT_EQ(copy.Notices(), 1);
  EXPECT_TRUE(copy.Notes()[0].contains("gesperrt")) << copy.Notes()[0].toStdString();
  const qint64 before = RecordNumber(db, "SELECT count(*) FROM actions");
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  // Written while the copy runs on, though the person does nothing.
  QElapsedTimer clock;
  clock.start();
  while (RecordNumber(db, "SELECT count(*) FROM actions") < before + 4 && clock.elapsed() < 10000)
    QTest::qWait(50);
  EXPECT_GE(RecordNumber(db, "SELECT count(*) FROM actions"), before + 4);
  // Locked again: said no more, and the end does not wait for it.
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  copy.GoOn();
  ASSERT_TRUE(copy.WaitFor("waiting"));
  copy.GoOn();
  ASSERT_TRUE(copy.WaitFor("ready"));
  clock.restart();
  copy.Signal(SIGTERM);
  EXPECT_TRUE(copy.EndedCleanly());
  const qint64 ending = clock.elapsed();
  std::printf("a copy ended while another program kept the record locked in %lld ms\n",
              (long long)ending);
  EXPECT_LT(ending, 8000);
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_EQ(copy.Notices(), 1);
}

// Killed in the very first write of a new record, a copy left the file shorter than its header
// says beside a hot journal, and every later start called it damaged. SQLite rolls such a
// journal back itself: the next start says nothing and records its game.
TEST(RecordSaves, KilledInTheFirstWriteOfANewRecordTheNextStartUsesIt)
{
  for (int when = 1; when <= 6; ++when) {
    QTemporaryDir home;
    Prepare(home.path());
    {
      TCopy crashing(
          home.path(), {},
          {"-e", "trace=pwrite64", "-e", QString("inject=pwrite64:signal=KILL:when=%1").arg(when)});
      crashing.Ready();
      crashing.Drain();
    }
    int notices = -1;
    EXPECT_NE(StartState(home.path(), &notices), "not started") << when;
    EXPECT_EQ(notices, 0) << when;
    EXPECT_GE(RecordNumber(Db(home.path()), "SELECT count(*) FROM games"), 1) << when;
  }
}

// The disk refuses writes for a while (full): said once, and every action reaches the record
// once it takes writes again, while the copy runs on; the next start shows the last one.
TEST(RecordSaves, AFullDiskIsSaidOnceAndTheActionsFollowWhenItTakesWritesAgain)
{
  QTemporaryDir home;
  Prepare(home.path());
  ASSERT_NE(StartState(home.path()), "not started");
  TCopy copy(home.path(), {"play", "8", "wait"},
             {"-e", "trace=pwrite64", "-e", "inject=pwrite64:error=ENOSPC:when=12..15"});
  ASSERT_TRUE(copy.WaitFor("waiting"));
  EXPECT_EQ(copy.Notices(), 1);
  EXPECT_TRUE(copy.Notes().value(0).contains("voll")) << copy.Notes().value(0).toStdString();
  const QString last = copy.States().back();
  // Written while the copy runs on, though the person does nothing.
  QElapsedTimer clock;
  clock.start();
  const QString db = Db(home.path());
  while (RecordNumber(db, "SELECT count(*) FROM actions WHERE kind = 'E'") < 2 &&
         clock.elapsed() < 20000)
    QTest::qWait(100);
  EXPECT_EQ(RecordNumber(db, "SELECT count(*) FROM actions WHERE kind = 'E'"), 2);
  copy.GoOn();
  ASSERT_TRUE(copy.WaitFor("ready"));
  copy.Signal(SIGTERM);
  EXPECT_TRUE(copy.EndedCleanly());
  EXPECT_EQ(StartState(home.path()), last);
}

// A run killed after its game ended, before its high-score list was saved: the record has the
// game finished, the list lacks it. Two copies starting at once enter it once, and so does every
// later start: once, the next start never added it.
TEST(RecordSaves, AFinishedGameMissingFromTheListIsEnteredOnceByCopiesStartingTogether)
{
  QTemporaryDir home;
  Prepare(home.path());
  ASSERT_NE(StartState(home.path()), "not started");
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(QFile::encodeName(Db(home.path())).constData(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "INSERT INTO games(id, started, ended, state) VALUES(77, 1, 2, 1);"
                         "INSERT INTO players(game, seat, name, computer, level, total) "
                         "VALUES(77, 0, 'Anna', 0, '', 777), (77, 1, 'Bört', 0, '', 0);"
                         "INSERT INTO unlisted(game) VALUES(77);",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  auto entries = [&] {
    int n = 0;
    for (const QString& record : ParseScoreFile(ReadAll(Data(home.path()) + "/wurfwummel.scr")))
      n += RC4(record, ScoreKey) == "777,Anna";
    return n;
  };
  for (int round = 0; round < 2; ++round) {
    TCopy a(home.path(), {}), b(home.path(), {});
    ASSERT_TRUE(a.Ready());
    ASSERT_TRUE(b.Ready());
    a.Signal(SIGTERM);
    b.Signal(SIGTERM);
    EXPECT_TRUE(a.EndedCleanly());
    EXPECT_TRUE(b.EndedCleanly());
    EXPECT_EQ(entries(), 1) << round;
  }
  EXPECT_EQ(RecordNumber(Db(home.path()), "SELECT count(*) FROM unlisted"), 0);
}
