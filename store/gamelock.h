#pragma once

// Which games the running copies of the game are playing. Each copy holds a lock on one byte
// of the database file for the game it plays (an open-file-description lock, far beyond the
// bytes SQLite locks, and never released by SQLite closing its own descriptors); a game whose
// byte another copy holds is not resumed. The lock goes with the process, however it ends.
// Pure: no Qt.

#include <cstdint>
#include <string>

class TGameLocks
{
public:
  // Opens the database file (never through a link); without it nothing is locked and every
  // game counts as free.
  explicit TGameLocks(const std::string& path);
  ~TGameLocks();
  TGameLocks(const TGameLocks&) = delete;
  TGameLocks& operator=(const TGameLocks&) = delete;

  // Takes the game for this copy and gives back the one it held; false when another copy
  // holds it.
  bool Take(int64_t game);
  void Release();
  // Whether another copy holds the game.
  bool HeldElsewhere(int64_t game) const;

private:
  int fd_ = -1;
  int64_t held_ = 0;
};
