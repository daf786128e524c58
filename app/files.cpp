// TApp's file operations: the settings file and the high-score list. The formats and the safe
// reading and writing live in store/; here they are only called in the game's order.

#include "app/app.h"
#include "app/netgame.h"
#include "store/highscore.h"

#include "app/computer.h"
#include "app/datafiles.h"
#include "gui/driver.h"
#include "gui/event.h"
#include "gui/toolkit.h"
#include "store/filepair.h"
#include "store/rc4.h"
#include "store/safefile.h"
#include "store/settingsfile.h"
#include <QStringList>
#include <algorithm>

using namespace datafiles;

namespace
{
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
  const bool plays = ComputerChosen();
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
  PlayerPair().Write(PlayerParts(), FirstOfPair(ComputerChosen()));
}

TPairParts TApp::PlayerParts() const
{
  // What the files hold now; under the lock nobody changes them until this save is done.
  const TPlayerFiles now = ReadPlayerFiles();
  TPairParts parts;
  // A file that cannot be read is someone else's business: it stays as it is. One whose names
  // are those of the players is not written again.
  if (!SettingsUnreadable && now.namesState != TFileState::Unreadable) {
    // A game over the network has the sheets: the files keep this computer's players.
    const QByteArray out = WriteSettingsFile(Net && Net->Playing() ? Net->LocalNames : PlayerName);
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
  // The record learns first that the finished games' entries go aside: the next start then
  // leaves them to the merge of this file.
  if (parts[2]) ListingAside();
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
