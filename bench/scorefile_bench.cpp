// Reading the score file: the file the game writes, records holding the bytes 0, 10 and 13,
// and the worst files up to 64 KiB constructed for the reader, at 4, 16 and 64 KiB so that
// the time per byte shows whether reading grows linearly with the file.

#include "store/atomicfile.h"
#include "store/highscore.h"
#include "store/rc4.h"

#include "gui/runtime.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <benchmark/benchmark.h>

namespace
{
QByteArray Latin1Bytes(const QString& s)
{
  QByteArray b;
  b.reserve(s.size());
  for (QChar c : s)
    b.append(char(c.unicode() & 0xFF));
  return b;
}

QByteArray Scrambled(const QString& plain)
{
  return Latin1Bytes(RC4(plain, ScoreKey));
}

bool Printable(int c)
{
  return (c >= 0x20 && c < 0x7F && c != ',') || c >= 0xA0;
}

// The file a first start writes, through the game's own writer.
QByteArray GameFile()
{
  const QString path = GetUserAppDir() + "/bench-score.scr";
  WriteLinesAtomic(path,
                   std::vector<QString>(SCORE_ENTRIES, RC4(ScoreRecord(0, "Spieler1"), ScoreKey)));
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Twenty records whose scrambled names hold the bytes 0, 10 and 13: each name character is
// chosen against the key stream so that those bytes appear where a printable name allows.
QByteArray RecordsWithBreakBytes()
{
  const QByteArray stream = Scrambled(QString(64, QChar(0)));
  QByteArray file;
  for (int k = 0; k < SCORE_ENTRIES; ++k) {
    QString plain = QString::number(2000 - k) + ",";
    const int targets[] = {0, 10, 13, 13, 10};
    size_t t = 0;
    for (int i = int(plain.size()); i < 40; ++i) {
      const int want = t < std::size(targets) ? targets[t] : -1;
      const int c = want >= 0 ? (want ^ static_cast<unsigned char>(stream[i])) : 'a';
      if (want >= 0 && Printable(c)) {
        plain += QChar(ushort(c));
        ++t;
      } else {
        plain += QChar('a' + (k + i) % 26);
      }
    }
    file += Scrambled(plain) + "\r\n";
  }
  return file;
}

QByteArray OnlyLineBreaks(int size)
{
  QByteArray file;
  for (int i = 0; i < size / 2; ++i)
    file += "\r\n";
  return file;
}

// Short records that all parse, each a possible end for a search for twenty, and a last one
// that does not: a reader that tries readings into twenty records meets as many candidate
// ends as the file has lines.
QByteArray AlmostRecords(int size)
{
  const QByteArray good = Scrambled("1,a") + "\r\n";
  QByteArray file;
  while (file.size() + good.size() * 2 <= size)
    file += good;
  QString last = "x,";
  while (file.size() + last.size() + 2 < size)
    last += 'a';
  file += Scrambled(last) + "\r\n";
  return file;
}

void ReadScoreFile(benchmark::State& state, QByteArray (*make)(int), int size)
{
  const QByteArray file = make(size);
  for (auto _ : state) {
    std::vector<QString> records = ParseScoreFile(file);
    benchmark::DoNotOptimize(records.data());
  }
  state.counters["bytes"] = double(file.size());
  state.SetBytesProcessed(state.iterations() * file.size());
}

QByteArray GameFileOf(int)
{
  return GameFile();
}
QByteArray BreakBytesOf(int)
{
  return RecordsWithBreakBytes();
}

BENCHMARK_CAPTURE(ReadScoreFile, game_file, GameFileOf, 0)->Name("BM_ReadScoreFile/game_file");
BENCHMARK_CAPTURE(ReadScoreFile, break_bytes, BreakBytesOf, 0)
    ->Name("BM_ReadScoreFile/records_with_0_10_13");
BENCHMARK_CAPTURE(ReadScoreFile, crlf4, OnlyLineBreaks, 4096)
    ->Name("BM_ReadScoreFile/only_crlf_4KiB");
BENCHMARK_CAPTURE(ReadScoreFile, crlf16, OnlyLineBreaks, 16384)
    ->Name("BM_ReadScoreFile/only_crlf_16KiB");
BENCHMARK_CAPTURE(ReadScoreFile, crlf64, OnlyLineBreaks, 65536)
    ->Name("BM_ReadScoreFile/only_crlf_64KiB");
BENCHMARK_CAPTURE(ReadScoreFile, almost4, AlmostRecords, 4096)
    ->Name("BM_ReadScoreFile/almost_records_4KiB");
BENCHMARK_CAPTURE(ReadScoreFile, almost16, AlmostRecords, 16384)
    ->Name("BM_ReadScoreFile/almost_records_16KiB");
BENCHMARK_CAPTURE(ReadScoreFile, almost64, AlmostRecords, 65536)
    ->Name("BM_ReadScoreFile/almost_records_64KiB");
} // namespace
