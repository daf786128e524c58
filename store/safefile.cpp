#include "store/safefile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

const char* const LOCK_FILE = "/wurfwummel.lock";

namespace
{
constexpr qsizetype BUFFER_SIZE = 64 * 1024;

bool WriteAll(int fd, const char* data, qsizetype size)
{
  while (size > 0) {
    const ssize_t put = ::write(fd, data, size_t(size));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false; // a full disk, or a file-size limit with SIGXFSZ ignored
    data += put;
    size -= put;
  }
  return true;
}

QByteArray FolderOf(const QByteArray& path)
{
  const qsizetype slash = path.lastIndexOf('/');
  if (slash < 0) return ".";
  if (slash == 0) return "/";
  return path.left(slash);
}

void SyncFolder(const QByteArray& folder)
{
  const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// 0666 minus the umask, as a file made by open() gets. The umask can only be read by setting it,
// so it is read once, at the first save, before anything else could create a file.
mode_t NewFileMode()
{
  static const mode_t mode = [] {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mode_t(0666 & ~mask);
  }();
  return mode;
}

// What root creates in another user's folder belongs to that user, as if the user had made it.
void GiveToFolderOwner(int fd, const QByteArray& folder)
{
  struct stat st {
  };
  if (::geteuid() != 0 || ::stat(folder.constData(), &st) != 0 || st.st_uid == 0) return;
  if (::fchown(fd, st.st_uid, st.st_gid) != 0) return;
}

// The temporary file takes the owner and the permissions of the file it will replace, where the
// process may set them; a new file gets the mode of a new file.
void TakeOverOwner(int fd, const QByteArray& path, const QByteArray& folder)
{
  struct stat old {
  };
  if (::lstat(path.constData(), &old) == 0 && S_ISREG(old.st_mode)) {
    if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
        ::fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Not allowed: the replacement is this user's own, with the old permissions.
    }
    ::fchmod(fd, old.st_mode & 0777);
  } else {
    ::fchmod(fd, NewFileMode());
    GiveToFolderOwner(fd, folder);
  }
}

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
} // namespace

TFileState ReadFileBuffered(const QByteArray& path,
                            const std::function<bool(const char*, qsizetype)>& take)
{
  // Non-blocking, so that a FIFO or a device at the path cannot hold the game up; only a
  // regular file is read at all.
  int fd;
  do
    fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno == ENOENT ? TFileState::Absent : TFileState::Unreadable;
  struct stat st {
  };
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return TFileState::Unreadable;
  }
  std::unique_ptr<char[]> buffer(new char[BUFFER_SIZE]);
  TFileState state = TFileState::Read;
  for (;;) {
    const ssize_t got = ::read(fd, buffer.get(), size_t(BUFFER_SIZE));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) state = TFileState::Unreadable;
    if (got <= 0 || !take(buffer.get(), qsizetype(got))) break;
  }
  ::close(fd);
  return state;
}

TFileState ReadFileHead(const QByteArray& path, qsizetype limit, QByteArray& bytes)
{
  bytes.clear();
  return ReadFileBuffered(path, [&](const char* data, qsizetype size) {
    bytes.append(data, std::min(size, limit - bytes.size()));
    return bytes.size() < limit;
  });
}

bool WriteFileSafely(const QByteArray& path, const QByteArray& bytes)
{
  return WriteFileIf(path, bytes, [] { return true; }) == TWriteResult::Written;
}

TWriteResult WriteFileIf(const QByteArray& path, const QByteArray& bytes,
                         const std::function<bool()>& unchanged)
{
  const QByteArray folder = FolderOf(path);
  const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
  // A fresh name each time, created exclusively: O_EXCL never follows a link planted there, and
  // two copies of the game never write into the same temporary file.
  QByteArray temp = folder + "/." + name + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return TWriteResult::Failed;
  TakeOverOwner(fd, path, folder);
  bool ok = WriteAll(fd, bytes.constData(), bytes.size()) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok && !unchanged()) {
    ::unlink(temp.constData());
    return TWriteResult::Changed;
  }
  ok = ok && ::rename(temp.constData(), path.constData()) == 0;
  if (!ok) {
    ::unlink(temp.constData());
    return TWriteResult::Failed;
  }
  SyncFolder(folder); // the rename reaches the disk with its folder
  return TWriteResult::Written;
}

bool MakeFolders(const QByteArray& path)
{
  struct stat st {
  };
  if (path.isEmpty()) return false;
  for (qsizetype slash = path.indexOf('/', 1);; slash = path.indexOf('/', slash + 1)) {
    const QByteArray prefix = slash < 0 ? path : path.left(slash);
    if (!prefix.isEmpty() && !prefix.endsWith('/')) {
      if (::stat(prefix.constData(), &st) != 0 && ::mkdir(prefix.constData(), 0777) == 0) {
        const int fd = ::open(prefix.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
          GiveToFolderOwner(fd, FolderOf(prefix));
          ::close(fd);
        }
      }
      if (::stat(prefix.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    }
    if (slash < 0) return true;
  }
}

bool IsLeftoverName(const QByteArray& name)
{
  // ".wurfwummel." + what the file is called after it + "." + six letters or digits (mkstemp's).
  static const QByteArray prefix = ".wurfwummel.";
  constexpr qsizetype TAIL = 7;
  if (!name.startsWith(prefix) || name.size() < prefix.size() + 1 + TAIL) return false;
  if (name[name.size() - TAIL] != '.') return false;
  for (qsizetype i = name.size() - TAIL + 1; i < name.size(); ++i) {
    const char c = name[i];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

int RemoveLeftovers(const QByteArray& folder, int minAgeSeconds)
{
  const int dfd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return 0;
  DIR* dir = ::fdopendir(dfd);
  if (!dir) {
    ::close(dfd);
    return 0;
  }
  const time_t now = ::time(nullptr);
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsLeftoverName(QByteArray(entry->d_name))) continue;
    struct stat st {
    };
    // Never through a link, never another user's file, never one that may still be written.
    if (::fstatat(dfd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
        st.st_uid != ::geteuid() || now - st.st_mtime < minAgeSeconds)
      continue;
    if (::unlinkat(dfd, entry->d_name, 0) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

TFolderLock::TFolderLock(const QByteArray& folder, TWait wait)
{
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
  if (fd_ < 0) return;
  struct stat st {
  };
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return;
  for (;;) {
    if (::flock(fd_, LOCK_EX | (wait == TRY ? LOCK_NB : 0)) == 0) {
      state_ = HELD;
      return;
    }
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) state_ = BUSY;
    return;
  }
}

bool TFolderLock::Wait()
{
  if (state_ != BUSY) return state_ == HELD;
  for (;;) {
    if (::flock(fd_, LOCK_EX) == 0) {
      state_ = HELD;
      return true;
    }
    if (errno != EINTR) {
      state_ = IMPOSSIBLE;
      return false;
    }
  }
}

TFolderLock::~TFolderLock()
{
  if (fd_ < 0) return;
  if (state_ == HELD) ::flock(fd_, LOCK_UN);
  ::close(fd_);
}
