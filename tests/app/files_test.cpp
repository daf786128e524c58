#include "dice/dicefield.h"
#include "forms/playerform.h"
#include "gui/runtime.h"
#include "sheet/winpointfield.h"
#include "sheet/wummelfield.h"
#include "store/highscore.h"
#include "store/rc4.h"
#include "store/safefile.h"
#include "tests/support/support.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// The real message boxes; only the end of the program is watched instead of done.
class TRealBoxes : public TSystemDriver
{
public:
  std::vector<int> exits;
  void EndProgram(int code) override { exits.push_back(code); }
};

// Raises SIGTERM as soon as a message box is on the screen.
void TerminateWhenABoxIsOpen()
{
  auto* timer = new QTimer(qApp);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, qApp, [timer] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<QMessageBox*>(w) && w->isVisible()) {
        timer->stop();
        timer->deleteLater();
        ::raise(SIGTERM);
        return;
      }
  });
  timer->start();
}

class Terminate : public TWithApp
{
};

// The real program on a data folder of its own.
class TGame
{
public:
  explicit TGame(const QString& home, bool asNobody = false)
  {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", home);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process_.setProcessEnvironment(env);
    if (asNobody)
      process_.start("setpriv",
                     {"--reuid=65534", "--regid=65534", "--clear-groups", WURFWUMMEL_BIN});
    else
      process_.start(WURFWUMMEL_BIN, QStringList());
  }
  bool Started() { return process_.waitForStarted(10000); }
  void Signal(int sig) { ::kill(pid_t(process_.processId()), sig); }
  // True when the program ended by itself with exit code 0.
  bool EndedCleanly()
  {
    return process_.waitForFinished(10000) && process_.exitStatus() == QProcess::NormalExit &&
           process_.exitCode() == 0;
  }

private:
  QProcess process_;
};

// Waits until a file appears: the game writes it at start-up, once its loop is near.
bool Appears(const QString& path)
{
  for (int i = 0; i < 800; ++i) {
    if (QFileInfo::exists(path)) return true;
    QTest::qWait(25);
  }
  return false;
}

QString Data(const QTemporaryDir& home)
{
  return home.path() + "/Tollmark/Wurfwummel";
}

bool IsFifo(const QString& path)
{
  struct stat st {
  };
  return lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}
} // namespace

// A terminate request while the player dialog's question is open once did nothing until someone
// answered the box.
TEST_F(Terminate, AnOpenQuestionIsAnsweredAsCancelAndTheGameEnds)
{
  auto boxes = std::make_unique<TRealBoxes>();
  TRealBoxes* driver = boxes.get();
  SetSystemDriver(std::move(boxes));
  StartApp();
  // With an entry made, a new name asks before the game under way ends.
  Click(app_->Chancefield[0]->Points[0]->Array[0]);
  Click(app_->DiceField[0]->Fill);
  QElapsedTimer timer;
  timer.start();
  TPlayerForm form;
  TerminateWhenABoxIsOpen();
  RunSteps({[&] {
    form.Name[0]->SetText("Anna");
    ClickWidget(form.Okay);
  }});
  form.Open(app_.get());
  Pump();
  EXPECT_LT(timer.elapsed(), 10000); // a guard against waiting for an answer
  EXPECT_EQ(driver->exits, std::vector<int>{0});
  EXPECT_EQ(app_->PlayerName[0], "Spieler1"); // answered as Cancel
  EXPECT_EQ(ReadAll(DataPath() + "/wurfwummel.cfg"), QByteArray("Spieler1\r\n"));
  // The program is ending: a further question is not even shown.
  EXPECT_EQ(Confirm("Wirklich eintragen?"), 0);
}

// FIFOs at the files and at the temporary name of old once hung start-up or every save.
TEST(RealProgram, FifosNeverHangStartUpOrSaves)
{
  for (const char* fifo : {"/wurfwummel.scr.new", "/wurfwummel.scr", "/wurfwummel.cfg"}) {
    QTemporaryDir home;
    ASSERT_TRUE(QDir().mkpath(Data(home)));
    ASSERT_EQ(mkfifo(QFile::encodeName(Data(home) + fifo).constData(), 0600), 0);
    // The file the game writes at its start shows that it got there.
    const QString written =
        Data(home) + (QString(fifo) == "/wurfwummel.cfg" ? "/wurfwummel.scr" : "/wurfwummel.cfg");
    TGame game(home.path());
    ASSERT_TRUE(game.Started());
    EXPECT_TRUE(Appears(written)) << fifo;
    game.Signal(SIGTERM);
    EXPECT_TRUE(game.EndedCleanly()) << fifo;
    EXPECT_TRUE(IsFifo(Data(home) + fifo)) << fifo;
  }
}

// A link planted at a temporary name of old, or at the files themselves, once made the save
// write into the file it points to, and reading through one at the score file gave what it
// points at to the file that then replaced it. A link at one of the game's names is neither
// followed nor replaced.
TEST(RealProgram, PlantedLinksAreNeverWrittenThrough)
{
  QTemporaryDir home;
  ASSERT_TRUE(QDir().mkpath(Data(home)));
  const QString outside = home.path() + "/outside";
  ASSERT_TRUE(WriteAll(outside, "keep"));
  for (const char* link : {"/wurfwummel.scr.new", "/wurfwummel.cfg.new", "/wurfwummel.scr"})
    ASSERT_TRUE(QFile::link(outside, Data(home) + link));
  TGame game(home.path());
  ASSERT_TRUE(game.Started());
  ASSERT_TRUE(Appears(Data(home) + "/wurfwummel.cfg"));
  game.Signal(SIGTERM);
  EXPECT_TRUE(game.EndedCleanly());
  EXPECT_EQ(ReadAll(outside), QByteArray("keep"));
  EXPECT_EQ(ReadAll(Data(home) + "/wurfwummel.cfg"), QByteArray("Spieler1\r\n"));
  EXPECT_TRUE(QFileInfo(Data(home) + "/wurfwummel.scr").isSymLink());
  EXPECT_EQ(QFileInfo(Data(home) + "/wurfwummel.scr").symLinkTarget(), outside);
}

// A settings file that could not be read was once replaced by "Spieler1" at the end.
TEST(RealProgram, AnUnreadableSettingsFileStays)
{
  QTemporaryDir home;
  const QString cfg = Data(home) + "/wurfwummel.cfg";
  ASSERT_TRUE(QDir().mkpath(Data(home)));
  ASSERT_TRUE(WriteAll(cfg, "Geheim\r\n"));
  ASSERT_TRUE(QFile::setPermissions(cfg, QFileDevice::WriteOwner));
  const bool root = geteuid() == 0; // the superuser reads everything: play as nobody then
  if (root) {
    for (const QString& p : {home.path(), home.path() + "/Tollmark", Data(home), cfg})
      ASSERT_EQ(chown(QFile::encodeName(p).constData(), 65534, 65534), 0);
  }
  TGame game(home.path(), root);
  ASSERT_TRUE(game.Started());
  ASSERT_TRUE(Appears(Data(home) + "/wurfwummel.scr"));
  game.Signal(SIGTERM);
  EXPECT_TRUE(game.EndedCleanly());
  ASSERT_TRUE(QFile::setPermissions(cfg, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
  EXPECT_EQ(ReadAll(cfg), QByteArray("Geheim\r\n"));
}

// Two copies ended together, as at logout, once mixed their files in about one run in five.
TEST(RealProgram, TwoCopiesEndedTogetherNeverMixTheirFiles)
{
  const QByteArray a = "Anna\r\n", b = "Berta\r\nBob\r\n";
  int rounds = 0, mixed = 0;
  for (int round = 0; round < 20; ++round) {
    QTemporaryDir home;
    const QString cfg = Data(home) + "/wurfwummel.cfg", scr = Data(home) + "/wurfwummel.scr";
    ASSERT_TRUE(QDir().mkpath(Data(home)));
    ASSERT_TRUE(WriteAll(cfg, a));
    TGame first(home.path());
    ASSERT_TRUE(first.Started());
    ASSERT_TRUE(Appears(scr));
    const QByteArray scores = ReadAll(scr);
    ASSERT_TRUE(WriteAll(cfg, b));
    ASSERT_TRUE(QFile::remove(scr));
    TGame second(home.path());
    ASSERT_TRUE(second.Started());
    ASSERT_TRUE(Appears(scr));
    QTest::qWait(round % 4 * 5);
    first.Signal(SIGTERM);
    second.Signal(SIGTERM);
    EXPECT_TRUE(first.EndedCleanly());
    EXPECT_TRUE(second.EndedCleanly());
    const QByteArray nowCfg = ReadAll(cfg);
    // The record of the games (wurfwummel.db, its journals and the copies' game locks) aside,
    // three files.
    const bool whole = (nowCfg == a || nowCfg == b) && ReadAll(scr) == scores &&
                       QDir(Data(home))
                               .entryList(QDir::Files | QDir::Hidden)
                               .filter(QRegularExpression("^(?!wurfwummel\\.(db|games))"))
                               .size() == 3;
    mixed += whole ? 0 : 1;
    ++rounds;
  }
  std::printf("two copies ended together: %d rounds, %d mixed files\n", rounds, mixed);
  EXPECT_EQ(mixed, 0);
}

// A new high score of this copy survives another copy's save in between, once, however often
// this copy saves.
TEST_F(Terminate, SavesMergeTheListOnDiskWithThisRunsEntries)
{
  StartApp();
  app_->Winpointfield[0]->Bonus[GRAND_TOTAL]->SetText("300");
  ASSERT_TRUE(app_->CheckScore());
  // Meanwhile the other copy saved its own new entry.
  std::vector<QString> other(20, RC4(ScoreRecord(0, "Spieler1"), ScoreKey));
  InsertScore(other, 500, "Andere");
  ASSERT_TRUE(WriteAll(DataPath() + "/wurfwummel.scr", WriteScoreFile(other)));
  app_->SaveGame();
  app_->SaveGame();
  const std::vector<QString> onDisk = ParseScoreFile(ReadAll(DataPath() + "/wurfwummel.scr"));
  ASSERT_EQ(onDisk.size(), 20u);
  EXPECT_EQ(RC4(onDisk[0], ScoreKey), "500,Andere");
  EXPECT_EQ(RC4(onDisk[1], ScoreKey), "300,Spieler1");
  EXPECT_EQ(RC4(onDisk[2], ScoreKey), "0,Spieler1");
  EXPECT_EQ(app_->ScoreIndex[0], 2); // the highlight follows the entry
}

// The data folder is where the system says: "<", ">", a backslash and bytes that are not UTF-8
// are ordinary parts of a path, and a relative XDG_DATA_HOME is ignored.
TEST_F(Terminate, TheDataFolderIsTheSystemsPath)
{
  for (const QByteArray& name :
       {QByteArray("a<b>c"), QByteArray("back\\slash"), QByteArray("caf\xe9")}) {
    const QByteArray xdg = QFile::encodeName(dir_.path()) + "/" + name;
    qputenv("XDG_DATA_HOME", xdg);
    const QByteArray data = xdg + "/Tollmark/Wurfwummel";
    ASSERT_TRUE(MakeFolders(data));
    ASSERT_TRUE(WriteFileSafely(data + "/wurfwummel.cfg", "Dora\r\n"));
    StartApp();
    EXPECT_EQ(app_->PlayerName, std::vector<QString>{"Dora"}) << name.constData();
    app_->SaveGame();
    QByteArray bytes;
    EXPECT_EQ(ReadFileHead(data + "/wurfwummel.cfg", 100, bytes), TFileState::Read);
    EXPECT_EQ(bytes, QByteArray("Dora\r\n"));
    EXPECT_EQ(ReadFileHead(data + "/wurfwummel.scr", 1000, bytes), TFileState::Read);
    app_->Destroy();
    app_.reset();
    std::filesystem::remove_all(std::filesystem::path(xdg.toStdString()));
  }
  qputenv("XDG_DATA_HOME", "relative/share");
  EXPECT_EQ(GetUserAppDirNative(), qgetenv("HOME") + "/.local/share");
  qputenv("XDG_DATA_HOME", dir_.path().toLocal8Bit());
}
