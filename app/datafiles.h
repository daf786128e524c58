#pragma once

// The data folder's files as TApp's file operations (files.cpp, scores.cpp) name, read and merge
// them; the formats and the safe reading and writing live in store/.

#include "app/app.h"
#include "store/filepair.h"
#include "store/highscore.h"
#include "store/rc4.h"
#include "store/safefile.h"
#include "store/scorefile.h"
#include "store/settingsfile.h"

#include <vector>

// In a namespace of their own: the tests have helpers of the same names.
namespace datafiles
{
inline QByteArray ScorePath()
{
  return AppDir + SCORE_FILE;
}

inline QByteArray SettingsPath()
{
  return AppDir + SETTINGS_FILE;
}

inline QByteArray ChoicePath()
{
  return AppDir + CHOICE_FILE;
}

inline TFilePair PlayerPair()
{
  return TFilePair(AppDir + PAIR_FILE, {SettingsPath(), ChoicePath()});
}

// Temporary files are removed only while this copy holds the lock, so no copy is inside a save
// then (a stopped one keeps the lock); their age spares, besides, a copy on a file system
// without locks that writes one at this moment.
constexpr int LEFTOVER_AGE = 5 * 60;

inline std::vector<QString> DefaultScores()
{
  return std::vector<QString>(SCORE_ENTRIES, RC4(ScoreRecord(0, DEFAULT_PLAYER), ScoreKey));
}

// A score file is read whole or not at all: records that were not read could not be written
// back, and a save would drop them. False for a file too large for that.
inline bool ReadWhole(const QByteArray& bytes, std::vector<QString>& records)
{
  if (bytes.size() > SCORE_READ_LIMIT) return false;
  records = ParseScoreFile(bytes);
  return WriteScoreFile(records).size() <= SCORE_READ_LIMIT;
}

inline TFileState ReadScoreBytes(QByteArray& bytes)
{
  return ReadFileHead(ScorePath(), SCORE_READ_LIMIT + 1, bytes);
}

// The names of a copy's kept-aside file: what it would have written, had it been able to save.
inline const QByteArray ASIDE_PREFIX = "wurfwummel.aside.";
inline const std::vector<QByteArray> ASIDE_NAMES = {"wurfwummel.cfg", "wurfwummel.cpu",
                                                    "wurfwummel.scr"};
constexpr qsizetype ASIDE_LIMIT = 64 * 1024;

// Where the names and the choice must be written one after the other, the choice goes first
// when the computer plays afterwards, else the names: half-way, the computer then either plays
// already or still, and never becomes a person called "Computer".
inline size_t FirstOfPair(bool computerPlays)
{
  return computerPlays ? 1 : 0;
}

// Enters records into the score file; the caller holds the lock. False when the file cannot
// be read whole, or written.
inline bool MergeIntoScoreFile(const std::vector<QString>& records)
{
  QByteArray bytes;
  std::vector<QString> onDisk = DefaultScores();
  const TFileState state = ReadScoreBytes(bytes);
  if (state == TFileState::Unreadable) return false;
  if (state == TFileState::Read && !ReadWhole(bytes, onDisk)) return false;
  const QByteArray out = WriteScoreFile(MergeScores(onDisk, records));
  return (state == TFileState::Read && out == bytes) || WriteFileSafely(ScorePath(), out);
}
} // namespace datafiles
