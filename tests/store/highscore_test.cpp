#include "gui/runtime.h"
#include "sheet/winpointfield.h"
#include "store/highscore.h"
#include "store/rc4.h"
#include "tests/support/support.h"

#include <QDir>
#include <unistd.h>

namespace
{
QString Scrambled(int score, const QString& name)
{
  return RC4(ScoreRecord(score, name), ScoreKey);
}

std::vector<QString> List(std::initializer_list<int> scores)
{
  std::vector<QString> list;
  int i = 0;
  for (int s : scores)
    list.push_back(Scrambled(s, "P" + QString::number(++i)));
  while (list.size() < 20)
    list.push_back(Scrambled(0, "Spieler1"));
  return list;
}

bool Printable(int c)
{
  return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c <= 0xFF);
}

// A name whose scrambled record "1234,<name>" holds the given bytes at some place.
QString NameGiving(const QByteArray& wanted)
{
  const QString keystream = RC4(QString(200, QChar(0)), ScoreKey);
  const int prefix = 5; // "1234,"
  for (int n = prefix; n + wanted.size() < 200; ++n) {
    bool ok = true;
    for (int i = 0; i < wanted.size() && ok; ++i)
      ok = Printable((keystream[n + i].unicode() ^ static_cast<unsigned char>(wanted[i])) & 0xFF);
    if (!ok) continue;
    QString name(n - prefix, 'a');
    for (int i = 0; i < wanted.size(); ++i)
      name += QChar(
          ushort((keystream[n + i].unicode() ^ static_cast<unsigned char>(wanted[i])) & 0xFF));
    return name + "z";
  }
  return QString();
}

class Store : public TWithApp
{
protected:
  QString Scr() const { return DataPath() + "/wurfwummel.scr"; }
  void SetTotal(int player, int total)
  {
    app_->Winpointfield[size_t(player)]->Bonus[GRAND_TOTAL]->SetText(QString::number(total));
  }
};
} // namespace

TEST_F(Store, FirstStartWritesTheDefaultList)
{
  StartApp();
  const QByteArray file = ReadAll(Scr());
  ASSERT_EQ(file.size(), 240);
  const QByteArray line = file.left(12);
  EXPECT_TRUE(line.endsWith("\r\n"));
  for (int i = 0; i < 20; ++i)
    EXPECT_EQ(file.mid(12 * i, 12), line);
  ASSERT_EQ(app_->Score->size(), 20u);
  for (const QString& r : *app_->Score)
    EXPECT_EQ(RC4(r, ScoreKey), "0,Spieler1");
  EXPECT_EQ(app_->ScoreIndex, (std::array<int, 2>{-1, -1}));
}

TEST(ScoreList, InsertionRules)
{
  // 150 goes above the older 150, at rank 3; the last record drops out.
  std::vector<QString> list =
      List({300, 200, 150, 140, 130, 120, 110, 100, 90, 80, 70, 60, 50, 40, 30, 20, 10, 9, 8, 7});
  EXPECT_EQ(InsertScore(list, 150, "Neu"), 2);
  EXPECT_EQ(list.size(), 20u);
  EXPECT_EQ(RecordName(list[2]), "Neu");
  EXPECT_EQ(RecordName(list[3]), "P3");
  EXPECT_EQ(RecordScore(list[19]), 8);
  // Lower than all twenty: not entered.
  EXPECT_EQ(InsertScore(list, 1, "Klein"), -1);
  // Any positive total enters the default list at the top.
  std::vector<QString> fresh(20, Scrambled(0, "Spieler1"));
  EXPECT_EQ(InsertScore(fresh, 1, "Eins"), 0);
  std::vector<QString> empty;
  EXPECT_EQ(InsertScore(empty, 500, "X"), -1);
  EXPECT_TRUE(empty.empty());
  // Names with commas are stored whole; the score is unaffected.
  EXPECT_EQ(RC4(Scrambled(42, "a,b"), ScoreKey), "42,a,b");
  EXPECT_EQ(RecordScore(Scrambled(42, "a,b")), 42);
}

TEST_F(Store, CheckScoreForOneAndTwoPlayers)
{
  StartApp();
  *app_->Score = List({300, 200, 150, 140});
  SetTotal(0, 150);
  EXPECT_TRUE(app_->CheckScore());
  EXPECT_EQ(app_->ScoreIndex, (std::array<int, 2>{3, -1}));
  // A total of 0 never enters, not even the default list.
  *app_->Score = std::vector<QString>(20, Scrambled(0, "Spieler1"));
  SetTotal(0, 0);
  EXPECT_FALSE(app_->CheckScore());
  EXPECT_EQ(app_->ScoreIndex, (std::array<int, 2>{-1, -1}));

  app_->CreatePlayer("Berta");
  // Player 1 higher: it goes above player 0's new record, which moves down a rank.
  *app_->Score = List({300, 200, 150, 140});
  SetTotal(0, 160);
  SetTotal(1, 250);
  EXPECT_TRUE(app_->CheckScore());
  EXPECT_EQ(app_->ScoreIndex, (std::array<int, 2>{4, 2}));
  EXPECT_EQ(RecordName((*app_->Score)[1]), "Berta");
  EXPECT_EQ(RecordName((*app_->Score)[3]), "Spieler1");
  // Player 1 lower: player 0's rank stands.
  *app_->Score = List({300, 200, 150, 140});
  SetTotal(0, 250);
  SetTotal(1, 145);
  EXPECT_TRUE(app_->CheckScore());
  EXPECT_EQ(app_->ScoreIndex, (std::array<int, 2>{2, 5}));
  // Equal totals: the newer record goes above.
  *app_->Score = List({300});
  SetTotal(0, 100);
  SetTotal(1, 100);
  EXPECT_TRUE(app_->CheckScore());
  EXPECT_EQ(app_->ScoreIndex, (std::array<int, 2>{3, 2}));
  // Player 1 with 0 leaves player 0's entry shown.
  *app_->Score = List({300});
  SetTotal(0, 100);
  SetTotal(1, 0);
  EXPECT_TRUE(app_->CheckScore());
  EXPECT_EQ(app_->ScoreIndex, (std::array<int, 2>{2, -1}));
  // Player 0 entered at rank 20 and pushed off by player 1.
  *app_->Score = List({900, 800, 700, 600, 500, 400, 300, 200, 190, 180,
                       170, 160, 150, 140, 130, 120, 110, 100, 90,  80});
  SetTotal(0, 85);
  SetTotal(1, 95);
  EXPECT_TRUE(app_->CheckScore());
  EXPECT_EQ(app_->ScoreIndex, (std::array<int, 2>{-1, 19}));
}

TEST_F(Store, ListSurvivesARestart)
{
  StartApp();
  SetTotal(0, 777);
  app_->PlayerName[0] = QString::fromUtf8("Größter, mit Komma");
  EXPECT_TRUE(app_->CheckScore());
  app_->SaveGame();
  const std::vector<QString> saved = *app_->Score;
  app_->Destroy();
  StartApp();
  EXPECT_EQ(*app_->Score, saved);
  EXPECT_EQ(RC4((*app_->Score)[0], ScoreKey), QString::fromUtf8("777,Größter, mit Komma"));
}

// Scrambled records may hold bytes 0, 10 and 13; every typeable name must come back.
TEST_F(Store, RecordsWithLineBreakBytesReadBack)
{
  std::vector<QString> names;
  for (const QByteArray& bytes : {QByteArray(1, '\0'), QByteArray("\n"), QByteArray("\r"),
                                  QByteArray("\r\n"), QByteArray("\n\r"), QByteArray(2, '\0')}) {
    const QString name = NameGiving(bytes);
    ASSERT_FALSE(name.isEmpty()) << bytes.toHex().constData();
    ASSERT_TRUE(RC4("1234," + name, ScoreKey).contains(QString::fromLatin1(bytes)));
    names.push_back(name);
  }
  std::vector<QString> list(20, Scrambled(0, "Spieler1"));
  for (size_t i = 0; i < names.size(); ++i)
    list[i] = Scrambled(1234 - int(i), names[i]);
  ASSERT_TRUE(QDir().mkpath(DataPath()));
  const QByteArray bytes = WriteScoreFile(list);
  ASSERT_TRUE(WriteAll(Scr(), bytes));
  // The file keeps its layout: records end in CR LF, one after another.
  EXPECT_GT(bytes.count("\r\n"), 20);
  for (int start = 0; start < 2; ++start) {
    StartApp();
    ASSERT_EQ(app_->Score->size(), 20u);
    for (size_t i = 0; i < names.size(); ++i) {
      EXPECT_EQ(RecordName((*app_->Score)[i]), names[i]) << i;
      EXPECT_EQ(RecordScore((*app_->Score)[i]), 1234 - int(i));
    }
    app_->SaveGame();
    EXPECT_EQ(ReadAll(Scr()), bytes);
    app_->Destroy();
  }
}

TEST_F(Store, EmptyDamagedAndForeignFiles)
{
  ASSERT_TRUE(QDir().mkpath(DataPath()));
  ASSERT_TRUE(WriteAll(Scr(), QByteArray()));
  StartApp();
  EXPECT_TRUE(app_->Score->empty());
  SetTotal(0, 500);
  EXPECT_FALSE(app_->CheckScore());
  app_->SaveGame();
  EXPECT_EQ(ReadAll(Scr()), QByteArray()); // stays empty
  app_->Destroy();

  // 25 records: all are kept, the twenty places and five below them, and written back as read
  // (the five once went at the first save); a record without a comma reads with an empty name.
  QByteArray bytes;
  for (int i = 0; i < 25; ++i) {
    const QString r = i == 3 ? RC4("77", ScoreKey) : Scrambled(1000 - i, "N" + QString::number(i));
    for (QChar c : r)
      bytes.append(char(c.unicode()));
    bytes.append("\r\n");
  }
  ASSERT_TRUE(WriteAll(Scr(), bytes));
  StartApp();
  EXPECT_EQ(app_->Score->size(), 25u);
  EXPECT_EQ(RecordScore((*app_->Score)[3]), 77);
  EXPECT_EQ(RecordName((*app_->Score)[3]), "");
  EXPECT_EQ(RecordName((*app_->Score)[4]), "N4");
  app_->SaveGame();
  EXPECT_EQ(ReadAll(Scr()), bytes);
  app_->Destroy();

  // A new entry takes one of the twenty places; the list keeps its length, so the last of all
  // goes, and a total that ranks only below the twenty places does not enter.
  std::vector<QString> sorted;
  for (int i = 0; i < 25; ++i)
    sorted.push_back(Scrambled(1000 - 10 * i, "N" + QString::number(i)));
  ASSERT_TRUE(WriteAll(Scr(), WriteScoreFile(sorted)));
  StartApp();
  SetTotal(0, 905);
  EXPECT_TRUE(app_->CheckScore());
  EXPECT_EQ(app_->ScoreIndex[0], 11);
  app_->SaveGame();
  const std::vector<QString> saved = ParseScoreFile(ReadAll(Scr()));
  ASSERT_EQ(saved.size(), 25u);
  EXPECT_EQ(RecordName(saved[10]), "Spieler1");
  EXPECT_EQ(RecordName(saved[24]), "N23");
  SetTotal(0, 815); // above N21 at rank 23, below all twenty places
  EXPECT_FALSE(app_->CheckScore());
}

TEST_F(Store, UnreadableFileIsLeftAlone)
{
  ASSERT_TRUE(QDir().mkpath(Scr() + "/inside")); // a folder where the file belongs
  StartApp();
  ASSERT_EQ(app_->Score->size(), 20u);
  EXPECT_EQ(RC4((*app_->Score)[0], ScoreKey), "0,Spieler1");
  SetTotal(0, 99);
  EXPECT_TRUE(app_->CheckScore());
  app_->SaveGame();
  EXPECT_EQ(FileType(Scr()), 2);
  EXPECT_EQ(FileType(Scr() + "/inside"), 2);
  app_->Destroy();
  if (geteuid() != 0) { // the superuser reads everything
    ASSERT_TRUE(QDir(Scr()).removeRecursively());
    ASSERT_TRUE(WriteAll(Scr(), QByteArray("secret\r\n")));
    QFile(Scr()).setPermissions(QFileDevice::WriteOwner);
    StartApp();
    EXPECT_EQ(app_->Score->size(), 20u);
    app_->SaveGame();
    QFile(Scr()).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(ReadAll(Scr()), QByteArray("secret\r\n"));
  }
}
