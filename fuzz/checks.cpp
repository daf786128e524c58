#include "fuzz/checks.h"

#include "gui/pixmap.h"
#include "gui/stream.h"
#include "store/recorddb.h"
#include "store/scorefile.h"
#include "store/settingsfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <sqlite3.h>

namespace
{
// A read-only stream over bytes in memory.
class TBytesStream : public TStream
{
public:
  explicit TBytesStream(const QByteArray& bytes) : bytes_(bytes) {}
  int Read(void* buf, int n) override
  {
    const int take = int(std::min<int64_t>(n, Size() - pos_));
    if (take <= 0) return 0;
    std::memcpy(buf, bytes_.constData() + pos_, size_t(take));
    pos_ += take;
    return take;
  }
  int Write(const void*, int) override { return 0; }
  int64_t Pos() override { return pos_; }
  int64_t Size() override { return bytes_.size(); }
  int64_t Seek(int64_t pos) override { return pos_ = std::clamp<int64_t>(pos, 0, Size()); }

private:
  const QByteArray& bytes_;
  int64_t pos_ = 0;
};

// Nobody else holds a lock on the file: a wait would only slow the fuzzing down.
constexpr int RECORD_BUSY_MS = 10;
// Open games played back from one file; a start plays back the newest and ends the others.
constexpr size_t RECORD_GAMES = 8;

QByteArray FileBytes(const QString& path)
{
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The first column of each row of a statement, as text; false when it cannot be read.
bool Column(sqlite3* db, const char* sql, std::vector<std::string>& values)
{
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
    sqlite3_finalize(st);
    return false;
  }
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    const unsigned char* text = sqlite3_column_text(st, 0);
    values.push_back(text ? reinterpret_cast<const char*>(text) : "");
  }
  sqlite3_finalize(st);
  return rc == SQLITE_DONE;
}

// What a game played back must be, whatever the record held.
QString CheckPlayedBack(const std::vector<TAction>& actions, const TGameState& state)
{
  if (state.seats.empty() || state.seats.size() > 2 || state.players.size() != state.seats.size())
    return "a game played back with no seat, too many or without its players";
  if (state.turn < 0 || state.turn >= int(state.seats.size()))
    return "a game played back with the turn at no seat";
  for (const TSeatState& seat : state.seats) {
    if (seat.rolls < 0 || seat.rolls > RECORD_MAX_ROLLS) return "more throws than a turn has";
    int filled = 0;
    for (int row = 0; row < SHEET_ROWS; ++row)
      for (int column = 0; column < SHEET_COLUMNS; ++column)
        filled += seat.sheet.IsFree(row, column) ? 0 : 1;
    if (filled != seat.entries) return "entries and filled cells differ";
    if (seat.thrown)
      for (int face : seat.dice)
        if (face < 1 || face > 6) return "dice that no throw shows";
  }
  TGameState again;
  if (!ReplayGame(actions, again) || !(again == state)) return "a second playback differs";
  return QString();
}

// Everything a start and the statistics read from a record the game has taken.
QString ReadRecord(TRecordDb& db)
{
  // A table's name may be stored as a blob, which sorts after every text.
  std::vector<std::string> values;
  const std::vector<std::string> own = {std::to_string(RECORD_APPLICATION_ID),
                                        std::to_string(RECORD_SCHEMA),
                                        "actions",
                                        "games",
                                        "lineup",
                                        "netsteps",
                                        "network",
                                        "players",
                                        "unlisted"};
  if (Column(db.Handle(), "PRAGMA application_id", values) &&
      Column(db.Handle(), "PRAGMA user_version", values) &&
      Column(db.Handle(),
             "SELECT CAST(name AS TEXT) AS n FROM sqlite_schema WHERE type = 'table' ORDER BY n",
             values) &&
      values != own)
    return "a file taken without the game's mark, version and tables";
  std::vector<TRecordDb::TOpenGame> games;
  if (db.OpenGames(games)) {
    for (size_t i = 0; i < games.size() && i < RECORD_GAMES; ++i) {
      std::vector<TAction> actions;
      TGameState state;
      if (!db.LoadActions(games[i].id, actions) || !ReplayGame(actions, state)) continue;
      const QString fault = CheckPlayedBack(actions, state);
      if (!fault.isEmpty()) return fault;
    }
  }
  std::vector<TRecordDb::TUnlisted> unlisted;
  db.Unlisted(unlisted);
  TStatistics stats;
  db.ReadStatistics(stats);
  std::vector<TStatsRow> rows;
  db.StatsRows(rows);
  return QString();
}
} // namespace

QString CheckScoreFile(const QByteArray& bytes)
{
  const std::vector<QString> first = ParseScoreFile(bytes);
  if (qsizetype(first.size()) > bytes.left(SCORE_READ_LIMIT).count('\n') + 1)
    return "more records than lines";
  const QByteArray written = WriteScoreFile(first);
  // At most a CR added before each LF (a record read across lines of an editor's bare LFs gets
  // back the CR LF it was written with), and a CR LF after the last record.
  const QByteArray head = bytes.left(SCORE_READ_LIMIT);
  if (written.size() > head.size() + head.count('\n') + 2) return "the save grows the file";
  const std::vector<QString> second = ParseScoreFile(written);
  if (second != first) return "the second reading differs from the first";
  if (WriteScoreFile(second) != written) return "the second save differs from the first";
  return QString();
}

QString CheckSettingsFile(const QByteArray& bytes)
{
  const std::vector<QString> first = ParseSettingsFile(bytes);
  if (first.size() > size_t(SETTINGS_PLAYERS)) return "more than two names";
  const QByteArray written = WriteSettingsFile(first);
  if (written.size() > bytes.size() + 2 * SETTINGS_PLAYERS) return "the save grows the file";
  if (ParseSettingsFile(written) != first) return "the second reading differs from the first";
  return QString();
}

QString CheckPng(const QByteArray& bytes)
{
  TBytesStream stream(bytes);
  const TPixmapPtr pixmap = LoadPixmapPNG(stream);
  if (!pixmap) return QString();
  if (pixmap->width <= 0 || pixmap->height <= 0 || pixmap->width > PIXMAP_MAX_SIDE ||
      pixmap->height > PIXMAP_MAX_SIDE)
    return "a picture of an absurd size";
  if (pixmap->pixels.size() != size_t(pixmap->pitch) * size_t(pixmap->height))
    return "the pixels do not fill the picture";
  return QString();
}

QString CheckRecordFile(const QByteArray& bytes)
{
  QTemporaryDir dir;
  if (!dir.isValid()) return "no folder for the record";
  const QString path = dir.filePath("wurfwummel.db");
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
      return "the record cannot be written";
  }
  QString fault;
  TRecordProblem problem = TRecordProblem::None;
  if (std::unique_ptr<TRecordDb> db =
          TRecordDb::Open(QFile::encodeName(path).toStdString(), RECORD_BUSY_MS, problem)) {
    if (problem != TRecordProblem::None) return "a file taken with a problem";
    fault = ReadRecord(*db);
  } else if (problem == TRecordProblem::None) {
    fault = "a file refused without a problem";
  } else if (FileBytes(path) != bytes) {
    fault = "a refused file was changed";
  }
  // Each input in a folder of its own: no journal of one is found beside the next.
  if (!dir.remove()) return "the record's folder cannot be removed";
  return fault;
}
