#pragma once

// Which games the running copies of the game are playing. Each copy holds a lock on one byte
// of a lock file of its own (wurfwummel.games beside the record) for the game it plays, and for
// each finished game whose high-score entries it has not yet written; a game whose byte another
// copy holds is neither resumed nor entered into the list by another copy. The locks are
// open-file-description locks: they go with the process however it ends, and no other
// descriptor of the process can drop them. The record's own file is never opened here: closing
// a descriptor of it would drop every lock SQLite holds on it. Pure: no Qt.

#include <cstdint>
#include <set>
#include <string>

class TGameLocks
{
public:
  // Opens (or creates) the lock file at path, never through a link; without it nothing is
  // locked and every game counts as free.
  explicit TGameLocks(const std::string& path);
  ~TGameLocks();
  TGameLocks(const TGameLocks&) = delete;
  TGameLocks& operator=(const TGameLocks&) = delete;

  // Takes the game for this copy to play and gives back the one it played; false when another
  // copy holds it.
  bool Take(int64_t game);
  // Gives back the game played (unless it is also kept).
  void Release();
  // Keeps a finished game besides the one played, until Drop; false when another copy holds it.
  bool Keep(int64_t game);
  void Drop(int64_t game);
  // Whether another copy holds the game.
  bool HeldElsewhere(int64_t game) const;
  bool Usable() const { return fd_ >= 0; }

private:
  bool Lock(int64_t game);
  void Unlock(int64_t game);
  int fd_ = -1;
  int64_t held_ = 0;
  std::set<int64_t> kept_;
};

extern const char* const GAME_LOCK_FILE; // "/wurfwummel.games"
