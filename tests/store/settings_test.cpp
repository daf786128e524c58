#include "gui/runtime.h"
#include "store/safefile.h"
#include "store/settingsfile.h"
#include "tests/support/support.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
// What a save may leave behind besides the files themselves: nothing.
QStringList Leftovers(const QString& folder)
{
  return QDir(folder).entryList(QStringList{".wurfwummel*"},
                                QDir::Files | QDir::Hidden | QDir::System);
}

std::vector<QString> Lines(int count, int length, char c)
{
  return std::vector<QString>(size_t(count), QString(length, QChar(c)));
}

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
  EXPECT_TRUE(Leftovers(DataPath()).isEmpty());
}

TEST_F(Settings, AFullDiskLeavesTheOldFiles)
{
  StartApp();
  app_->PlayerName[0] = QString(400, 'x');
  const QByteArray cfg = ReadAll(Cfg());
  const QByteArray scr = ReadAll(DataPath() + "/wurfwummel.scr");
  // Files may grow to 100 bytes only: both saves fail half-way. The toolkit ignores SIGXFSZ,
  // which used to end the game here.
  struct rlimit old {
  };
  getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit small = old;
  small.rlim_cur = 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  app_->Score->assign(20, QString(50, 'y'));
  app_->SaveGame();
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(ReadAll(Cfg()), cfg);
  EXPECT_EQ(ReadAll(DataPath() + "/wurfwummel.scr"), scr);
  EXPECT_TRUE(Leftovers(DataPath()).isEmpty());
  // The game goes on: once there is room, the next save writes both files.
  app_->SaveGame();
  EXPECT_EQ(ReadAll(Cfg()).size(), 402);
}

// A process killed at any moment of a save leaves one of the two complete files.
TEST(SafeFile, KilledWritersNeverLeaveAHalfFile)
{
  QTemporaryDir tmp;
  const QString path = tmp.path() + "/f";
  const QByteArray bytesA = WriteSettingsFile(Lines(200, 60, 'a'));
  const QByteArray bytesB = WriteSettingsFile(Lines(300, 40, 'b'));
  ASSERT_TRUE(WriteFileSafely(QFile::encodeName(path), bytesA));
  ASSERT_TRUE(WriteFileSafely(QFile::encodeName(path), bytesB));
  for (int round = 0; round < 20; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i)
        WriteFileSafely(QFile::encodeName(path), i % 2 ? bytesA : bytesB);
    }
    usleep(useconds_t(2000 + round * 700));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    const QByteArray now = ReadAll(path);
    EXPECT_TRUE(now == bytesA || now == bytesB) << "round " << round << " size " << now.size();
  }
}
