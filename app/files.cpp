// TApp's file operations: the settings file and the high-score list. The formats and the safe
// reading and writing live in store/; here they are only called in the game's order.

#include "app/app.h"
#include "store/highscore.h"

#include "app/computer.h"
#include "gui/driver.h"
#include "gui/event.h"
#include "gui/toolkit.h"
#include "store/filepair.h"
#include "store/rc4.h"
#include "store/safefile.h"
#include "store/settingsfile.h"
#include <QStringList>
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

// A score file is read whole or not at all: records that were not read could not be written
// back, and a save would drop them. False for a file too large for that.
bool ReadWhole(const QByteArray& bytes, std::vector<QString>& records)
{
  if (bytes.size() > SCORE_READ_LIMIT) return false;
  records = ParseScoreFile(bytes);
  return WriteScoreFile(records).size() <= SCORE_READ_LIMIT;
}

TFileState ReadScoreBytes(QByteArray& bytes)
{
  return ReadFileHead(ScorePath(), SCORE_READ_LIMIT + 1, bytes);
}

// The names of a copy's kept-aside file: what it would have written, had it been able to save.
const QByteArray ASIDE_PREFIX = "wurfwummel.aside.";
const std::vector<QByteArray> ASIDE_NAMES = {"wurfwummel.cfg", "wurfwummel.cpu", "wurfwummel.scr"};
constexpr qsizetype ASIDE_LIMIT = 64 * 1024;

// Where the names and the choice must be written one after the other, the choice goes first
// when the computer plays afterwards, else the names: half-way, the computer then either plays
// already or still, and never becomes a person called "Computer".
size_t FirstOfPair(bool computerPlays)
{
  return computerPlays ? 1 : 0;
}

// Enters records into the score file; the caller holds the lock. False when the file cannot
// be read whole, or written.
bool MergeIntoScoreFile(const std::vector<QString>& records)
{
  QByteArray bytes;
  std::vector<QString> onDisk = DefaultScores();
  const TFileState state = ReadScoreBytes(bytes);
  if (state == TFileState::Unreadable) return false;
  if (state == TFileState::Read && !ReadWhole(bytes, onDisk)) return false;
  const QByteArray out = WriteScoreFile(MergeScores(onDisk, records));
  return (state == TFileState::Read && out == bytes) || WriteFileSafely(ScorePath(), out);
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
    if (!same)
      result = WriteFileIf(ScorePath(), out, [&] {
        QByteArray now;
        return ReadScoreBytes(now) == state && now == bytes;
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
  PlayerPair().Write(PlayerParts(), FirstOfPair(ComputerPlays()));
}

TPairParts TApp::PlayerParts() const
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
  return parts;
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
  QByteArray aside;
  if (lock.Busy()) {
    // The window goes at once; the copy waits without it until the other copy's save is done,
    // however long that one is stopped, and then saves. What it would save is first kept aside
    // in a file of its own, so that a further terminate request ends the wait at once, and not
    // even a kill loses this run's names and new scores: the next start puts them in.
    if (Window) Window->SetShow(0);
    PollEvent();
    aside = PutAside();
    bool asked = false;
    lock.Wait([&asked](int milliseconds) { return asked = WaitForTerminateRequest(milliseconds); });
    if (asked) return;
    // A start may have put them into the files meanwhile.
    QByteArray ignored;
    if (!aside.isEmpty() && ReadFileHead(aside, 0, ignored) == TFileState::Absent) return;
  }
  WritePlayerFiles();
  WriteScores();
  // Written twice, rather than not at all, should this copy die right here.
  if (!aside.isEmpty()) RemoveFile(aside);
}

QByteArray TApp::PutAside() const
{
  const TPairParts pair = PlayerParts();
  TParts parts = {pair[0], pair[1], std::nullopt};
  if (!NewScores.empty() && !ScoreUnreadable) parts[2] = WriteScoreFile(NewScores);
  if (!parts[0] && !parts[1] && !parts[2]) return QByteArray();
  return WriteNewFile(AppDir + "/" + ASIDE_PREFIX, WriteJournal(ASIDE_NAMES, parts));
}

void TApp::MergeAside()
{
  for (const QByteArray& name : FindOwnFiles(AppDir, ASIDE_PREFIX)) {
    const QByteArray path = AppDir + "/" + name;
    QByteArray bytes;
    TParts parts;
    // Anything else of that name is not the game's: it stays.
    if (ReadFileHead(path, ASIDE_LIMIT + 1, bytes) != TFileState::Read ||
        bytes.size() > ASIDE_LIMIT || !ParseJournal(bytes, ASIDE_NAMES, parts))
      continue;
    bool done = true;
    if (parts[0] || parts[1]) {
      // Never over a file that cannot be read: that one stays as it is, and so does this.
      QByteArray ignored;
      const bool readable = ReadFileHead(SettingsPath(), 0, ignored) != TFileState::Unreadable &&
                            ReadFileHead(ChoicePath(), 0, ignored) != TFileState::Unreadable;
      const bool computer = parts[1] && ParseChoiceFile(*parts[1]).computer;
      done = readable && PlayerPair().Write({parts[0], parts[1]}, FirstOfPair(computer));
    }
    if (done && parts[2]) done = MergeIntoScoreFile(ParseScoreFile(*parts[2]));
    if (done) RemoveFile(path);
  }
}

void TApp::TidyDataFolder()
{
  TFolderLock lock(AppDir, TFolderLock::TRY);
  if (!lock.Held()) return; // another copy saves now: this is for a later start
  PlayerPair().Finish();
  MergeAside();
  RemoveLeftovers(AppDir, LEFTOVER_AGE);
}

void TApp::TellUnreadable()
{
  QStringList files;
  if (SettingsUnreadable) files << "wurfwummel.cfg (Spielernamen)";
  if (ScoreUnreadable)
    files << (ScoreTooLarge ? "wurfwummel.scr (Highscores, zu groß)"
                            : "wurfwummel.scr (Highscores)");
  if (ChoiceUnreadable) files << "wurfwummel.cpu (Computergegner)";
  if (files.isEmpty()) return;
  Notify("Wurfwummel kann diese Dateien im Ordner „" + AppPath +
         "“ nicht lesen: " + files.join(", ") +
         ". Sie bleiben unverändert; was in ihnen gespeichert würde, geht am Ende dieses Spiels "
         "verloren.");
}
