#include "store/scorefile.h"

#include "store/rc4.h"
#include "store/settingsfile.h"

#include <array>
#include <cstdint>
#include <limits>

namespace
{
// Longest record that may be put together from several lines: digits, comma and a name far
// longer than anyone types. Longer records stand on one line.
constexpr qsizetype JOIN_LIMIT = 256;

const std::array<unsigned char, JOIN_LIMIT>& Keystream()
{
  static const std::array<unsigned char, JOIN_LIMIT> ks = [] {
    std::array<unsigned char, JOIN_LIMIT> k{};
    const QString stream = RC4(QString(JOIN_LIMIT, QChar(0)), ScoreKey);
    for (qsizetype i = 0; i < JOIN_LIMIT; ++i)
      k[size_t(i)] = static_cast<unsigned char>(stream[i].unicode() & 0xFF);
    return k;
  }();
  return ks;
}

// Follows a record's unscrambled bytes as the game writes them: a score without leading zeros
// of at most ten digits, a comma, then a name of printable characters.
class TRecordShape
{
public:
  void Add(unsigned char plain)
  {
    if (bad_) return;
    if (comma_) {
      bad_ = plain < 0x20 || (plain >= 0x7F && plain < 0xA0);
    } else if (plain == ',') {
      bad_ = digits_ == 0;
      comma_ = true;
    } else if (plain >= '0' && plain <= '9') {
      bad_ = digits_ == 10 || leadingZero_;
      leadingZero_ = digits_ == 0 && plain == '0';
      ++digits_;
    } else {
      bad_ = true;
    }
  }
  bool Bad() const { return bad_; }
  bool Good() const { return !bad_ && comma_; }

private:
  int digits_ = 0;
  bool leadingZero_ = false;
  bool comma_ = false;
  bool bad_ = false;
};

struct TLine {
  qsizetype start; // first byte
  qsizetype end;   // one past the last byte, before the line end
  qsizetype next;  // first byte after the line end
};

bool Empty(const TLine& line)
{
  return line.start == line.end;
}

// A record of several lines may hold empty lines, but it ends with one only as the game writes
// it: a record whose last byte is a line feed, then CR LF. After CR LF an empty line is an
// editor's.
bool MayEndRecord(const std::vector<TLine>& lines, size_t k)
{
  if (!Empty(lines[k])) return true;
  return k > 0 && lines[k - 1].next - lines[k - 1].end == 1 && lines[k].next - lines[k].end == 2;
}

std::vector<TLine> SplitLines(const QByteArray& bytes)
{
  std::vector<TLine> lines;
  const qsizetype n = bytes.size();
  qsizetype start = 0;
  for (qsizetype p = 0; p < n; ++p) {
    if (bytes[p] != '\n') continue;
    const bool crlf = p > start && bytes[p - 1] == '\r';
    lines.push_back({start, crlf ? p - 1 : p, p + 1});
    start = p + 1;
  }
  if (start < n) lines.push_back({start, n, n});
  return lines;
}

// One pass of the search described in the header.
std::vector<QString> ParseOnce(const QByteArray& bytes)
{
  const std::vector<TLine> lines = SplitLines(bytes);
  const size_t m = lines.size();
  const auto& ks = Keystream();
  // Best reading of the first i lines: records that unscramble well count m + 1 each, every
  // other record costs 1, so any number of the second never outweighs one of the first.
  constexpr int64_t NONE = std::numeric_limits<int64_t>::min();
  const int64_t good = int64_t(m) + 1;
  std::vector<int64_t> best(m + 1, NONE);
  std::vector<size_t> from(m + 1, 0);
  std::vector<char> skip(m + 1, 0); // the step to this line passed over an empty line
  best[0] = 0;
  auto offer = [&](size_t to, size_t start, int64_t value) {
    if (value > best[to]) {
      best[to] = value;
      from[to] = start;
    }
  };
  for (size_t i = 0; i < m; ++i) {
    // An empty line, as an editor leaves at the end, is no record and begins none.
    if (Empty(lines[i])) {
      offer(i + 1, i, best[i]);
      skip[i + 1] = from[i + 1] == i;
      continue;
    }
    TRecordShape shape;
    qsizetype pos = lines[i].start;
    const qsizetype limit = std::min(bytes.size(), pos + JOIN_LIMIT);
    bool oneLineGood = false;
    for (size_t k = i; k < m; ++k) {
      // Take line k's bytes, then look at the record that ends with it.
      for (; pos < lines[k].end && pos < limit && !shape.Bad(); ++pos)
        shape.Add(static_cast<unsigned char>(bytes[pos]) ^ ks[size_t(pos - lines[i].start)]);
      if (shape.Bad() || pos < lines[k].end) break;
      if (k == i)
        oneLineGood = shape.Good();
      else if (shape.Good() && MayEndRecord(lines, k))
        offer(k + 1, i, best[i] + good);
      // The line end becomes part of the record when it goes on.
      for (; pos < lines[k].next && pos < limit && !shape.Bad(); ++pos)
        shape.Add(static_cast<unsigned char>(bytes[pos]) ^ ks[size_t(pos - lines[i].start)]);
      if (shape.Bad() || pos < lines[k].next) break;
    }
    offer(i + 1, i, best[i] + (oneLineGood ? good : -1));
  }
  std::vector<std::pair<size_t, size_t>> spans; // records as lines [first, last + 1), last first
  for (size_t to = m; to > 0; to = from[to])
    if (!skip[to]) spans.emplace_back(from[to], to);
  std::vector<QString> records;
  for (auto it = spans.rbegin(); it != spans.rend(); ++it) {
    const qsizetype a = lines[it->first].start;
    const qsizetype b = std::min(lines[it->second - 1].end, a + SCORE_RECORD_LIMIT);
    records.push_back(QString::fromLatin1(bytes.constData() + a, b - a));
  }
  return records;
}
} // namespace

std::vector<QString> ParseScoreFile(const QByteArray& whole)
{
  // A line end that the search chose inside a line of LF-only ends becomes CR LF when the list is
  // written, which may change what the neighbouring records look like; so the reading goes on
  // until writing and reading again changes nothing. Every further round turns at least one
  // lone LF into CR LF, and the search settles after very few rounds.
  QByteArray bytes = whole.left(SCORE_READ_LIMIT);
  std::vector<QString> records = ParseOnce(bytes);
  for (int round = 0; round < 16; ++round) {
    QByteArray again = WriteScoreFile(records);
    if (again == bytes) break;
    bytes = std::move(again);
    records = ParseOnce(bytes);
  }
  return records;
}

QByteArray WriteScoreFile(const std::vector<QString>& records)
{
  return WriteLines(records);
}
