// Reading the score file: the file the game writes, records holding the bytes 0, 10 and 13,
// and the worst files constructed for the reader, each at 4, 16 and 64 KiB so that the time per
// byte shows whether reading grows linearly with the file, and at 1 MiB, the largest score file
// the game reads (whole, so that a save keeps every record).

#include "store/highscore.h"
#include "store/rc4.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <initializer_list>

namespace
{
// The key stream's first bytes: a plain character c at position i scrambles to c ^ key[i].
const QByteArray& Key()
{
  static const QByteArray key = [] {
    QByteArray k;
    for (QChar c : RC4(QString(256, QChar(0)), ScoreKey))
      k.append(char(c.unicode() & 0xFF));
    return k;
  }();
  return key;
}

bool PrintableNameChar(int c)
{
  return (c >= 0x20 && c < 0x7F && c != ',') || c >= 0xA0;
}

// A record "score,name" whose name is chosen so that its scrambled bytes hold the wanted bytes
// (in turn, wherever a printable name character gives them), and the letter a elsewhere.
QByteArray RecordHolding(int score, std::initializer_list<int> wanted, int length, bool repeat)
{
  QString plain = QString::number(score) + ",";
  auto next = wanted.begin();
  for (int i = int(plain.size()); i < length; ++i) {
    if (next == wanted.end() && repeat) next = wanted.begin();
    const int c = next != wanted.end() ? *next ^ static_cast<unsigned char>(Key()[i]) : -1;
    if (c >= 0 && PrintableNameChar(c)) {
      plain += QChar(ushort(c));
      ++next;
    } else {
      plain += QChar('a');
    }
  }
  return WriteScoreFile({RC4(plain, ScoreKey)}).chopped(2);
}

QByteArray GameFile(int)
{
  return WriteScoreFile(
      std::vector<QString>(SCORE_ENTRIES, RC4(ScoreRecord(0, "Spieler1"), ScoreKey)));
}

QByteArray RecordsWithBreakBytes(int)
{
  QByteArray file;
  for (int k = 0; k < SCORE_ENTRIES; ++k)
    file += RecordHolding(2000 - k, {0, 10, 13, 13, 10}, 40, false) + "\r\n";
  return file;
}

QByteArray Repeated(const QByteArray& unit, int size)
{
  QByteArray file;
  while (file.size() + unit.size() <= size)
    file += unit;
  while (file.size() < size)
    file += "\r\n";
  return file.left(size);
}

// Nothing but line ends: as many candidate record ends as the file has bytes halves.
QByteArray OnlyLineBreaks(int size)
{
  return Repeated("\r\n", size);
}

// Short records that all read well, then more of them than a list holds.
QByteArray ShortRecords(int size)
{
  return Repeated(RecordHolding(1, {}, 3, false) + "\r\n", size);
}

// The same with bare LF line ends, as an editor may leave them: each line end the reading
// chooses becomes CR LF, and the reading runs again over the result.
QByteArray ShortRecordsLf(int size)
{
  return Repeated(RecordHolding(1, {}, 3, false) + "\n", size);
}

// Records as long as a record put together from lines may be, a line end every few bytes
// inside, each a candidate end of a record that reads well up to there; the record's last
// byte spoils it, so every reading of it is tried and none is kept.
QByteArray AlmostRecords(int size)
{
  QByteArray record = RecordHolding(7, {10}, 255, true);
  record[record.size() - 1] = char(1 ^ static_cast<unsigned char>(Key()[record.size() - 1]));
  return Repeated(record + "\r\n", size);
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

struct TCase {
  const char* name;
  QByteArray (*make)(int);
  int size;
};

const int registered = [] {
  const TCase cases[] = {
      {"game_file", GameFile, 0},
      {"records_with_0_10_13", RecordsWithBreakBytes, 0},
      {"only_crlf_4KiB", OnlyLineBreaks, 4096},
      {"only_crlf_16KiB", OnlyLineBreaks, 16384},
      {"only_crlf_64KiB", OnlyLineBreaks, 65536},
      {"short_records_4KiB", ShortRecords, 4096},
      {"short_records_16KiB", ShortRecords, 16384},
      {"short_records_64KiB", ShortRecords, 65536},
      {"almost_records_4KiB", AlmostRecords, 4096},
      {"almost_records_16KiB", AlmostRecords, 16384},
      {"almost_records_64KiB", AlmostRecords, 65536},
      {"only_crlf_1MiB", OnlyLineBreaks, 1 << 20},
      {"short_records_1MiB", ShortRecords, 1 << 20},
      {"short_records_lf_1MiB", ShortRecordsLf, 1 << 20},
      {"almost_records_1MiB", AlmostRecords, 1 << 20},
  };
  for (const TCase& c : cases)
    benchmark::RegisterBenchmark((std::string("BM_ReadScoreFile/") + c.name).c_str(), ReadScoreFile,
                                 c.make, c.size);
  return 0;
}();
} // namespace
