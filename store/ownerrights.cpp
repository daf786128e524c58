// Started as root in a user's folder, the game acts with that user's rights: which user, the
// rights taken for each operation, and the game's files an older start as root made root's,
// given back.

#include "store/ownerrights.h"
#include "store/filesys.h"
#include "store/safefile.h"

#include <QList>
#include <algorithm>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

namespace filesys
{
uid_t ownerUid = uid_t(-1);
gid_t ownerGid = gid_t(-1);
thread_local int ownerDepth = 0;

uid_t FileUser()
{
  return ownerUid != uid_t(-1) ? ownerUid : ::geteuid();
}

// What root creates in another user's folder belongs to that user, as if the user had made it.
void GiveToFolderOwner(int fd, const QByteArray& folder)
{
  struct stat st {
  };
  if (::geteuid() != 0 || ::stat(folder.constData(), &st) != 0 || st.st_uid == 0) return;
  if (::fchown(fd, st.st_uid, st.st_gid) != 0) return;
}
} // namespace filesys

using namespace filesys;

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
