// TApp's high-score list: read at start, entered at the end of a game, written under the
// folder's lock, and kept in step with the record's finished games.

#include "app/datafiles.h"
#include "app/recorder.h"

#include <QCryptographicHash>
#include <algorithm>

using namespace datafiles;

namespace
{
// What the record keeps of a score file that is about to be written with a game's entries.
std::string Digest(const QByteArray& bytes)
{
  return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString();
}

// The mark of entries that went into a kept-aside file rather than the score file.
const std::string ASIDE_MARK = "aside";
} // namespace

int TApp::OpenScore()
{
  QByteArray bytes;
  TFileState state = ReadScoreBytes(bytes);
  std::vector<QString> records;
  if (state == TFileState::Read && !ReadWhole(bytes, records)) {
    ScoreTooLarge = true;
    state = TFileState::Unreadable;
  }
  switch (state) {
  case TFileState::Absent:
    CreateScore();
    break;
  case TFileState::Unreadable:
    // Play on with the default list, and leave the file alone.
    ScoreUnreadable = true;
    Score = DefaultScores();
    break;
  case TFileState::Read:
    Score = records;
    ScoreSeen = bytes;
    break;
  }
  return 0;
}

int TApp::CreateScore()
{
  if (Score) return 0;
  Score = DefaultScores();
  SaveScore();
  return 0;
}

int TApp::SaveScore()
{
  TFolderLock lock(AppDir, TFolderLock::TRY);
  // Another copy is saving: this list goes into the file at the next save, at the latest when
  // the game ends. Start-up never waits.
  if (lock.Busy()) return 0;
  WriteScores();
  return 0;
}

void TApp::WriteScores()
{
  if (!Score || ScoreUnreadable) return;
  // The file may only be replaced while it still holds what the list was merged with; under
  // the lock nobody else writes it, and without one a change is merged again.
  for (int round = 0; round < 16; ++round) {
    QByteArray bytes;
    std::vector<QString> onDisk;
    const TFileState state = ReadScoreBytes(bytes);
    if (state == TFileState::Unreadable || (state == TFileState::Read && !ReadWhole(bytes, onDisk)))
      return;
    std::vector<QString> merged = *Score;
    if (state == TFileState::Read && bytes != ScoreSeen) merged = MergeScores(onDisk, NewScores);
    // The new entries keep their highlight at the ranks they now have.
    for (size_t p = 0; p < ScoreIndex.size(); ++p) {
      if (ScoreIndex[p] <= 0 || size_t(ScoreIndex[p]) > Score->size()) continue;
      const QString& mine = (*Score)[size_t(ScoreIndex[p] - 1)];
      const auto at = std::find(merged.begin(), merged.end(), mine);
      const int rank = int(at - merged.begin()) + 1;
      ScoreIndex[p] = at == merged.end() || rank > SCORE_ENTRIES ? -1 : rank;
    }
    Score = merged;
    // A file whose records are those of the list is left as it is, whatever its line ends.
    const bool same = state == TFileState::Read && merged == onDisk;
    const QByteArray out = same ? bytes : WriteScoreFile(merged);
    TWriteResult result = TWriteResult::Written;
    if (!same && Record) Record->Listing(ListingGames, Digest(out));
    if (!same)
      result = WriteFileIf(ScorePath(), out, [&] {
        QByteArray now;
        return ReadScoreBytes(now) == state && now == bytes;
      });
    if (result == TWriteResult::Changed) continue;
    if (result == TWriteResult::Written) {
      NewScores.clear();
      ScoreSeen = out;
      if (Record) Record->Listed(ListingGames);
      ListingGames.clear();
    }
    return;
  }
}

bool TApp::CheckScore()
{
  if (!Score) return false;
  ScoreIndex = {-1, -1};
  // The list is of games played without help; the person was told before the first hint.
  if (HintUsed) return false;
  bool result = false;
  for (int p = 0; p < PlayerCount && p < 2; ++p) {
    const int total = GrandTotal(p);
    // A player without points never enters, and takes nothing from another's entry.
    if (total == 0) continue;
    const int j = InsertScore(*Score, total, PlayerName[size_t(p)]);
    if (j < 0) continue;
    NewScores.push_back((*Score)[size_t(j)]);
    ScoreIndex[size_t(p)] = j + 1;
    result = true;
    // An entry at or above player 0's pushes that one down a rank, or off the list.
    if (p == 1 && ScoreIndex[0] > 0 && j + 1 <= ScoreIndex[0]) {
      ScoreIndex[0] += 1;
      if (ScoreIndex[0] > std::min(int(Score->size()), SCORE_ENTRIES)) ScoreIndex[0] = -1;
    }
  }
  return result;
}

void TApp::ListFinishedGames()
{
  if (!Record || !Score || ScoreUnreadable) return;
  // Under the lock no other copy writes the list or lists a game meanwhile; when another copy
  // saves now, a later start lists them.
  TFolderLock lock(AppDir, TFolderLock::TRY);
  if (!lock.Held()) return;
  const std::vector<TRecordDb::TUnlisted> games = Record->Unlisted();
  if (games.empty()) return;
  QByteArray bytes;
  ReadScoreBytes(bytes);
  const std::string digest = Digest(bytes);
  const bool asides = !FindOwnFiles(AppDir, ASIDE_PREFIX).empty();
  std::vector<int64_t> done;
  for (const TRecordDb::TUnlisted& game : games) {
    // Killed after the file was written, or after a kept-aside file was merged into it: the
    // entries are in.
    if (game.file == digest || (game.file == ASIDE_MARK && !asides)) {
      done.push_back(game.game);
      continue;
    }
    if (game.file == ASIDE_MARK) continue; // its kept-aside file is still to be merged
    for (const auto& [name, total] : game.entries) {
      const int j = InsertScore(*Score, total, QString::fromUtf8(name.c_str(), int(name.size())));
      if (j >= 0) NewScores.push_back((*Score)[size_t(j)]);
    }
    ListingGames.push_back(game.game);
  }
  Record->Listed(done);
  if (!ListingGames.empty()) WriteScores();
}

void TApp::ListingAside() const
{
  if (Record) Record->Listing(ListingGames, ASIDE_MARK);
}
