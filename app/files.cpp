// TApp's file operations: the settings file and the high-score list. The formats and the safe
// reading and writing live in store/; here they are only called in the game's order.

#include "app/app.h"
#include "store/highscore.h"

#include "app/computer.h"
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

std::vector<QString> DefaultScores()
{
  return std::vector<QString>(SCORE_ENTRIES, RC4(ScoreRecord(0, DEFAULT_PLAYER), ScoreKey));
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
  TFolderLock lock(AppDir);
  WriteScores();
  return 0;
}

void TApp::WriteScores()
{
  if (!Score || ScoreUnreadable) return;
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
    ScoreIndex[p] = at == merged.end() ? -1 : int(at - merged.begin()) + 1;
  }
  Score = merged;
  const QByteArray out = WriteScoreFile(merged);
  if ((state == TFileState::Read && out == bytes) || WriteFileSafely(ScorePath(), out)) {
    NewScores.clear();
    ScoreSeen = out;
  }
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
    NewScores.push_back((*Score)[size_t(j)]);
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

void TApp::LoadPlayers()
{
  TSettingsReader reader;
  const TFileState state =
      ReadFileBuffered(SettingsPath(), [&reader](const char* data, qsizetype size) {
        return reader.Feed(data, size);
      });
  for (const QString& name : reader.Names())
    CreatePlayer(name);
  // An empty or unreadable file still gives a player to play with.
  if (PlayerCount == 0) CreatePlayer(DEFAULT_PLAYER);
  if (state == TFileState::Unreadable) SettingsUnreadable = true;
  LoadComputerChoice();
  if (state == TFileState::Absent) SaveGame();
}

void TApp::LoadComputerChoice()
{
  QByteArray bytes;
  const TFileState state = ReadFileHead(ChoicePath(), CHOICE_READ_LIMIT, bytes);
  ChoiceUnreadable = state == TFileState::Unreadable;
  if (state != TFileState::Read || !Computer) return;
  const TChoiceFile choice = ParseChoiceFile(bytes);
  // A file of one line, or a strength this version does not know, means the strongest.
  Computer->SetLevel(LevelFromName(choice.level.toStdString()).value_or(TLevel::Stark));
  ShowComputerChoice();
  if (!choice.computer) return;
  // The computer is the second player whatever name the settings file gives it.
  while (PlayerCount > 1)
    RemovePlayer();
  Computer->Plays = true;
  CreatePlayer(COMPUTER_NAME);
  ShowComputerChoice();
}

void TApp::WriteComputerChoice()
{
  if (ChoiceUnreadable) return;
  QByteArray bytes;
  const TFileState state = ReadFileHead(ChoicePath(), CHOICE_READ_LIMIT, bytes);
  const bool plays = ComputerPlays();
  const TLevel level = Computer ? Computer->Level() : TLevel::Stark;
  // Until the computer first plays or gets another strength, the data folder holds only the
  // files it always held.
  if (state == TFileState::Unreadable ||
      (state == TFileState::Absent && !plays && level == TLevel::Stark))
    return;
  const QByteArray out = WriteChoiceFile(plays, QString::fromLatin1(LevelName(level)));
  if (state != TFileState::Read || bytes != out) WriteFileSafely(ChoicePath(), out);
}

int TApp::SaveGame()
{
  TFolderLock lock(AppDir);
  // A file that cannot be read now is someone else's business: it stays as it is.
  const TFileState state =
      ReadFileBuffered(SettingsPath(), [](const char*, qsizetype) { return false; });
  if (!SettingsUnreadable && state != TFileState::Unreadable)
    WriteFileSafely(SettingsPath(), WriteSettingsFile(PlayerName));
  WriteComputerChoice();
  WriteScores();
  return 0;
}
