#include "store/safefile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
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

void Pause(long ms)
{
  timespec ts{0, ms * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
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
  const QByteArray folder = FolderOf(path);
  const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
  // A fresh name each time, created exclusively: O_EXCL never follows a link planted there, and
  // two copies of the game never write into the same temporary file.
  QByteArray temp = folder + "/." + name + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes.constData(), bytes.size()) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temp.constData(), path.constData()) == 0;
  if (!ok) {
    ::unlink(temp.constData());
    return false;
  }
  SyncFolder(folder); // the rename reaches the disk with its folder
  return true;
}

bool MakeFolders(const QByteArray& path)
{
  struct stat st {
  };
  if (path.isEmpty()) return false;
  for (qsizetype slash = path.indexOf('/', 1);; slash = path.indexOf('/', slash + 1)) {
    const QByteArray prefix = slash < 0 ? path : path.left(slash);
    if (!prefix.isEmpty() && !prefix.endsWith('/')) {
      if (::stat(prefix.constData(), &st) != 0) ::mkdir(prefix.constData(), 0777);
      if (::stat(prefix.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    }
    if (slash < 0) return true;
  }
}

TFolderLock::TFolderLock(const QByteArray& folder)
{
  fd_ = ::open((folder + LOCK_FILE).constData(),
               O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600);
  if (fd_ < 0) return;
  struct stat st {
  };
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return;
  // The other copy holds it for the few milliseconds of a save; two seconds is plenty.
  for (int tries = 0; tries < 200; ++tries) {
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
      held_ = true;
      return;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) return;
    Pause(10);
  }
}

TFolderLock::~TFolderLock()
{
  if (fd_ < 0) return;
  if (held_) ::flock(fd_, LOCK_UN);
  ::close(fd_);
}
