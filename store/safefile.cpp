#include "store/safefile.h"

#include "store/ownerrights.h"

#include <QList>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

const char* const LOCK_FILE = "/wurfwummel.lock";
const char* const DOT_LOCK_FILE = "/wurfwummel.lck";

namespace
{
constexpr qsizetype BUFFER_SIZE = 64 * 1024;

// The user whose rights a start as root takes on for the files; -1: none.
uid_t ownerUid = uid_t(-1);
gid_t ownerGid = gid_t(-1);
// How deep the calling thread is in TOwnerRights: the file-system identity is a thread's own.
thread_local int ownerDepth = 0;

// The user on whose behalf files are made: the folder owner a start as root acts as, else us.
uid_t FileUser()
{
  return ownerUid != uid_t(-1) ? ownerUid : ::geteuid();
}

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

// The kernel drops the rights to override file permissions while the identity is not 0.
TOwnerRights::TOwnerRights()
{
  if (ownerUid == uid_t(-1) || ownerDepth++ > 0) return;
  ::setfsgid(ownerGid);
  ::setfsuid(ownerUid);
}

TOwnerRights::~TOwnerRights()
{
  if (ownerUid == uid_t(-1) || --ownerDepth > 0) return;
  ::setfsuid(0);
  ::setfsgid(0);
}

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

namespace
{
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

int ActAsFolderOwner(const QByteArray& folder)
{
  if (::geteuid() != 0 || ownerUid != uid_t(-1)) return ownerUid == uid_t(-1) ? -1 : int(ownerUid);
  // Whoever owns a folder on the way (or a link there) can put anything below it: the nearest
  // one that is not root's is the user the game acts for.
  struct stat st {
  };
  bool found = false;
  for (QByteArray at = folder; !at.isEmpty();
       at = at.left(std::max<qsizetype>(at.lastIndexOf('/'), 0))) {
    if (::lstat(at.constData(), &st) == 0 && st.st_uid != 0) {
      found = true;
      break;
    }
  }
  if (!found) return -1;
  ownerUid = st.st_uid;
  ownerGid = st.st_gid;
  // The user's groups, not root's: a file that root's group may read is not the user's either.
  std::vector<gid_t> groups(64);
  int count = int(groups.size());
  if (const passwd* pw = ::getpwuid(ownerUid)) {
    ownerGid = pw->pw_gid;
    if (::getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &count) < 0) {
      groups.resize(size_t(count));
      ::getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &count);
    }
    groups.resize(size_t(std::max(count, 0)));
  } else {
    groups.assign(1, ownerGid);
  }
  if (::setgroups(groups.size(), groups.data()) != 0) ::setgroups(1, &ownerGid);
  return int(ownerUid);
}

int GiveBackToFolderOwner(const QByteArray& folder, const std::vector<QByteArray>& names)
{
  if (::geteuid() != 0 || ownerUid == uid_t(-1) || ownerDepth > 0 || !folder.startsWith('/'))
    return 0;
  // The folder is reached one step at a time, each relative to the last one: links are
  // followed only in root's own part of the path; below the user's first folder, none is, so
  // that nothing but the user's own folder is ever given back.
  int fd = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  bool inside = false;
  int given = 0;
  for (const QByteArray& step : folder.split('/')) {
    if (fd < 0) return given;
    if (step.isEmpty() || step == ".") continue;
    struct stat st {
    };
    if (step == ".." || ::fstatat(fd, step.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        (S_ISLNK(st.st_mode) && (inside || st.st_uid != 0))) {
      ::close(fd);
      return given;
    }
    const int next = ::openat(fd, step.constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC | (inside ? O_NOFOLLOW : 0));
    ::close(fd);
    fd = next;
    if (fd < 0 || ::fstat(fd, &st) != 0) break;
    if (st.st_uid == ownerUid) {
      inside = true;
    } else if (inside && st.st_uid == 0) {
      // A folder of the user's that an earlier start as root made: the user's again.
      if (::fchown(fd, ownerUid, ownerGid) == 0) ++given;
    } else if (inside) {
      break; // someone else's folder inside the user's
    }
  }
  if (fd < 0) return given;
  if (inside) {
    for (const QByteArray& name : names) {
      const int file =
          ::openat(fd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
      if (file < 0) continue;
      struct stat st {
      };
      if (::fstat(file, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == 0 && st.st_nlink == 1 &&
          ::fchown(file, ownerUid, ownerGid) == 0)
        ++given;
      ::close(file);
    }
  }
  ::close(fd);
  return given;
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
