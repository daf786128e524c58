#include "store/safefile.h"

#include "store/filesys.h"
#include "store/ownerrights.h"

#include <QList>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace filesys
{
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

} // namespace filesys

using namespace filesys;

namespace
{
constexpr qsizetype BUFFER_SIZE = 64 * 1024;

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

} // namespace

TFileState ReadFileBuffered(const QByteArray& path,
                            const std::function<bool(const char*, qsizetype)>& take)
{
  // Non-blocking, so that a FIFO or a device at the path cannot hold the game up; only a
  // regular file is read at all.
  // A link at the name is never followed: as root it could reach what the folder's owner may
  // not read, and the game's own file is the one it later replaces, not what a link points at.
  const TOwnerRights rights;
  int fd;
  do
    fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW);
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
  const TOwnerRights rights;
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
  const TOwnerRights rights;
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
  const TOwnerRights rights;
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
        st.st_uid != FileUser() || now - st.st_mtime < minAgeSeconds)
      continue;
    if (::unlinkat(dfd, entry->d_name, 0) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}

std::vector<QByteArray> FindOwnFiles(const QByteArray& folder, const QByteArray& prefix)
{
  const TOwnerRights rights;
  std::vector<std::pair<timespec, QByteArray>> found;
  const int dfd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return {};
  DIR* dir = ::fdopendir(dfd);
  if (!dir) {
    ::close(dfd);
    return {};
  }
  while (const dirent* entry = ::readdir(dir)) {
    const QByteArray name(entry->d_name);
    struct stat st {
    };
    if (!name.startsWith(prefix) || ::fstatat(dfd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode) || st.st_uid != FileUser() || st.st_nlink != 1)
      continue;
    found.emplace_back(st.st_mtim, name);
  }
  ::closedir(dir);
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    if (a.first.tv_sec != b.first.tv_sec) return a.first.tv_sec < b.first.tv_sec;
    if (a.first.tv_nsec != b.first.tv_nsec) return a.first.tv_nsec < b.first.tv_nsec;
    return a.second < b.second;
  });
  std::vector<QByteArray> names;
  for (const auto& f : found)
    names.push_back(f.second);
  return names;
}

bool RemoveFile(const QByteArray& path)
{
  const TOwnerRights rights;
  if (::unlink(path.constData()) != 0) return false;
  SyncFolder(FolderOf(path));
  return true;
}

QByteArray WriteNewFile(const QByteArray& prefix, const QByteArray& bytes)
{
  const TOwnerRights rights;
  QByteArray path = prefix + "XXXXXX";
  const int fd = ::mkostemp(path.data(), O_CLOEXEC);
  if (fd < 0) return QByteArray();
  ::fchmod(fd, NewFileMode());
  bool ok = WriteAll(fd, bytes.constData(), bytes.size()) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok) {
    ::unlink(path.constData());
    return QByteArray();
  }
  SyncFolder(FolderOf(path));
  return path;
}
