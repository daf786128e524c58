#include "store/settingsfile.h"

bool TSettingsReader::Feed(const char* data, qsizetype size)
{
  for (qsizetype i = 0; i < size; ++i) {
    if (scanned_++ >= SETTINGS_SCAN_LIMIT) return false;
    if (!inLine_) {
      if (int(names_.size()) == SETTINGS_PLAYERS) return false;
      names_.emplace_back();
      inLine_ = true;
    }
    const unsigned char b = static_cast<unsigned char>(data[i]);
    if (b == '\n' || b == 0) {
      inLine_ = false;
      if (int(names_.size()) == SETTINGS_PLAYERS) return false;
    } else if (b != '\r' && names_.back().size() < SETTINGS_NAME_LIMIT) {
      names_.back() += QChar(ushort(b));
    }
  }
  return scanned_ < SETTINGS_SCAN_LIMIT;
}

std::vector<QString> TSettingsReader::Names() const
{
  return names_;
}

std::vector<QString> ParseSettingsFile(const QByteArray& bytes)
{
  TSettingsReader reader;
  reader.Feed(bytes.constData(), bytes.size());
  return reader.Names();
}

QByteArray WriteLines(const std::vector<QString>& lines)
{
  QByteArray bytes;
  for (const QString& line : lines) {
    for (QChar c : line)
      bytes.append(char(c.unicode() & 0xFF));
    bytes.append("\r\n", 2);
  }
  return bytes;
}

QByteArray WriteSettingsFile(const std::vector<QString>& names)
{
  return WriteLines(names);
}

TChoiceFile ParseChoiceFile(const QByteArray& bytes)
{
  // The lines as the settings file's are read, but three of them.
  std::vector<QString> lines;
  QString line;
  bool inLine = false;
  for (const char c : bytes) {
    if (c == 0) break;
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
      inLine = false;
      continue;
    }
    if (c != '\r') line.append(QChar(uchar(c)));
    inLine = true;
  }
  if (inLine) lines.push_back(line);
  TChoiceFile choice;
  choice.computer = !lines.empty() && lines.front() == "1";
  if (lines.size() > 1) choice.level = lines[1];
  if (lines.size() > 2) choice.speed = lines[2];
  return choice;
}

QByteArray WriteChoiceFile(bool computer, const QString& level, const QString& speed)
{
  std::vector<QString> lines{computer ? "1" : "0", level};
  if (!speed.isEmpty()) lines.push_back(speed);
  return WriteLines(lines);
}
