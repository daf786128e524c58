// Several real copies of the game saving into one data folder, with the faults of a real
// machine put in by strace: every fsync slowed down, a copy stopped inside its save, a copy
// killed at each step of a save, a start as root. Nothing may be lost.

#include "store/highscore.h"
#include "store/rc4.h"
#include "store/safefile.h"
#include "store/scorefile.h"
#include "tests/app/copies.h"
#include "tests/support/support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace
{
// The entries (by score) that are not in the score file.
int Missing(const QString& home, const std::vector<int>& scores)
{
  const std::vector<QString> list = ParseScoreFile(ReadAll(Data(home) + "/wurfwummel.scr"));
  int missing = 0;
  for (int score : scores) {
    bool found = false;
    for (const QString& record : list)
      found = found || RecordScore(record) == score;
    missing += found ? 0 : 1;
  }
  return missing;
}

// Everything in the data folder but its files and the lock: temporary files, a journal.
QStringList Strays(const QString& home)
{
  QStringList strays;
  for (const QString& name :
       QDir(Data(home))
           .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System))
    if (!QStringList{"wurfwummel.cfg", "wurfwummel.scr", "wurfwummel.cpu", "wurfwummel.lock",
                     "wurfwummel.db", "wurfwummel.db-wal", "wurfwummel.db-shm"}
             .contains(name))
      strays << name;
  return strays;
}

bool IsLockedByOther(const QString& home)
{
  const int fd = ::open(Native(Data(home) + "/wurfwummel.lock").constData(), O_RDONLY);
  if (fd < 0) return false;
  const bool busy = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
  ::close(fd);
  return busy;
}

struct stat StatOf(const QString& path)
{
  struct stat st {
  };
  ::lstat(Native(path).constData(), &st);
  return st;
}

const QStringList SLOW_FSYNC = {"-e", "trace=fsync", "-e", "inject=fsync:delay_exit=250000"};
} // namespace

// Five copies ended together on a disk whose every fsync takes 0.25 s once lost two of their
// five new entries in every round.
TEST(Saves, FiveCopiesEndedTogetherOnASlowDiskLoseNoEntry)
{
  int rounds = 0, lost = 0, entries = 0;
  for (int round = 0; round < 3; ++round) {
    QTemporaryDir home;
    Prepare(home.path());
    std::vector<std::unique_ptr<TCopy>> copies;
    std::vector<int> scores;
    for (int i = 0; i < 5; ++i) {
      scores.push_back(100 + 10 * round + i);
      copies.push_back(std::make_unique<TCopy>(
          home.path(), QStringList{"score", QString::number(scores.back())}, SLOW_FSYNC));
    }
    for (auto& copy : copies)
      ASSERT_TRUE(copy->Ready());
    for (auto& copy : copies)
      copy->Signal(SIGTERM);
    for (auto& copy : copies)
      EXPECT_TRUE(copy->EndedCleanly());
    lost += Missing(home.path(), scores);
    entries += 5;
    EXPECT_EQ(Strays(home.path()), QStringList());
    ++rounds;
  }
  std::printf("five copies ended together, every fsync 0.25 s: %d rounds, %d of %d entries lost\n",
              rounds, lost, entries);
  EXPECT_EQ(lost, 0);
}

// One slow copy and another ended up to 1.2 s later once lost the other's entry every time.
TEST(Saves, ASlowCopyAndOneEndedLaterLoseNoEntry)
{
  const QStringList slower = {"-e", "trace=fsync", "-e", "inject=fsync:delay_exit=600000"};
  int rounds = 0, lost = 0;
  for (int later : {0, 300, 700, 1200}) {
    QTemporaryDir home;
    Prepare(home.path());
    TCopy slow(home.path(), {"score", "300"}, slower);
    TCopy other(home.path(), {"score", "200"});
    ASSERT_TRUE(slow.Ready());
    ASSERT_TRUE(other.Ready());
    slow.Signal(SIGTERM);
    QTest::qWait(later);
    other.Signal(SIGTERM);
    EXPECT_TRUE(slow.EndedCleanly());
    EXPECT_TRUE(other.EndedCleanly());
    lost += Missing(home.path(), {300, 200});
    ++rounds;
  }
  std::printf("a slow copy and one ended 0 to 1.2 s later: %d rounds, %d entries lost\n", rounds,
              lost);
  EXPECT_EQ(lost, 0);
}

// A copy stopped (Ctrl+Z, a frozen session) inside its save and continued later once lost the
// other copy's entry every time. Meanwhile another copy starts and saves during play without
// waiting, and a copy that ends waits for the stopped one instead of writing past it.
TEST(Saves, ACopyStoppedInsideItsSaveLosesNothingAndHoldsNobodyUp)
{
  int rounds = 0, lost = 0;
  for (int round = 0; round < 2; ++round) {
    QTemporaryDir home;
    Prepare(home.path());
    TCopy stopped(home.path(), {"score", "300"},
                  {"-e", "trace=fsync", "-e", "inject=fsync:signal=STOP:when=1"});
    TCopy other(home.path(), {"score", "200"});
    ASSERT_TRUE(stopped.Ready());
    ASSERT_TRUE(other.Ready());
    stopped.Signal(SIGTERM);
    // Stopped in the middle of its save, holding the lock; under strace every traced call
    // stops a copy for a moment, so the stop must last.
    int still = 0;
    for (int i = 0; i < 400 && still < 8; ++i) {
      QTest::qWait(25);
      still = stopped.Stopped() && IsLockedByOther(home.path()) ? still + 1 : 0;
    }
    ASSERT_EQ(still, 8);
    // A new copy starts, and a save during play leaves the files to a later save.
    TCopy starting(home.path(), {"save"});
    ASSERT_TRUE(starting.Ready());
    EXPECT_TRUE(starting.Saved());
    // The ending copy waits, however long the other one stays stopped.
    other.Signal(SIGTERM);
    QTest::qWait(round == 0 ? 300 : 1500);
    EXPECT_TRUE(other.Running());
    EXPECT_EQ(Missing(home.path(), {300, 200}), 2); // nobody wrote past the stopped copy
    stopped.Signal(SIGCONT);
    EXPECT_TRUE(stopped.EndedCleanly());
    EXPECT_TRUE(other.EndedCleanly());
    starting.Signal(SIGTERM);
    EXPECT_TRUE(starting.EndedCleanly());
    lost += Missing(home.path(), {300, 200});
    EXPECT_EQ(Strays(home.path()), QStringList());
    ++rounds;
  }
  std::printf("a copy stopped inside its save and continued: %d rounds, %d entries lost\n", rounds,
              lost);
  EXPECT_EQ(lost, 0);
}

// A crash between saving the names and saving the choice once left two people at the next
// start, the second one a person named "Computer". Now the copy that switches the computer on
// or off is killed at every rename, fsync and unlink of its save in turn, and the next start
// shows the state before or the state after, and its files say the same.
TEST(Saves, ACrashAnywhereInSwitchingTheComputerShowsBeforeOrAfter)
{
  struct TState {
    QByteArray names, choice; // the files; a null choice: no choice file
    QString shown;            // what a start shows: the names and whether the computer plays
  };
  const TState alone{"Spieler1\r\n", QByteArray(), "Spieler1 0"};
  const TState computer{"Spieler1\r\nComputer\r\n", "1\r\nstark\r\n", "Spieler1|Computer 1"};
  const TState off{"Spieler1\r\n", "0\r\nstark\r\n", "Spieler1 0"};
  int runs = 0, before = 0, after = 0, neither = 0;
  for (const auto& [from, to] : {std::pair{alone, computer}, std::pair{computer, off}}) {
    for (const char* call : {"rename", "fsync", "unlink"}) {
      for (int when = 1; when <= (QByteArray(call) == "fsync" ? 8 : 3); ++when) {
        QTemporaryDir home;
        Prepare(home.path(), from.names, from.choice);
        {
          const QString inject = QString("inject=%1:signal=KILL:when=%2").arg(call).arg(when);
          TCopy crashing(home.path(), {"computer"},
                         {"-e", QString("trace=%1").arg(call), "-e", inject});
          if (crashing.Ready()) crashing.Signal(SIGTERM);
          crashing.Ended();
        }
        TCopy next(home.path(), {});
        ASSERT_TRUE(next.Ready());
        const QString shown = next.Names() + (next.Computer() ? " 1" : " 0");
        next.Signal(SIGTERM);
        EXPECT_TRUE(next.EndedCleanly());
        ++runs;
        if (shown == from.shown) {
          ++before;
        } else if (shown == to.shown) {
          ++after;
        } else {
          ++neither;
          ADD_FAILURE() << call << " " << when << ": " << shown.toStdString();
        }
        // The start finished what the crash left: the files hold what it showed.
        const TState& now = shown == from.shown ? from : to;
        EXPECT_EQ(ReadAll(Data(home.path()) + "/wurfwummel.cfg"), now.names) << call << when;
        if (!now.choice.isNull()) {
          EXPECT_EQ(ReadAll(Data(home.path()) + "/wurfwummel.cpu"), now.choice) << call << when;
        }
        EXPECT_FALSE(QFile::exists(Data(home.path()) + "/wurfwummel.new")) << call << when;
      }
    }
  }
  std::printf("computer switched on and off, killed at each step: %d runs, %d before, %d after, "
              "%d neither\n",
              runs, before, after, neither);
  EXPECT_EQ(neither, 0);
  EXPECT_GT(before, 0);
  EXPECT_GT(after, 0);
}

// A kill -9 between writing a temporary file and renaming it left it in the data folder for
// ever, one more per interrupted save. A start removes the game's own leftovers, and nothing
// else: not a fresh one that a save may still be writing, not a link, not another user's file,
// not a file of another name.
TEST(Saves, LeftoversOfInterruptedSavesGoAtStart)
{
  QTemporaryDir home;
  Prepare(home.path());
  const QString data = Data(home.path());
  {
    TCopy crashing(home.path(), {"score", "300"},
                   {"-e", "trace=rename", "-e", "inject=rename:signal=KILL:when=1"});
    ASSERT_TRUE(crashing.Ready());
    crashing.Signal(SIGTERM);
    crashing.Ended();
  }
  QStringList crashed = Strays(home.path());
  ASSERT_EQ(crashed.size(), 1);
  ASSERT_TRUE(IsLeftoverName(QFile::encodeName(crashed[0])));
  const QString outside = home.path() + "/outside";
  ASSERT_TRUE(WriteAll(outside, "keep"));
  ASSERT_TRUE(WriteAll(data + "/.wurfwummel.new.Rr7Tt6", "journal"));
  ASSERT_TRUE(WriteAll(data + "/.wurfwummel.cfg.Zz9Yy8", "fresh"));
  ASSERT_TRUE(WriteAll(data + "/.wurfwummel.scr.long", "other name"));
  ASSERT_TRUE(QFile::link(outside, data + "/.wurfwummel.cpu.Ll5Kk4"));
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_TRUE(WriteAll(data + "/.wurfwummel.scr.Qq1Ww2", "nobody's"));
    ASSERT_EQ(::chown(Native(data + "/.wurfwummel.scr.Qq1Ww2").constData(), NOBODY, NOBODY), 0);
  }
  // Everything but the fresh one was last written an hour ago.
  const timespec hourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
  for (const QString& name : QDir(data).entryList(QDir::AllEntries | QDir::Hidden | QDir::System)) {
    if (!name.startsWith(".wurfwummel.") || name == ".wurfwummel.cfg.Zz9Yy8") continue;
    ASSERT_EQ(
        ::utimensat(AT_FDCWD, Native(data + "/" + name).constData(), hourAgo, AT_SYMLINK_NOFOLLOW),
        0);
  }
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_DATA_HOME", home.path());
  env.insert("QT_QPA_PLATFORM", "offscreen");
  QProcess game;
  game.setProcessEnvironment(env);
  game.start(WURFWUMMEL_BIN, QStringList());
  ASSERT_TRUE(game.waitForStarted(10000));
  for (int i = 0; i < 800 && QFile::exists(data + "/" + crashed[0]); ++i)
    QTest::qWait(25);
  ::kill(pid_t(game.processId()), SIGTERM);
  EXPECT_TRUE(game.waitForFinished(30000) && game.exitCode() == 0);
  QStringList kept = {".wurfwummel.cfg.Zz9Yy8", ".wurfwummel.cpu.Ll5Kk4", ".wurfwummel.scr.long"};
  if (root) kept << ".wurfwummel.scr.Qq1Ww2";
  kept.sort();
  QStringList left = Strays(home.path());
  left.sort();
  EXPECT_EQ(left, kept);
  EXPECT_EQ(ReadAll(outside), QByteArray("keep"));
}

// Started once as root with the user's environment (sudo -E), the game replaced the user's
// names file by a root-owned file of mode 0600 though nothing had changed, and the user's own
// copy could never save names again.
TEST(Saves, AStartAsRootLocksNoUserOut)
{
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to start the game as root";
  const mode_t mask = ::umask(022);
  ::umask(mask);
  const mode_t fresh = 0666 & ~mask;
  QTemporaryDir home;
  const QString data = Data(home.path());
  const QString cfg = data + "/wurfwummel.cfg", scr = data + "/wurfwummel.scr",
                lock = data + "/wurfwummel.lock";
  Prepare(home.path(), "Anna\r\n");
  ASSERT_TRUE(QFile::setPermissions(scr, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ReadGroup)); // 0640
  for (const QString& p : {home.path(), home.path() + "/Tollmark", data, cfg, scr})
    ASSERT_EQ(::chown(Native(p).constData(), NOBODY, NOBODY), 0);
  const struct stat cfgBefore = StatOf(cfg), scrBefore = StatOf(scr);

  // Nothing changes: nothing is written; the lock file is the user's.
  {
    TCopy root(home.path(), {});
    ASSERT_TRUE(root.Ready());
    root.Signal(SIGTERM);
    EXPECT_TRUE(root.EndedCleanly());
  }
  EXPECT_EQ(StatOf(cfg).st_ino, cfgBefore.st_ino);
  EXPECT_EQ(StatOf(scr).st_ino, scrBefore.st_ino);
  EXPECT_EQ(StatOf(lock).st_uid, NOBODY);
  EXPECT_EQ(StatOf(lock).st_mode & 07777, fresh);

  // A new entry: the score file is replaced, with its owner and mode.
  {
    TCopy root(home.path(), {"score", "400"});
    ASSERT_TRUE(root.Ready());
    root.Signal(SIGTERM);
    EXPECT_TRUE(root.EndedCleanly());
  }
  EXPECT_NE(StatOf(scr).st_ino, scrBefore.st_ino);
  EXPECT_EQ(StatOf(scr).st_uid, NOBODY);
  EXPECT_EQ(StatOf(scr).st_gid, NOBODY);
  EXPECT_EQ(StatOf(scr).st_mode & 07777, 0640u);
  EXPECT_EQ(StatOf(cfg).st_ino, cfgBefore.st_ino);

  // The user's own copy still reads and saves everything.
  {
    TCopy user(home.path(), {"score", "500", "computer"}, {}, true);
    ASSERT_TRUE(user.Ready());
    EXPECT_EQ(user.Names(), "Anna|Computer");
    user.Signal(SIGTERM);
    EXPECT_TRUE(user.EndedCleanly());
  }
  EXPECT_EQ(Missing(home.path(), {400, 500}), 0);
  EXPECT_EQ(ReadAll(cfg), QByteArray("Anna\r\nComputer\r\n"));

  // A first start as root makes the folders and files the user's, with the usual modes.
  QTemporaryDir empty;
  ASSERT_EQ(::chown(Native(empty.path()).constData(), NOBODY, NOBODY), 0);
  {
    TCopy root(empty.path(), {});
    ASSERT_TRUE(root.Ready());
    root.Signal(SIGTERM);
    EXPECT_TRUE(root.EndedCleanly());
  }
  for (const QString& p : {empty.path() + "/Tollmark", Data(empty.path())})
    EXPECT_EQ(StatOf(p).st_uid, NOBODY) << p.toStdString();
  for (const char* file :
       {"/wurfwummel.cfg", "/wurfwummel.scr", "/wurfwummel.lock", "/wurfwummel.db"}) {
    EXPECT_EQ(StatOf(Data(empty.path()) + file).st_uid, NOBODY) << file;
    EXPECT_EQ(StatOf(Data(empty.path()) + file).st_mode & 07777, fresh) << file;
  }
  // The record's journal files, where the end left them, are the user's too.
  for (const char* file : {"/wurfwummel.db-wal", "/wurfwummel.db-shm"}) {
    if (QFile::exists(Data(empty.path()) + file)) {
      EXPECT_EQ(StatOf(Data(empty.path()) + file).st_uid, NOBODY) << file;
    }
  }

  // A lock file that only root may open, as an older version left it, is replaced.
  ASSERT_EQ(::chown(Native(Data(empty.path()) + "/wurfwummel.lock").constData(), 0, 0), 0);
  ASSERT_EQ(::chmod(Native(Data(empty.path()) + "/wurfwummel.lock").constData(), 0600), 0);
  {
    TCopy user(empty.path(), {"score", "600"}, {}, true);
    ASSERT_TRUE(user.Ready());
    user.Signal(SIGTERM);
    EXPECT_TRUE(user.EndedCleanly());
  }
  EXPECT_EQ(Missing(empty.path(), {600}), 0);
  EXPECT_EQ(StatOf(Data(empty.path()) + "/wurfwummel.lock").st_uid, NOBODY);
}
