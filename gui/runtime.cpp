#include "gui/runtime.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <pwd.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace
{
constexpr int RndDefault = 0x1234;
constexpr int RndModulus = 2147483647;
int rndState = RndDefault;

// One Park-Miller step by Schrage's method: no intermediate leaves 32-bit signed range.
int RndStep()
{
  int s = 48271 * (rndState % 44488) - 3399 * (rndState / 44488);
  if (s < 0) s += RndModulus;
  rndState = s;
  return s;
}
} // namespace

void SeedRnd(int seed)
{
  int s = seed & 0x7FFFFFFF;
  if (s == 0 || s == 0x7FFFFFFF) s = RndDefault;
  rndState = s;
}

int RndState()
{
  return rndState;
}

double Rnd()
{
  const int hi = RndStep() & 0x1FFFFFFC;
  const int lo = RndStep() & 0x1FFFFFF8;
  return (hi + lo / 134217728.0) / 536870912.0;
}

int Rand(int min, int max)
{
  if (max > min) return min + RealToInt(Rnd() * (double(max) - min + 1));
  return max + RealToInt(Rnd() * (double(min) - max + 1));
}

int MilliSecs()
{
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const uint64_t ms = uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
  return static_cast<int>(static_cast<uint32_t>(ms));
}

QByteArray GetUserAppDirNative()
{
  QByteArray dir = qgetenv("XDG_DATA_HOME");
  if (!dir.startsWith('/')) { // unset, empty or relative: ignored
    QByteArray home = qgetenv("HOME");
    if (!home.startsWith('/')) {
      const passwd* pw = getpwuid(getuid());
      home = pw && pw->pw_dir ? QByteArray(pw->pw_dir) : QByteArray("/");
    }
    dir = home + "/.local/share";
  }
  while (dir.size() > 1 && dir.endsWith('/'))
    dir.chop(1);
  return dir;
}

QString GetUserAppDir()
{
  return QFile::decodeName(GetUserAppDirNative());
}

QString NormalisePath(const QString& path, bool folder)
{
  QString p = path;
  p.replace('\\', '/');
  if (folder)
    while (p.size() > 1 && p.endsWith('/'))
      p.chop(1);
  return p;
}

int FileType(const QString& path)
{
  struct stat st {
  };
  if (stat(NormalisePath(path, true).toLocal8Bit().constData(), &st) != 0) return 0;
  if (S_ISDIR(st.st_mode)) return 2;
  if (S_ISREG(st.st_mode)) return 1;
  return 0;
}

int CreateDir(const QString& path, bool recursive)
{
  const QString p = NormalisePath(path, true);
  if (!recursive) {
    mkdir(p.toLocal8Bit().constData(), 0777);
    return FileType(p) == 2 ? 1 : 0;
  }
  const QString abs = QDir::cleanPath(QDir::current().absoluteFilePath(p));
  const QStringList parts = abs.split('/', Qt::SkipEmptyParts);
  QString prefix;
  for (const QString& part : parts) {
    prefix += '/' + part;
    switch (FileType(prefix)) {
    case 2:
      continue;
    case 1:
      return 0;
    default:
      mkdir(prefix.toLocal8Bit().constData(), 0777);
      if (FileType(prefix) != 2) return 0;
    }
  }
  return 1;
}

bool DeleteFile(const QString& path)
{
  return std::remove(NormalisePath(path, false).toLocal8Bit().constData()) == 0;
}

bool RenameFile(const QString& from, const QString& to)
{
  return std::rename(NormalisePath(from, false).toLocal8Bit().constData(),
                     NormalisePath(to, false).toLocal8Bit().constData()) == 0;
}

QString IntToStr(int value)
{
  return QString::number(value);
}

int StrToInt(const QString& text)
{
  const int n = text.size();
  int i = 0;
  auto isSpace = [](QChar c) { return c == ' ' || (c.unicode() >= 9 && c.unicode() <= 13); };
  while (i < n && isSpace(text[i]))
    ++i;
  if (i >= n) return 0;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') {
    negative = text[i] == '-';
    if (++i >= n) return 0;
  }
  int base = 10;
  if (text[i] == '%') {
    base = 2;
    ++i;
  } else if (text[i] == '$') {
    base = 16;
    ++i;
  }
  uint32_t value = 0; // unsigned, so that overflow wraps as the file format expects
  for (; i < n; ++i) {
    const ushort c = text[i].unicode();
    int digit = -1;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    if (digit < 0 || digit >= base) break;
    value = value * uint32_t(base) + uint32_t(digit);
  }
  if (negative) value = 0u - value;
  return static_cast<int>(value);
}

int RealToInt(double value)
{
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return 2147483647;
  if (value <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(value); // truncates toward zero
}

double Ceil(double value)
{
  return std::ceil(value);
}

int Compare(const QString& a, const QString& b)
{
  const int n = std::min(a.size(), b.size());
  for (int i = 0; i < n; ++i)
    if (a[i] != b[i]) return int(a[i].unicode()) - int(b[i].unicode());
  return int(a.size()) - int(b.size());
}

int Find(const QString& haystack, const QString& needle, int start)
{
  if (start < 0) start = 0;
  if (start > haystack.size()) return -1;
  return int(haystack.indexOf(needle, start, Qt::CaseSensitive));
}

QStringList Split(const QString& text, const QString& separator)
{
  if (!separator.isEmpty()) return text.split(separator, Qt::KeepEmptyParts, Qt::CaseSensitive);
  QStringList words;
  QString word;
  for (QChar c : text) {
    if (c.unicode() < 33) {
      if (!word.isEmpty()) words.append(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.isEmpty()) words.append(word);
  return words;
}

void SortInts(std::vector<int>& values, bool ascending)
{
  if (ascending)
    std::sort(values.begin(), values.end());
  else
    std::sort(values.begin(), values.end(), std::greater<int>());
}
