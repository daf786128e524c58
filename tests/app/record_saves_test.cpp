// The record of every game kept by real copies of the game: killed at each step of a write,
// slowed on every sync, two at once, and a record it may not write.

#include "tests/app/copies.h"

#include <QCryptographicHash>
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
