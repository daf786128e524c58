#pragma once

// The bytes of the settings file: the player names, one per line. A line ends at LF, at a
// byte 0 or at the end of the file; every CR is dropped; each byte is the character of the
// same code. Only the first two lines name players.

#include <QByteArray>
#include <QString>
#include <vector>

constexpr int SETTINGS_PLAYERS = 2;
// A name is cut at this length when read; nobody types more, and a save never grows the file.
constexpr qsizetype SETTINGS_NAME_LIMIT = 1024;
// How far into a file the reading looks for the names before it gives up on the rest.
constexpr qsizetype SETTINGS_SCAN_LIMIT = 16 * 1024 * 1024;

// Reads the names as the bytes arrive, a buffer at a time, so that a file of any size is read
// in memory of one buffer.
class TSettingsReader
{
public:
  // Takes the next bytes of the file; false once both names are complete.
  bool Feed(const char* data, qsizetype size);
  // The names read, after the last Feed.
  std::vector<QString> Names() const;

private:
  std::vector<QString> names_;
  bool inLine_ = false;
  qsizetype scanned_ = 0;
};

std::vector<QString> ParseSettingsFile(const QByteArray& bytes);
// The file's bytes: each name as the low 8 bits of its characters, then CR LF.
QByteArray WriteSettingsFile(const std::vector<QString>& names);

// A line of either file: the low 8 bits of each character, then CR LF.
QByteArray WriteLines(const std::vector<QString>& lines);

// The file that remembers the computer opponent, kept apart from the names so that the settings
// file means the same to a reader that knows only them. Line 1: "1" when the computer plays the
// second player, anything else (an empty file included) when it does not. Line 2: the name of
// its strength, as the game spells it; the game reads a missing or unknown one as its default,
// so a file of one line, as earlier versions wrote, keeps working. Line 3: the speed of its
// turns, written only when it is not the default speed, so that a file of two lines means
// what it meant to the version before the speed; readers of two lines ignore a third.
constexpr qsizetype CHOICE_READ_LIMIT = 64;
struct TChoiceFile {
  bool computer = false;
  QString level; // empty when the file has no second line
  QString speed; // empty when the file has no third line
};
TChoiceFile ParseChoiceFile(const QByteArray& bytes);
// An empty speed writes no third line.
QByteArray WriteChoiceFile(bool computer, const QString& level, const QString& speed = QString());
