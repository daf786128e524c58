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
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
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
                     "wurfwummel.db", "wurfwummel.db-wal", "wurfwummel.db-shm",
                     "wurfwummel.games"}
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

// Five copies, each with a new entry, started in the folder under strace and ended together;
// how many of their entries the score file then lacks.
int EndFiveCopiesTogether(const QString& home, int round, const QStringList& strace)
{
  std::vector<std::unique_ptr<TCopy>> copies;
  std::vector<int> scores;
  for (int i = 0; i < 5; ++i) {
    scores.push_back(100 + 10 * round + i);
    copies.push_back(std::make_unique<TCopy>(
        home, QStringList{"score", QString::number(scores.back())}, strace));
  }
  for (auto& copy : copies)
    EXPECT_TRUE(copy->Ready());
  for (auto& copy : copies)
    copy->Signal(SIGTERM);
  for (auto& copy : copies)
    EXPECT_TRUE(copy->EndedCleanly());
  EXPECT_EQ(Strays(home), QStringList());
  return Missing(home, scores);
}
} // namespace

// Five copies ended together on a disk whose every fsync takes 0.25 s once lost two of their
// five new entries in every round.
TEST(Saves, FiveCopiesEndedTogetherOnASlowDiskLoseNoEntry)
{
  int rounds = 0, lost = 0, entries = 0;
  for (int round = 0; round < 3; ++round) {
    QTemporaryDir home;
    Prepare(home.path());
    lost += EndFiveCopiesTogether(home.path(), round, SLOW_FSYNC);
    entries += 5;
    ++rounds;
  }
  std::printf("five copies ended together, every fsync 0.25 s: %d rounds, %d of %d entries lost\n",
              rounds, lost, entries);
  EXPECT_EQ(lost, 0);
}

// Where the folder lock could not be taken (a file system without locks, or a folder at the
// lock file's name), five copies ended together lost 3 to 10 of 30 entries: the check before
// the rename and the rename are not one step. The second lock file keeps them in turn.
TEST(Saves, WithoutLocksFiveCopiesEndedTogetherLoseNoEntry)
{
  const QStringList noLocks = {"-e", "trace=flock,fsync",
                               "-e", "inject=flock:error=ENOLCK",
                               "-e", "inject=fsync:delay_exit=100000"};
  int rounds = 0, lost = 0, entries = 0;
  for (int round = 0; round < 6; ++round) {
    QTemporaryDir home;
    Prepare(home.path());
    const bool folder = round % 2 == 1; // else flock fails
    if (folder) {
      ASSERT_TRUE(QDir().mkpath(Data(home.path()) + "/wurfwummel.lock"));
    }
    lost += EndFiveCopiesTogether(home.path(), round, folder ? SLOW_FSYNC : noLocks);
    entries += 5;
    ++rounds;
  }
  std::printf("five copies ended together without locks (flock failing, a folder at the lock): "
              "%d rounds, %d of %d entries lost\n",
              rounds, lost, entries);
  EXPECT_EQ(lost, 0);

  // A copy killed while it holds the second lock file leaves it behind; the next one finds its
  // maker gone and takes it over.
  QTemporaryDir home;
  Prepare(home.path());
  {
    TCopy killed(home.path(), {"score", "700"},
                 {"-e", "trace=flock,rename", "-e", "inject=flock:error=ENOLCK", "-e",
                  "inject=rename:signal=KILL:when=1"});
    ASSERT_TRUE(killed.Ready());
    killed.Signal(SIGTERM);
    killed.Ended();
  }
  ASSERT_TRUE(QFileInfo::exists(Data(home.path()) + "/wurfwummel.lck"));
  {
    TCopy next(home.path(), {"score", "800"},
               {"-e", "trace=flock", "-e", "inject=flock:error=ENOLCK"});
    ASSERT_TRUE(next.Ready());
    next.Signal(SIGTERM);
    EXPECT_TRUE(next.EndedCleanly());
  }
  EXPECT_EQ(Missing(home.path(), {800}), 0);
  EXPECT_FALSE(QFileInfo::exists(Data(home.path()) + "/wurfwummel.lck"));
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
// waiting, and a copy that ends waits for the stopped one instead of writing past it. A further
// terminate request (or a kill, as a session manager's last word) once could not end the
// waiting copy, or lost its entry and names: now it ends at once, and the next start puts them
// into the files.
TEST(Saves, ACopyStoppedInsideItsSaveLosesNothingAndHoldsNobodyUp)
{
  int rounds = 0, lost = 0;
  for (int round = 0; round < 3; ++round) {
    QTemporaryDir home;
    Prepare(home.path());
    TCopy stopped(home.path(), {"score", "300"},
                  {"-e", "trace=fsync", "-e", "inject=fsync:signal=STOP:when=1"});
    TCopy other(home.path(), {"computer", "score", "200"});
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
    if (round > 0) {
      // Asked again, or killed: it ends at once.
      QElapsedTimer ending;
      ending.start();
      other.Signal(round == 1 ? SIGTERM : SIGKILL);
      EXPECT_TRUE(other.Ended());
      EXPECT_LT(ending.elapsed(), 2000);
    }
    stopped.Signal(SIGCONT);
    EXPECT_TRUE(stopped.EndedCleanly());
    if (round == 0) {
      EXPECT_TRUE(other.EndedCleanly());
    }
    starting.Signal(SIGTERM);
    EXPECT_TRUE(starting.EndedCleanly());
    // The next start shows what the ended copy chose, and its entry is in the file.
    TCopy next(home.path(), {});
    ASSERT_TRUE(next.Ready());
    EXPECT_EQ(next.Names(), "Spieler1|Computer");
    EXPECT_TRUE(next.Computer());
    next.Signal(SIGTERM);
    EXPECT_TRUE(next.EndedCleanly());
    lost += Missing(home.path(), {300, 200});
    EXPECT_EQ(Strays(home.path()), QStringList());
    ++rounds;
  }
  std::printf("a copy stopped inside its save and continued, the waiting copy left to wait, "
              "asked again or killed: %d rounds, %d entries lost\n",
              rounds, lost);
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
       {"/wurfwummel.cfg", "/wurfwummel.scr", "/wurfwummel.lock", "/wurfwummel.db",
        "/wurfwummel.games"}) {
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

namespace
{
// Every byte of every file under a folder but links and second names of files elsewhere.
QByteArray AllBytesUnder(const QString& folder)
{
  QByteArray all;
  QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    struct stat st {
    };
    if (::lstat(Native(path).constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1)
      all += ReadAll(path);
  }
  return all;
}

void GiveToNobody(const QStringList& paths)
{
  for (const QString& p : paths)
    ASSERT_EQ(::lchown(Native(p).constData(), NOBODY, NOBODY), 0) << p.toStdString();
}
} // namespace

// Started as root with the user's environment, the game read through a link that the user put
// at wurfwummel.scr or wurfwummel.cfg, and a mere start and quit wrote what a root-only file
// held into a new file of the user's. Now neither a link at any of the game's names nor a
// second name of a root-only file gives the user a byte of it; the links stay as they are, and
// the game says once which files it cannot read.
TEST(Saves, AStartAsRootNeverHandsTheUserWhatALinkPointsAt)
{
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to start the game as root";
  // Root's secrets, in the form of the game's own files so that a reading would take them.
  QTemporaryDir secrets;
  ASSERT_EQ(::chmod(Native(secrets.path()).constData(), 0700), 0);
  std::vector<QString> list(SCORE_ENTRIES, RC4(ScoreRecord(777, "GEHEIM"), ScoreKey));
  const QByteArray scores = WriteScoreFile(list), names = "GEHEIM\r\nGEHEIMER\r\n";
  const QByteArray journal = "wurfwummel pair 1\nwurfwummel.cfg 8\nGEHEIM\r\n\n"
                             "wurfwummel.cpu 3\n1\r\n\nend\n";
  const QMap<QString, QByteArray> secret = {{"wurfwummel.scr", scores},
                                            {"wurfwummel.cfg", names},
                                            {"wurfwummel.cpu", QByteArray("1\r\nleicht\r\n")},
                                            {"wurfwummel.new", journal}};
  for (auto it = secret.begin(); it != secret.end(); ++it) {
    ASSERT_TRUE(WriteAll(secrets.path() + "/" + it.key(), it.value()));
    ASSERT_EQ(::chmod(Native(secrets.path() + "/" + it.key()).constData(), 0600), 0);
  }
  int runs = 0, leaks = 0;
  // Links at the files; second names of root's files there; the user's folder on the way
  // swapped for a link to a folder of root's that holds root's own game files.
  enum { LINKS, HARD_LINKS, FOLDER_LINK };
  for (const int kind : {LINKS, HARD_LINKS, FOLDER_LINK}) {
    const bool hard = kind == HARD_LINKS;
    QTemporaryDir home;
    const QString data = Data(home.path());
    if (kind == FOLDER_LINK) {
      ASSERT_TRUE(QFile::link(secrets.path(), home.path() + "/Tollmark"));
      ASSERT_TRUE(QDir().mkpath(secrets.path() + "/Wurfwummel"));
      GiveToNobody({home.path(), home.path() + "/Tollmark"});
    } else {
      ASSERT_TRUE(QDir().mkpath(data));
      GiveToNobody({home.path(), home.path() + "/Tollmark", data});
    }
    for (auto it = secret.begin(); it != secret.end(); ++it) {
      const QString from = secrets.path() + "/" + it.key(), at = data + "/" + it.key();
      // A hard link, as a file system without protection of them allows, is a second name
      // of root's own file: it has two names, so it is not one the game gives back.
      if (kind == FOLDER_LINK) {
        ASSERT_TRUE(QFile::copy(from, at));
        ASSERT_EQ(::chmod(Native(at).constData(), 0600), 0);
      } else if (hard) {
        ASSERT_EQ(::link(Native(from).constData(), Native(at).constData()), 0);
      } else {
        ASSERT_TRUE(QFile::link(from, at));
        GiveToNobody({at});
      }
    }
    for (const QStringList& args : {QStringList{}, QStringList{"score", "900", "computer"}}) {
      TCopy root(home.path(), args);
      ASSERT_TRUE(root.Ready());
      EXPECT_EQ(root.Names().contains("GEHEIM"), false);
      ASSERT_EQ(root.Notes().size(), 1) << root.Notes().join(" / ").toStdString();
      for (const char* file : {"wurfwummel.scr", "wurfwummel.cfg", "wurfwummel.cpu"})
        EXPECT_TRUE(root.Notes()[0].contains(file)) << file;
      root.Signal(SIGTERM);
      EXPECT_TRUE(root.EndedCleanly());
      ++runs;
      const QByteArray all = AllBytesUnder(home.path());
      const bool leaked = all.contains("GEHEIM") || all.contains(list[0].toLatin1());
      leaks += leaked ? 1 : 0;
      EXPECT_FALSE(leaked) << (hard ? "hard links" : "links");
    }
    // What stood at the names stays as it was, root's files untouched.
    for (auto it = secret.begin(); it != secret.end(); ++it) {
      const QString at = data + "/" + it.key();
      EXPECT_EQ(QFileInfo(at).isSymLink(), kind == LINKS) << it.key().toStdString();
      if (kind != LINKS) {
        EXPECT_EQ(StatOf(at).st_uid, 0u);
      }
      EXPECT_EQ(StatOf(secrets.path() + "/" + it.key()).st_uid, 0u);
      EXPECT_EQ(ReadAll(secrets.path() + "/" + it.key()), it.value());
      EXPECT_EQ(ReadAll(at), it.value());
    }
    if (kind == FOLDER_LINK) {
      EXPECT_EQ(StatOf(data).st_uid, 0u); // root's folder is not given to the user
      // Nor does the record make a file of its own in it.
      EXPECT_EQ(QDir(data).entryList(QDir::Files | QDir::Hidden | QDir::System).size(),
                secret.size());
      ASSERT_TRUE(QDir(secrets.path() + "/Wurfwummel").removeRecursively());
    }
  }
  std::printf(
      "starts as root with links, second names of root's files and a folder swapped for a link: "
      "%d runs, %d leaks\n",
      runs, leaks);
}

// An older version's start as root made the user's names and score files root's (mode 0600),
// and the data folder too, and the user's own copy silently played with defaults and discarded
// every entry and name. Now that copy says so once, and a start as root gives the folder and the
// files back: the user's copy then reads and saves them again.
TEST(Saves, AStartAsRootGivesBackTheFilesAnOlderOneMadeRoots)
{
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to start the game as root";
  QTemporaryDir home;
  const QString data = Data(home.path());
  const QString cfg = data + "/wurfwummel.cfg", scr = data + "/wurfwummel.scr";
  Prepare(home.path(), "Anna\r\n");
  // The data folder too was made by a start as root, and is root's.
  GiveToNobody({home.path(), home.path() + "/Tollmark"});
  for (const QString& p : {cfg, scr})
    ASSERT_EQ(::chmod(Native(p).constData(), 0600), 0);
  const QByteArray scoresBefore = ReadAll(scr);
  {
    TCopy user(home.path(), {"score", "500"}, {}, true);
    ASSERT_TRUE(user.Ready());
    EXPECT_EQ(user.Names(), "Spieler1");
    ASSERT_EQ(user.Notes().size(), 1);
    EXPECT_TRUE(user.Notes()[0].contains("wurfwummel.cfg"));
    EXPECT_TRUE(user.Notes()[0].contains("wurfwummel.scr"));
    user.Signal(SIGTERM);
    EXPECT_TRUE(user.EndedCleanly());
  }
  EXPECT_EQ(StatOf(cfg).st_uid, 0u);
  EXPECT_EQ(ReadAll(scr), scoresBefore); // left alone, not replaced
  {
    TCopy root(home.path(), {});
    ASSERT_TRUE(root.Ready());
    EXPECT_EQ(root.Names(), "Anna");
    EXPECT_EQ(root.Notes(), QStringList());
    root.Signal(SIGTERM);
    EXPECT_TRUE(root.EndedCleanly());
  }
  for (const QString& p : {cfg, scr}) {
    EXPECT_EQ(StatOf(p).st_uid, NOBODY) << p.toStdString();
    EXPECT_EQ(StatOf(p).st_mode & 07777, 0600u) << p.toStdString();
  }
  EXPECT_EQ(StatOf(data).st_uid, NOBODY);
  {
    TCopy user(home.path(), {"score", "500"}, {}, true);
    ASSERT_TRUE(user.Ready());
    EXPECT_EQ(user.Names(), "Anna");
    EXPECT_EQ(user.Notes(), QStringList());
    user.Signal(SIGTERM);
    EXPECT_TRUE(user.EndedCleanly());
  }
  EXPECT_EQ(Missing(home.path(), {500}), 0);
}

// A score file larger than 64 KiB (an edited or merged one) was cut to the records of its
// first 64 KiB at the next save, even by a start and quit with nothing played: 10,000 records
// became 3,449. Now a file that nothing changed is not written, a new entry keeps every other
// record, and a file too large to be kept whole is left alone, and the game says so.
TEST(Saves, ABigScoreFileIsNeitherCutNorWrittenForNothing)
{
  std::vector<QString> list;
  for (int i = 0; i < 10000; ++i)
    list.push_back(RC4(ScoreRecord(20000 - i, "Spieler" + QString::number(i)), ScoreKey));
  QByteArray bytes = WriteScoreFile(list);
  bytes.replace("\r\n", "\n"); // as an editor may leave it: the records are the same
  QTemporaryDir home;
  Prepare(home.path());
  const QString scr = Data(home.path()) + "/wurfwummel.scr";
  ASSERT_TRUE(WriteAll(scr, bytes));
  const ino_t before = StatOf(scr).st_ino;
  {
    TCopy copy(home.path(), {});
    ASSERT_TRUE(copy.Ready());
    EXPECT_EQ(copy.Notes(), QStringList());
    copy.Signal(SIGTERM);
    EXPECT_TRUE(copy.EndedCleanly());
  }
  EXPECT_EQ(StatOf(scr).st_ino, before);
  EXPECT_EQ(ReadAll(scr), bytes);
  {
    TCopy copy(home.path(), {"score", "19990"});
    ASSERT_TRUE(copy.Ready());
    copy.Signal(SIGTERM);
    EXPECT_TRUE(copy.EndedCleanly());
  }
  // The new entry at rank 11, the last record gone, as a list of 10,000 places keeps its length.
  std::vector<QString> expected = list;
  expected.insert(expected.begin() + 10, RC4(ScoreRecord(19990, "Spieler1"), ScoreKey));
  expected.pop_back();
  EXPECT_TRUE(ParseScoreFile(ReadAll(scr)) == expected);
  std::printf("a score file of 10,000 records: %zu records after a new entry\n",
              ParseScoreFile(ReadAll(scr)).size());

  // Too large to be kept whole: left as it is.
  QByteArray huge = WriteScoreFile(list);
  while (huge.size() <= SCORE_READ_LIMIT)
    huge += huge;
  ASSERT_TRUE(WriteAll(scr, huge));
  {
    TCopy copy(home.path(), {"score", "30000"});
    ASSERT_TRUE(copy.Ready());
    ASSERT_EQ(copy.Notes().size(), 1);
    EXPECT_TRUE(copy.Notes()[0].contains("wurfwummel.scr (Highscores, zu groß)"));
    copy.Signal(SIGTERM);
    EXPECT_TRUE(copy.EndedCleanly());
  }
  EXPECT_TRUE(ReadAll(scr) == huge);
}

// A folder at wurfwummel.new made every save that changes names and choice fail silently: the
// computer switched on was off again at the next start. Now the two files are written one after
// the other, in the order whose state half-way is harmless: killed between the two, the next
// start shows the state before or after, never a person called "Computer".
TEST(Saves, AFolderAtTheJournalsNameStopsNoSwitchOfTheComputer)
{
  int runs = 0, before = 0, after = 0, neither = 0;
  for (int when = 0; when <= 2; ++when) {
    QTemporaryDir home;
    Prepare(home.path());
    ASSERT_TRUE(QDir().mkpath(Data(home.path()) + "/wurfwummel.new"));
    QString shown = "Spieler1 0";
    for (const QString& to : {QString("Spieler1|Computer 1"), QString("Spieler1 0")}) {
      {
        const QStringList strace =
            when == 0 ? QStringList()
                      : QStringList{"-e", "trace=rename", "-e",
                                    QString("inject=rename:signal=KILL:when=%1").arg(when)};
        TCopy switching(home.path(), {"computer"}, strace);
        if (switching.Ready()) switching.Signal(SIGTERM);
        switching.Ended();
      }
      TCopy next(home.path(), {});
      ASSERT_TRUE(next.Ready());
      const QString now = next.Names() + (next.Computer() ? " 1" : " 0");
      next.Signal(SIGTERM);
      EXPECT_TRUE(next.EndedCleanly());
      ++runs;
      if (now == to) {
        ++after;
      } else if (now == shown) {
        ++before;
      } else {
        ++neither;
        ADD_FAILURE() << when << ": " << now.toStdString();
      }
      if (when == 0) {
        EXPECT_EQ(now, to);
      }
      shown = now;
    }
    EXPECT_TRUE(QFileInfo(Data(home.path()) + "/wurfwummel.new").isDir());
  }
  std::printf("the computer switched on and off with a folder at the journal's name, killed at "
              "each rename: %d runs, %d before, %d after, %d neither\n",
              runs, before, after, neither);
  EXPECT_EQ(neither, 0);
}
