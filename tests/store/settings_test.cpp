#include "gui/runtime.h"
#include "store/atomicfile.h"
#include "tests/support/support.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
class Settings : public TWithApp
{
protected:
  QString Cfg() const { return DataPath() + "/wurfwummel.cfg"; }
  void Prepare(const QByteArray& cfg)
  {
    ASSERT_TRUE(QDir().mkpath(DataPath()));
    ASSERT_TRUE(WriteAll(Cfg(), cfg));
  }
};
} // namespace

TEST_F(Settings, NamesAreReadInEveryLineStyle)
{
  Prepare(QByteArray("Anna\r\nBerta"));
  StartApp();
  EXPECT_EQ(PlayerCount, 2);
  EXPECT_EQ(app_->PlayerName, (std::vector<QString>{"Anna", "Berta"}));
  app_->Destroy();
  Prepare(QByteArray("Anna\nBerta\n"));
  StartApp();
  EXPECT_EQ(app_->PlayerName, (std::vector<QString>{"Anna", "Berta"}));
  // Start-up does not rewrite an existing file.
  EXPECT_EQ(ReadAll(Cfg()), QByteArray("Anna\nBerta\n"));
}

TEST_F(Settings, SaveWritesOneLinePerPlayer)
{
  StartApp();
  app_->CreatePlayer("Spieler2");
  app_->SaveGame();
  EXPECT_EQ(ReadAll(Cfg()), QByteArray("Spieler1\r\nSpieler2\r\n"));
  EXPECT_EQ(ReadAll(Cfg()).size(), 20);
  app_->PlayerName[0] = QString::fromUtf8("Jörg");
  app_->PlayerName[1] = QString::fromUtf8("Łukasz");
  app_->SaveGame();
  EXPECT_EQ(ReadAll(Cfg()), QByteArray("J\xf6rg\r\nAukasz\r\n"));
  app_->Destroy();
  StartApp();
  EXPECT_EQ(app_->PlayerName[0], QString::fromUtf8("Jörg"));
  EXPECT_EQ(app_->PlayerName[1], "Aukasz"); // beyond ISO 8859-1 only the low byte survives
}

TEST_F(Settings, EmptyAndLongFiles)
{
  Prepare(QByteArray());
  StartApp();
  EXPECT_EQ(app_->PlayerName, std::vector<QString>{"Spieler1"});
  app_->Destroy();
  Prepare(QByteArray("A\r\nB\r\nC\r\nD\r\n"));
  StartApp();
  EXPECT_EQ(app_->PlayerName, (std::vector<QString>{"A", "B"}));
  app_->Destroy();
  Prepare(QByteArray("\r\n"));
  StartApp();
  EXPECT_EQ(app_->PlayerName, std::vector<QString>{""}); // an empty name is a name
}

TEST_F(Settings, AFolderInPlaceOfTheFile)
{
  ASSERT_TRUE(QDir().mkpath(Cfg()));
  StartApp();
  EXPECT_EQ(app_->PlayerName, std::vector<QString>{"Spieler1"});
  app_->SaveGame(); // cannot replace a folder: nothing breaks
  EXPECT_EQ(FileType(Cfg()), 2);
  EXPECT_EQ(FileType(TAtomicFile::TempPath(Cfg())), 0);
}

TEST_F(Settings, AnInterruptedSaveLeavesTheOldFile)
{
  StartApp();
  const QByteArray before = ReadAll(Cfg());
  {
    TAtomicFile file(Cfg());
    ASSERT_TRUE(file.Stream());
    WriteLine(*file.Stream(), "halb");
    // No commit: as if the program died here.
  }
  EXPECT_EQ(ReadAll(Cfg()), before);
  EXPECT_EQ(FileType(TAtomicFile::TempPath(Cfg())), 0);
}

TEST_F(Settings, AFullDiskLeavesTheOldFiles)
{
  StartApp();
  app_->PlayerName[0] = QString(400, 'x');
  const QByteArray cfg = ReadAll(Cfg());
  const QByteArray scr = ReadAll(DataPath() + "/wurfwummel.scr");
  // Files may grow to 100 bytes only: both saves fail half-way.
  struct rlimit old {
  };
  getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit small = old;
  small.rlim_cur = 100;
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  app_->Score->assign(20, QString(50, 'y'));
  app_->SaveGame();
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(ReadAll(Cfg()), cfg);
  EXPECT_EQ(ReadAll(DataPath() + "/wurfwummel.scr"), scr);
  EXPECT_EQ(FileType(TAtomicFile::TempPath(Cfg())), 0);
}

// A process killed at any moment of a save leaves one of the two complete files.
TEST(AtomicFile, KilledWritersNeverLeaveAHalfFile)
{
  QTemporaryDir tmp;
  const QString path = tmp.path() + "/f";
  const std::vector<QString> a(200, QString(60, 'a'));
  const std::vector<QString> b(300, QString(40, 'b'));
  ASSERT_TRUE(WriteLinesAtomic(path, a));
  const QByteArray bytesA = ReadAll(path);
  ASSERT_TRUE(WriteLinesAtomic(path, b));
  const QByteArray bytesB = ReadAll(path);
  for (int round = 0; round < 20; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i)
        WriteLinesAtomic(path, i % 2 ? a : b);
    }
    usleep(useconds_t(2000 + round * 700));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    const QByteArray now = ReadAll(path);
    EXPECT_TRUE(now == bytesA || now == bytesB) << "round " << round << " size " << now.size();
  }
}
