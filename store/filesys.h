#pragma once

// What the player's files, the folder's lock and the owner's rights share inside store/: the
// user files are made for, whole writes, a file's folder, and the mode and owner of a new file.

#include <QByteArray>
#include <sys/types.h>

namespace filesys
{
// The user whose rights a start as root takes on for the files (see ActAsFolderOwner); -1: none.
extern uid_t ownerUid;
extern gid_t ownerGid;
// How deep the calling thread is in TOwnerRights: the file-system identity is a thread's own.
extern thread_local int ownerDepth;

// The user on whose behalf files are made: the folder owner a start as root acts as, else us.
uid_t FileUser();
// The whole of data, or false (a full disk, or a file-size limit with SIGXFSZ ignored).
bool WriteAll(int fd, const char* data, qsizetype size);
QByteArray FolderOf(const QByteArray& path);
void SyncFolder(const QByteArray& folder);
// 0666 minus the umask, as a file made by open() gets.
mode_t NewFileMode();
// What root creates in another user's folder belongs to that user, as if the user had made it.
void GiveToFolderOwner(int fd, const QByteArray& folder);
} // namespace filesys
