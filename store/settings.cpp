// The settings file of TApp: the player names, one line each, read at start-up and written by
// every save.

#include "app/app.h"
#include "gui/runtime.h"
#include "gui/stream.h"
#include "store/atomicfile.h"

namespace
{
// The game has room for two players; further lines are ignored.
constexpr int MAX_PLAYERS = 2;
} // namespace

void TApp::LoadPlayers()
{
  const QString path = AppPath + SETTINGS_FILE;
  if (FileType(path) == 1) {
    if (TStreamPtr stream = OpenFileRead(path)) {
      while (!stream->Eof() && PlayerCount < MAX_PLAYERS)
        CreatePlayer(ReadLine(*stream));
      stream->Close();
    }
    // An empty or unreadable file still gives a player to play with.
    if (PlayerCount == 0) CreatePlayer(DEFAULT_PLAYER);
    return;
  }
  CreatePlayer(DEFAULT_PLAYER);
  SaveGame();
}

int TApp::SaveGame()
{
  WriteLinesAtomic(AppPath + SETTINGS_FILE, PlayerName);
  SaveScore();
  return 0;
}
