#include "fuzz/checks.h"
#include "store/highscore.h"
#include "store/rc4.h"
#include "tests/support/support.h"

#include <QElapsedTimer>
#include <cstdio>
#include <random>

namespace
{
QString Scrambled(const QByteArray& plain)
{
  return RC4(QString::fromLatin1(plain), ScoreKey);
}

QByteArray Bytes(const QString& record)
{
  return record.toLatin1();
}

// Twenty records of the game whose scrambled bytes hold lone 0, 10 and 13 but never CR LF, as
// most of the game's own files do.
std::vector<QString> GameList()
{
  std::mt19937 gen(7);
  auto next = [&gen](char wanted) {
    for (;;) {
      QByteArray plain = QByteArray::number(int(gen() % 900)) + ",";
      for (int i = int(gen() % 12) + 3; i > 0; --i)
        plain += char('a' + gen() % 26);
      const QString record = Scrambled(plain);
      const QByteArray b = Bytes(record);
      if (b.contains("\r\n") || b.endsWith('\r')) continue;
      if (wanted == 'x' || b.contains(wanted)) return record;
    }
  };
  std::vector<QString> list;
  for (char wanted : {'\n', '\r', '\0', '\n'})
    list.push_back(next(wanted));
  while (list.size() < 20)
    list.push_back(next('x'));
  std::stable_sort(list.begin(), list.end(), [](const QString& a, const QString& b) {
    return RecordScore(a) > RecordScore(b);
  });
  return list;
}

double Seconds(const QByteArray& bytes)
{
  QElapsedTimer timer;
  timer.start();
  ParseScoreFile(bytes);
  return double(timer.nsecsElapsed()) / 1e9;
}
} // namespace

// The game's own file, and that file after an editor or a file transfer changed its line ends,
// read into the same twenty records, at every start.
TEST(ScoreFile, ConvertedLineEndsReadTheSameRecords)
{
  const std::vector<QString> list = GameList();
  ASSERT_EQ(list.size(), 20u);
  const QByteArray own = WriteScoreFile(list);
  QByteArray lf = own;
  lf.replace("\r\n", "\n");
  QByteArray mixed;
  for (size_t i = 0; i < list.size(); ++i)
    mixed += Bytes(list[i]) + (i % 3 ? "\r\n" : "\n");
  QByteArray unterminated = own;
  unterminated.chop(2);
  for (const QByteArray& file : {own, lf, mixed, unterminated}) {
    EXPECT_EQ(ParseScoreFile(file), list);
    EXPECT_EQ(CheckScoreFile(file), QString());
  }
}

// Reading once took seconds to hours for files that end in CR LF; now the time grows linearly.
TEST(ScoreFile, WorstCaseFilesReadQuickly)
{
  const QByteArray almost = Bytes(Scrambled("9," + QByteArray(60, 'a'))).left(2);
  for (int kib : {4, 16, 64}) {
    const qsizetype n = kib * 1024;
    QByteArray pairs, records, lines, printable;
    while (pairs.size() < n)
      pairs += "\r\n";
    while (records.size() < n)
      records += almost + "\r\n";
    while (lines.size() < n)
      lines += "\n";
    // Digits, comma, then a name that stays printable across every LF: the longest search.
    const QString keystream = RC4(QString(256, QChar(0)), ScoreKey);
    QByteArray good;
    for (int i = 0; i < 250; ++i) {
      const uchar k = uchar(keystream[i].unicode());
      const uchar plainLf = uchar('\n' ^ k);
      good += i == 0                                ? char('7' ^ k)
              : i == 1                              ? char(',' ^ k)
              : (plainLf >= 0x20 && plainLf < 0x7F) ? '\n'
                                                    : char('x' ^ k);
    }
    while (printable.size() < n)
      printable += good + "\r\n";
    double worst = 0;
    for (QByteArray* file : {&pairs, &records, &lines, &printable}) {
      file->truncate(n);
      worst = std::max(worst, Seconds(*file));
      EXPECT_EQ(CheckScoreFile(*file), QString());
    }
    std::printf("worst-case score file of %d KiB read in %.4f s\n", kib, worst);
    EXPECT_LT(worst, 1.0); // a guard against hangs; the figure itself is printed above
  }
}
