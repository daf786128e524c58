#include "store/gamelock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char* const GAME_LOCK_FILE = "/wurfwummel.games";

namespace
{
// Game ids are positive and below 2^62: each is the offset of its own byte.
constexpr int64_t LOCK_SPAN = int64_t(1) << 62;

struct flock ByteOf(int64_t game, short type)
{
  struct flock lock {
  };
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = off_t((game % LOCK_SPAN + LOCK_SPAN) % LOCK_SPAN);
  lock.l_len = 1;
  return lock;
}
} // namespace

TGameLocks::TGameLocks(const std::string& path)
{
  // The file stays empty; only its byte ranges are locked.
  fd_ =
      ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
  struct stat st {
  };
  if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
    ::close(fd_);
    fd_ = -1;
  }
}

TGameLocks::~TGameLocks()
{
  if (fd_ >= 0) ::close(fd_);
}

bool TGameLocks::Lock(int64_t game)
{
  if (fd_ < 0) return true;
  struct flock lock = ByteOf(game, F_WRLCK);
  return ::fcntl(fd_, F_OFD_SETLK, &lock) == 0;
}

void TGameLocks::Unlock(int64_t game)
{
  if (fd_ < 0) return;
  struct flock lock = ByteOf(game, F_UNLCK);
  ::fcntl(fd_, F_OFD_SETLK, &lock);
}

bool TGameLocks::Take(int64_t game)
{
  if (game == held_) return true;
  if (!kept_.count(game) && !Lock(game)) return false;
  Release();
  held_ = game;
  return true;
}

void TGameLocks::Release()
{
  if (held_ != 0 && !kept_.count(held_)) Unlock(held_);
  held_ = 0;
}

bool TGameLocks::Keep(int64_t game)
{
  if (kept_.count(game)) return true;
  if (game != held_ && !Lock(game)) return false;
  kept_.insert(game);
  return true;
}

void TGameLocks::Drop(int64_t game)
{
  if (!kept_.erase(game)) return;
  if (game != held_) Unlock(game);
}

bool TGameLocks::HeldElsewhere(int64_t game) const
{
  if (fd_ < 0) return false;
  struct flock lock = ByteOf(game, F_WRLCK);
  if (::fcntl(fd_, F_OFD_GETLK, &lock) != 0) return false;
  return lock.l_type != F_UNLCK;
}
