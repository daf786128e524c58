// The folder's lock: a lock file that every copy locks for each save, or, where the file system
// has no locks, a second file made whole by a hard link and taken over when its maker is gone.

#include "store/filesys.h"
#include "store/ownerrights.h"
#include "store/safefile.h"

#include <QList>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

using namespace filesys;

const char* const LOCK_FILE = "/wurfwummel.lock";
const char* const DOT_LOCK_FILE = "/wurfwummel.lck";

namespace
{
int OpenLockFile(const QByteArray& path)
{
  return ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
}

bool ReplaceLockFile(const QByteArray& path, const QByteArray& folder)
{
  QByteArray temp = folder + "/.wurfwummel.lock.XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  ::fchmod(fd, NewFileMode());
  GiveToFolderOwner(fd, folder);
  ::close(fd);
  if (::rename(temp.constData(), path.constData()) == 0) return true;
  ::unlink(temp.constData());
  return false;
}

QByteArray ReadSmall(const QByteArray& path)
{
  QByteArray bytes;
  if (ReadFileHead(path, 256, bytes) != TFileState::Read) return QByteArray();
  return bytes;
}

QByteArray FirstLine(const QByteArray& path)
{
  const QByteArray bytes = ReadSmall(path);
  return bytes.left(bytes.indexOf('\n')).trimmed();
}

// The start time of a process in clock ticks since boot, as /proc shows it; empty when there
// is no such process.
QByteArray StartTime(const QByteArray& pid)
{
  QByteArray stat;
  if (ReadFileHead("/proc/" + pid + "/stat", 1024, stat) != TFileState::Read) return QByteArray();
  // The command name in parentheses may hold spaces; the fields after it do not.
  const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
  return fields.value(19); // field 22 of the line, the 20th after the name
}

QByteArray HostName()
{
  char name[256] = {};
  ::gethostname(name, sizeof name - 1);
  return QByteArray(name);
}

// "<pid> <start time> <boot id> <host>": who holds the second lock file.
QByteArray LockToken()
{
  const QByteArray pid = QByteArray::number(qint64(::getpid()));
  return pid + ' ' + StartTime(pid) + ' ' + FirstLine("/proc/sys/kernel/random/boot_id") + ' ' +
         HostName() + '\n';
}

// A lock whose maker no longer runs: on this machine in this boot, its process is gone (or is
// another one of the same number); made before a reboot of this machine; elsewhere (a shared
// folder), not touched for STALE_LOCK_SECONDS. Something unreadable counts by its age alone.
bool Stale(const QByteArray& token, const struct stat& st)
{
  const QList<QByteArray> f = token.trimmed().split(' ');
  const bool old = ::time(nullptr) - st.st_mtime >= STALE_LOCK_SECONDS;
  if (f.size() != 4) return old;
  if (f[3] != HostName()) return old;
  if (f[2] != FirstLine("/proc/sys/kernel/random/boot_id")) return true;
  return StartTime(f[0]) != f[1];
}

bool SameFile(const struct stat& a, const struct stat& b)
{
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
} // namespace

TFolderLock::TFolderLock(const QByteArray& folder, TWait wait) : folder_(folder)
{
  const TOwnerRights rights;
  const QByteArray path = folder + LOCK_FILE;
  // Read access is all a lock needs; the file is made readable for whoever may save here.
  fd_ =
      ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd_ >= 0) {
    GiveToFolderOwner(fd_, folder);
  } else if (errno == EEXIST) {
    fd_ = OpenLockFile(path);
    // A lock file that only root may open, left by an older version started as root, would
    // keep this user's copies from ever locking: a fresh one takes its place.
    if (fd_ < 0 && errno == EACCES && ReplaceLockFile(path, folder)) fd_ = OpenLockFile(path);
  }
  struct stat st {
  };
  if (fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) {
    for (;;) {
      if (::flock(fd_, LOCK_EX | (wait == TRY ? LOCK_NB : 0)) == 0) {
        state_ = HELD;
        return;
      }
      if (errno == EINTR) continue;
      if (errno == EWOULDBLOCK) {
        state_ = BUSY;
        return;
      }
      break; // no locks on this file system
    }
  }
  // No lock file to lock: the second file takes its place.
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  dot_ = true;
  TakeDotLock();
  if (wait == WAIT) Wait();
}

bool TFolderLock::TakeDotLock()
{
  const TOwnerRights rights;
  const QByteArray path = folder_ + DOT_LOCK_FILE;
  if (token_.isEmpty()) token_ = LockToken();
  // Two tries: the second after taking away a stale lock.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const QByteArray temp = WriteNewFile(folder_ + "/.wurfwummel.lck.", token_);
    if (temp.isEmpty()) {
      state_ = IMPOSSIBLE;
      return false;
    }
    const bool linked = ::link(temp.constData(), path.constData()) == 0;
    const int error = errno;
    ::unlink(temp.constData());
    if (linked) {
      state_ = HELD;
      return true;
    }
    if (error != EEXIST) {
      state_ = IMPOSSIBLE;
      return false;
    }
    state_ = BUSY;
    struct stat st {
    };
    if (::lstat(path.constData(), &st) != 0) continue; // gone meanwhile
    const QByteArray holder = ReadSmall(path);
    if (!Stale(holder, st)) return false;
    // Taken away by moving it to a name of its own first: only the copy whose move took exactly
    // the stale file removes it; a fresh lock moved by mistake is put back.
    const QByteArray aside = WriteNewFile(folder_ + "/.wurfwummel.lck.", QByteArray());
    if (aside.isEmpty() || ::rename(path.constData(), aside.constData()) != 0) {
      if (!aside.isEmpty()) ::unlink(aside.constData());
      continue;
    }
    struct stat moved {
    };
    if (::lstat(aside.constData(), &moved) != 0 || !SameFile(moved, st) ||
        ReadSmall(aside) != holder) {
      // Put back. Should a third copy have made a lock in that instant, two copies hold one;
      // the check of the score file right before its rename still sees the other's save.
      if (::link(aside.constData(), path.constData()) != 0) {
      }
    }
    ::unlink(aside.constData());
  }
  return false;
}

bool TFolderLock::Wait(const std::function<bool(int)>& pause)
{
  if (state_ != BUSY) return state_ == HELD;
  for (;;) {
    if (dot_) {
      if (TakeDotLock()) return true;
      if (state_ == IMPOSSIBLE) return false;
    } else {
      if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        state_ = HELD;
        return true;
      }
      if (errno != EINTR && errno != EWOULDBLOCK) {
        state_ = IMPOSSIBLE;
        return false;
      }
    }
    // A look every few hundredths of a second costs nothing, and lets the caller give up.
    if (pause) {
      if (pause(30)) return false;
    } else {
      const timespec step{0, 30 * 1000 * 1000};
      ::nanosleep(&step, nullptr);
    }
  }
}

TFolderLock::~TFolderLock()
{
  if (dot_) {
    const TOwnerRights rights;
    const QByteArray path = folder_ + DOT_LOCK_FILE;
    // Only this copy's own: a copy that thought it stale may have replaced it meanwhile.
    if (state_ == HELD && ReadSmall(path) == token_) ::unlink(path.constData());
    return;
  }
  if (fd_ < 0) return;
  if (state_ == HELD) ::flock(fd_, LOCK_UN);
  ::close(fd_);
}
