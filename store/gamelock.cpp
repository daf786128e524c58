#include "store/gamelock.h"

#include <fcntl.h>
#include <unistd.h>

namespace
{
// SQLite locks bytes around 1 GiB; the games' bytes lie from 1 TiB on.
constexpr off_t LOCK_BASE = off_t(1) << 40;
constexpr int64_t LOCK_SPAN = int64_t(1) << 40;

struct flock ByteOf(int64_t game, short type)
{
  struct flock lock {
  };
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = LOCK_BASE + off_t((game % LOCK_SPAN + LOCK_SPAN) % LOCK_SPAN);
  lock.l_len = 1;
  return lock;
}
} // namespace

TGameLocks::TGameLocks(const std::string& path)
{
  fd_ = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
}

TGameLocks::~TGameLocks()
{
  // Closing this descriptor would also drop SQLite's own locks on the file if this process
  // still had the database open; the owner closes the database first.
  if (fd_ >= 0) ::close(fd_);
}

bool TGameLocks::Take(int64_t game)
{
  if (game == held_) return true;
  Release();
  if (fd_ < 0) return true;
  struct flock lock = ByteOf(game, F_WRLCK);
  if (::fcntl(fd_, F_OFD_SETLK, &lock) != 0) return false;
  held_ = game;
  return true;
}

void TGameLocks::Release()
{
  if (fd_ < 0 || held_ == 0) return;
  struct flock lock = ByteOf(held_, F_UNLCK);
  ::fcntl(fd_, F_OFD_SETLK, &lock);
  held_ = 0;
}

bool TGameLocks::HeldElsewhere(int64_t game) const
{
  if (fd_ < 0) return false;
  struct flock lock = ByteOf(game, F_WRLCK);
  if (::fcntl(fd_, F_OFD_GETLK, &lock) != 0) return false;
  return lock.l_type != F_UNLCK;
}
