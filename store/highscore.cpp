#include "store/highscore.h"

#include "app/app.h"
#include "gui/runtime.h"
#include "gui/stream.h"
#include "sheet/winpointfield.h"
#include "store/atomicfile.h"
#include "store/rc4.h"

#include <map>

namespace
{
// Bigger files are not ours: they are read plainly, line by line.
constexpr qsizetype MAX_SMART_READ = 1 << 16;

QString Latin1(const QByteArray& bytes, qsizetype from, qsizetype to)
{
  QString s;
  s.reserve(to - from);
  for (qsizetype i = from; i < to; ++i)
    s += QChar(ushort(static_cast<unsigned char>(bytes[i])));
  return s;
}

// A record as the game writes it: a score without leading zeros, then a comma; with
// printableName, also a name of characters that the name fields accept.
bool WellFormed(const QString& plain, bool printableName)
{
  const qsizetype comma = plain.indexOf(',');
  if (comma <= 0 || comma > 10) return false;
  for (qsizetype i = 0; i < comma; ++i)
    if (plain[i] < '0' || plain[i] > '9') return false;
  if (comma > 1 && plain[0] == '0') return false;
  if (printableName)
    for (qsizetype i = comma + 1; i < plain.size(); ++i) {
      const ushort c = plain[i].unicode();
      if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return false;
    }
  return true;
}

std::vector<QString> ReadLines(const QByteArray& bytes)
{
  std::vector<QString> lines;
  QString line;
  qsizetype i = 0;
  while (i < bytes.size()) {
    line.clear();
    for (; i < bytes.size(); ++i) {
      const unsigned char b = static_cast<unsigned char>(bytes[i]);
      if (b == 10 || b == 0) {
        ++i;
        break;
      }
      if (b != 13) line += QChar(ushort(b));
    }
    lines.push_back(line);
  }
  return lines;
}
} // namespace

QString ScoreRecord(int total, const QString& name)
{
  return IntToStr(total) + "," + name;
}

int RecordScore(const QString& scrambled)
{
  return StrToInt(Split(RC4(scrambled, ScoreKey), ",").value(0));
}

QString RecordName(const QString& scrambled)
{
  return Split(RC4(scrambled, ScoreKey), ",").value(1);
}

std::vector<QString> ParseScoreFile(const QByteArray& bytes)
{
  const qsizetype n = bytes.size();
  if (n > 0 && n <= MAX_SMART_READ && bytes.endsWith("\r\n")) {
    std::vector<qsizetype> ends; // every CR LF is a possible end of a record
    for (qsizetype p = 0; p + 1 < n; ++p)
      if (bytes[p] == '\r' && bytes[p + 1] == '\n') ends.push_back(p);
    // Usually every CR LF ends a record, and lone 0, 10 and 13 bytes belong to the records.
    std::vector<QString> records;
    qsizetype start = 0;
    bool allWellFormed = true;
    for (qsizetype end : ends) {
      records.push_back(Latin1(bytes, start, end));
      allWellFormed = allWellFormed && WellFormed(RC4(records.back(), ScoreKey), false);
      start = end + 2;
    }
    if (allWellFormed) return records;
    // A record that itself holds CR LF: find the reading into twenty records.
    // Can the bytes from start on be read as exactly k more well-formed records?
    std::map<std::pair<qsizetype, int>, bool> memo;
    std::vector<qsizetype> chosen(SCORE_ENTRIES, -1);
    auto solve = [&](auto& self, qsizetype start, int k) -> bool {
      if (k == 0) return start == n;
      const auto key = std::make_pair(start, k);
      if (const auto it = memo.find(key); it != memo.end()) return it->second;
      bool ok = false;
      for (auto it = std::lower_bound(ends.begin(), ends.end(), start); it != ends.end() && !ok;
           ++it) {
        if (!WellFormed(RC4(Latin1(bytes, start, *it), ScoreKey), true)) continue;
        if (self(self, *it + 2, k - 1)) {
          chosen[size_t(SCORE_ENTRIES - k)] = *it;
          ok = true;
        }
      }
      memo[key] = ok;
      return ok;
    };
    if (solve(solve, 0, SCORE_ENTRIES)) {
      std::vector<QString> records;
      qsizetype start = 0;
      for (qsizetype end : chosen) {
        records.push_back(Latin1(bytes, start, end));
        start = end + 2;
      }
      return records;
    }
  }
  return ReadLines(bytes);
}

int InsertScore(std::vector<QString>& list, int total, const QString& name)
{
  for (size_t j = 0; j < list.size(); ++j) {
    if (RecordScore(list[j]) > total) continue;
    list.insert(list.begin() + qsizetype(j), RC4(ScoreRecord(total, name), ScoreKey));
    list.pop_back();
    return int(j);
  }
  return -1;
}

int TApp::OpenScore()
{
  const QString path = AppPath + SCORE_FILE;
  if (FileType(path) == 0) {
    CreateScore();
    return 0;
  }
  if (!Score) Score.emplace();
  QByteArray bytes;
  TStreamPtr stream = OpenFileRead(path);
  if (!stream) {
    // Unreadable: play on with the default list, and leave the file alone.
    ScoreUnreadable = true;
    Score.reset();
    CreateScore();
    return 0;
  }
  char buf[4096];
  for (int got; (got = stream->Read(buf, sizeof buf)) > 0;)
    bytes.append(buf, got);
  stream->Close();
  for (QString& record : ParseScoreFile(bytes))
    Score->push_back(std::move(record));
  return 0;
}

int TApp::CreateScore()
{
  if (Score) return 0;
  Score.emplace(SCORE_ENTRIES, RC4(ScoreRecord(0, DEFAULT_PLAYER), ScoreKey));
  SaveScore();
  return 0;
}

int TApp::SaveScore()
{
  if (!Score || ScoreUnreadable) return 0;
  WriteLinesAtomic(AppPath + SCORE_FILE, *Score);
  return 0;
}

bool TApp::CheckScore()
{
  if (!Score) return false;
  ScoreIndex = {-1, -1};
  bool result = false;
  for (int p = 0; p < PlayerCount && p < 2; ++p) {
    const int total = GrandTotal(p);
    // A player without points never enters, and takes nothing from another's entry.
    if (total == 0) continue;
    const int j = InsertScore(*Score, total, PlayerName[size_t(p)]);
    if (j < 0) continue;
    ScoreIndex[size_t(p)] = j + 1;
    result = true;
    // An entry at or above player 0's pushes that one down a rank, or off the list.
    if (p == 1 && ScoreIndex[0] > 0 && j + 1 <= ScoreIndex[0]) {
      ScoreIndex[0] += 1;
      if (ScoreIndex[0] > int(Score->size())) ScoreIndex[0] = -1;
    }
  }
  return result;
}
