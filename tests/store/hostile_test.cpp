#include "fuzz/checks.h"
#include "gui/runtime.h"
#include "store/highscore.h"
#include "store/rc4.h"
#include "store/safefile.h"
#include "store/settingsfile.h"
#include "tests/support/support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
QByteArray GameFile(std::mt19937& gen, int records)
{
  std::vector<QString> list;
  for (int i = 0; i < records; ++i) {
    QByteArray plain = QByteArray::number(int(gen() % 2000)) + ",";
    for (int n = int(gen() % 14); n > 0; --n)
      plain += char(0x20 + gen() % 0xDF);
    list.push_back(RC4(QString::fromLatin1(plain), ScoreKey));
  }
  return WriteScoreFile(list);
}

// One hostile file of the given kind.
QByteArray Hostile(std::mt19937& gen, int kind)
{
  auto pick = [&gen](int n) { return int(gen() % unsigned(n)); };
  QByteArray b;
  switch (kind) {
  case 0: // random bytes
    for (int n = pick(3000); n > 0; --n)
      b += char(gen());
    return b;
  case 1: // the game's file cut anywhere
    b = GameFile(gen, 20);
    return b.left(pick(int(b.size()) + 1));
  case 2: // NUL bytes
    return QByteArray(pick(5000), '\0');
  case 3: // lone CR and LF sprinkled into the game's file
    b = GameFile(gen, 20);
    for (int n = pick(20) + 1; n > 0; --n)
      b.insert(pick(int(b.size()) + 1), pick(2) ? '\r' : '\n');
    return b;
  case 4: // mixed line ends
    b = GameFile(gen, 20);
    for (qsizetype at = b.indexOf("\r\n"); at >= 0; at = b.indexOf("\r\n", at + 1))
      if (pick(2)) b.remove(at, 1);
    return b;
  case 5: // an over-long line
    return QByteArray(70000 + pick(1000), char('a' + pick(26))) + "\r\n" + GameFile(gen, 3);
  case 6: // more than twenty records
    return GameFile(gen, 21 + pick(60));
  case 7: // records without commas, and plain text
    for (int n = pick(30); n > 0; --n)
      b += RC4(QString::number(gen()), ScoreKey).toLatin1() + (pick(2) ? "\r\n" : "\n");
    return b;
  case 8: // huge numbers
    for (int n = pick(25); n > 0; --n)
      b += RC4("99999999999999999999," + QString::number(gen()), ScoreKey).toLatin1() + "\r\n";
    return b;
  default: // nothing but line ends
    for (int n = pick(3000); n > 0; --n)
      b += pick(3) ? "\r\n" : (pick(2) ? "\n" : "\r");
    return b;
  }
}

std::vector<QString> ReadScores(const QByteArray& path)
{
  QByteArray bytes;
  EXPECT_EQ(ReadFileHead(path, SCORE_READ_LIMIT, bytes), TFileState::Read);
  return ParseScoreFile(bytes);
}

std::vector<QString> ReadNames(const QByteArray& path)
{
  TSettingsReader reader;
  EXPECT_EQ(ReadFileBuffered(path, [&](const char* d, qsizetype n) { return reader.Feed(d, n); }),
            TFileState::Read);
  return reader.Names();
}

class Obstacles : public TWithApp
{
};
} // namespace

// Each hostile file, on disk, through reading, saving and reading again.
TEST(HostileFiles, ReadSaveReadGivesTheSameList)
{
  QTemporaryDir tmp;
  const QByteArray scr = QFile::encodeName(tmp.path() + "/wurfwummel.scr");
  const QByteArray cfg = QFile::encodeName(tmp.path() + "/wurfwummel.cfg");
  std::mt19937 gen(20240611);
  int files = 0;
  for (int round = 0; round < 600; ++round) {
    const QByteArray bytes = Hostile(gen, round % 10);
    for (const QByteArray& path : {scr, cfg}) {
      ASSERT_TRUE(WriteAll(QFile::decodeName(path), bytes));
      ++files;
    }
    const std::vector<QString> scores = ReadScores(scr);
    ASSERT_TRUE(WriteFileSafely(scr, WriteScoreFile(scores)));
    // At most a CR before each record's LF and a CR LF after the last, within what is read.
    EXPECT_LE(ReadAll(QFile::decodeName(scr)).size(),
              std::min<qsizetype>(bytes.size() + 2 * qsizetype(scores.size()), SCORE_READ_LIMIT));
    EXPECT_EQ(ReadScores(scr), scores) << "round " << round;

    const std::vector<QString> names = ReadNames(cfg);
    EXPECT_LE(names.size(), 2u);
    ASSERT_TRUE(WriteFileSafely(cfg, WriteSettingsFile(names)));
    EXPECT_LE(ReadAll(QFile::decodeName(cfg)).size(), bytes.size() + 4);
    EXPECT_EQ(ReadNames(cfg), names) << "round " << round;
  }
  EXPECT_GE(files, 1000);
  // Nothing but the two files is left in the folder.
  EXPECT_EQ(
      QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
}

// Devices, FIFOs, folders and links in the way: start-up goes on with the defaults at once,
// and a save replaces none of them.
TEST_F(Obstacles, NothingInTheWayHangsOrIsReplaced)
{
  const QString outside = dir_.path() + "/outside";
  for (int kind = 0; kind < OBSTACLE_KINDS; ++kind) {
    for (const char* file : {"/wurfwummel.scr", "/wurfwummel.cfg"}) {
      ASSERT_TRUE(QDir().mkpath(DataPath()));
      const QString path = DataPath() + file;
      PlantObstacle(path, kind);
      StartApp();
      EXPECT_EQ(app_->PlayerName, std::vector<QString>{"Spieler1"}) << kind << file;
      ASSERT_EQ(app_->Score->size(), 20u);
      app_->SaveGame();
      EXPECT_TRUE(QFileInfo::exists(path) || QFileInfo(path).isSymLink()) << kind << file;
      EXPECT_FALSE(RegularFileAt(path)) << kind << file;
      app_->Destroy();
      app_.reset();
      PlayerCount = 0;
      ASSERT_TRUE(QDir(DataPath()).removeRecursively());
    }
  }
  EXPECT_FALSE(QFile::exists(outside));
}
