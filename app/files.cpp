// TApp's file operations: the settings file and the high-score list. The formats and the safe
// reading and writing live in store/; here they are only called in the game's order.

#include "app/app.h"
#include "store/highscore.h"

#include "app/computer.h"
#include "gui/event.h"
#include "store/filepair.h"
#include "store/rc4.h"
#include "store/safefile.h"
#include "store/settingsfile.h"
#include <algorithm>

namespace
{
QByteArray ScorePath()
{
  return AppDir + SCORE_FILE;
}

QByteArray SettingsPath()
{
  return AppDir + SETTINGS_FILE;
}

QByteArray ChoicePath()
{
  return AppDir + CHOICE_FILE;
}

TFilePair PlayerPair()
{
  return TFilePair(AppDir + PAIR_FILE, {SettingsPath(), ChoicePath()});
}

// Temporary files are removed only while this copy holds the lock, so no copy is inside a save
// then (a stopped one keeps the lock); their age spares, besides, a copy on a file system
// without locks that writes one at this moment.
constexpr int LEFTOVER_AGE = 5 * 60;

std::vector<QString> DefaultScores()
{
  return std::vector<QString>(SCORE_ENTRIES, RC4(ScoreRecord(0, DEFAULT_PLAYER), ScoreKey));
}

struct TPlayerFiles {
  std::vector<QString> names;
  TFileState namesState = TFileState::Absent;
  QByteArray choice;
  TFileState choiceState = TFileState::Absent;
};

// The names and the computer choice as the files hold them, both of one moment.
TPlayerFiles ReadPlayerFiles()
{
  const TFilePair pair = PlayerPair();
  TPlayerFiles files;
  // Another copy that saves both files meanwhile is seen by Consistent; it takes it a moment, so
  // a few readings always find a quiet one.
  for (int tries = 0; tries < 100; ++tries) {
    const TFilePair::TView view = pair.Begin();
    TSettingsReader reader;
    if (view.parts[0]) {
      reader.Feed(view.parts[0]->constData(), view.parts[0]->size());
      files.namesState = TFileState::Read;
    } else {
      files.namesState =
          ReadFileBuffered(SettingsPath(), [&reader](const char* data, qsizetype size) {
            return reader.Feed(data, size);
          });
    }
    files.names = reader.Names();
    if (view.parts[1]) {
      files.choice = view.parts[1]->left(CHOICE_READ_LIMIT);
      files.choiceState = TFileState::Read;
    } else {
      files.choiceState = ReadFileHead(ChoicePath(), CHOICE_READ_LIMIT, files.choice);
    }
    if (pair.Consistent(view)) break;
  }
  return files;
}

} // namespace

int TApp::OpenScore()
{
  QByteArray bytes;
  switch (ReadFileHead(ScorePath(), SCORE_READ_LIMIT, bytes)) {
  case TFileState::Absent:
    CreateScore();
    break;
  case TFileState::Unreadable:
    // Play on with the default list, and leave the file alone.
    ScoreUnreadable = true;
    Score = DefaultScores();
    break;
  case TFileState::Read:
    Score = ParseScoreFile(bytes);
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
    const TFileState state = ReadFileHead(ScorePath(), SCORE_READ_LIMIT, bytes);
    if (state == TFileState::Unreadable) return;
    std::vector<QString> merged = *Score;
    if (state == TFileState::Read && bytes != ScoreSeen)
      merged = MergeScores(ParseScoreFile(bytes), NewScores);
    // The new entries keep their highlight at the ranks they now have.
    for (size_t p = 0; p < ScoreIndex.size(); ++p) {
      if (ScoreIndex[p] <= 0 || size_t(ScoreIndex[p]) > Score->size()) continue;
      const QString& mine = (*Score)[size_t(ScoreIndex[p] - 1)];
      const auto at = std::find(merged.begin(), merged.end(), mine);
      const int rank = int(at - merged.begin()) + 1;
      ScoreIndex[p] = at == merged.end() || rank > SCORE_ENTRIES ? -1 : rank;
    }
    Score = merged;
    const QByteArray out = WriteScoreFile(merged);
    TWriteResult result = TWriteResult::Written;
    if (state != TFileState::Read || out != bytes)
      result = WriteFileIf(ScorePath(), out, [&] {
        QByteArray now;
        return ReadFileHead(ScorePath(), SCORE_READ_LIMIT, now) == state && now == bytes;
      });
    if (result == TWriteResult::Changed) continue;
    if (result == TWriteResult::Written) {
      NewScores.clear();
      ScoreSeen = out;
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

void TApp::LoadPlayers()
{
  const TPlayerFiles files = ReadPlayerFiles();
  for (const QString& name : files.names)
    CreatePlayer(name);
  // An empty or unreadable file still gives a player to play with.
  if (PlayerCount == 0) CreatePlayer(DEFAULT_PLAYER);
  if (files.namesState == TFileState::Unreadable) SettingsUnreadable = true;
  LoadComputerChoice(files.choiceState, files.choice);
  if (files.namesState == TFileState::Absent) SaveGame();
}

void TApp::LoadComputerChoice(TFileState state, const QByteArray& bytes)
{
  ChoiceUnreadable = state == TFileState::Unreadable;
  if (state != TFileState::Read || !Computer) return;
  const TChoiceFile choice = ParseChoiceFile(bytes);
  // A file of one line, or a strength this version does not know, means the strongest; a hand
  // that wrote "Leicht" meant "leicht". No speed, or one unknown, is the normal one.
  Computer->SetLevel(LevelFromName(choice.level.toLower().toStdString()).value_or(TLevel::Stark));
  Computer->SetSpeed(SpeedFromName(choice.speed).value_or(TSpeed::Normal));
  ShowComputerChoice();
  if (!choice.computer) return;
  // The computer is the second player whatever name the settings file gives it.
  while (PlayerCount > 1)
    RemovePlayer();
  Computer->Plays = true;
  CreatePlayer(COMPUTER_NAME);
  ShowComputerChoice();
}

std::optional<QByteArray> TApp::WriteComputerChoice(TFileState state, const QByteArray& bytes) const
{
  if (ChoiceUnreadable) return {};
  const bool plays = ComputerPlays();
  const TLevel level = Computer ? Computer->Level() : TLevel::Stark;
  const TSpeed speed = Computer ? Computer->Speed() : TSpeed::Normal;
  // Until the computer first plays or gets another strength or speed, the data folder holds
  // only the files it always held.
  if (state == TFileState::Unreadable ||
      (state == TFileState::Absent && !plays && level == TLevel::Stark && speed == TSpeed::Normal))
    return {};
  const QByteArray out =
      WriteChoiceFile(plays, QString::fromLatin1(LevelName(level)),
                      speed == TSpeed::Normal ? QString() : QString::fromLatin1(SpeedName(speed)));
  if (state != TFileState::Read || bytes != out) return out;
  return {};
}

void TApp::WritePlayerFiles()
{
  // What the files hold now; under the lock nobody changes them until this save is done.
  const TPlayerFiles now = ReadPlayerFiles();
  TPairParts parts;
  // A file that cannot be read is someone else's business: it stays as it is. One whose names
  // are those of the players is not written again.
  if (!SettingsUnreadable && now.namesState != TFileState::Unreadable) {
    const QByteArray out = WriteSettingsFile(PlayerName);
    if (now.namesState != TFileState::Read || WriteSettingsFile(now.names) != out) parts[0] = out;
  }
  parts[1] = WriteComputerChoice(now.choiceState, now.choice);
  PlayerPair().Write(parts);
}

int TApp::SaveGame()
{
  TFolderLock lock(AppDir, TFolderLock::TRY);
  // Another copy is saving (or is stopped in its save): waiting here would freeze the window.
  // Everything this save would write is still in memory and goes into the files at the next
  // save, at the latest when the game ends.
  if (lock.Busy()) return 0;
  WritePlayerFiles();
  WriteScores();
  return 0;
}

void TApp::SaveAtEnd()
{
  TFolderLock lock(AppDir, TFolderLock::TRY);
  if (lock.Busy()) {
    // The window goes at once; the copy waits without it until the other copy's save is done,
    // however long that one is stopped, and then saves: ending it any sooner would lose this
    // run's names and new scores.
    if (Window) Window->SetShow(0);
    PollEvent();
    lock.Wait();
  }
  WritePlayerFiles();
  WriteScores();
}

void TApp::TidyDataFolder()
{
  TFolderLock lock(AppDir, TFolderLock::TRY);
  if (!lock.Held()) return; // another copy saves now: this is for a later start
  PlayerPair().Finish();
  RemoveLeftovers(AppDir, LEFTOVER_AGE);
}
