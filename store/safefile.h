#pragma once

// The player's files on disk, whatever stands at their names: reading never blocks on a FIFO
// or a device and never takes more memory than a buffer; a save goes to a new file of a unique
// name in the same folder, created exclusively, synced, then renamed over the old one, so that
// a crash, a full disk, a file-size limit, a planted link or a second copy of the game never
// leave a half file or write anywhere else. Paths are the bytes the system uses.
//
// Started as root in a user's folder (sudo -E), the game must not lock the user out: a
// replacement keeps the owner and the permissions of the file it replaces, and what the game
// creates there (files, folders, the lock file) belongs to the folder's owner.

#include <QByteArray>
#include <functional>
#include <memory>

enum class TFileState {
  Absent,     // nothing at the path
  Unreadable, // something is there but cannot be read as a regular file: never replace it
  Read,
};

// Hands the bytes of the regular file at path to take, a buffer at a time, until take returns
// false or the file ends.
TFileState ReadFileBuffered(const QByteArray& path,
                            const std::function<bool(const char*, qsizetype)>& take);
// The first limit bytes of the file (all of a smaller one).
TFileState ReadFileHead(const QByteArray& path, qsizetype limit, QByteArray& bytes);

// Replaces the file at path by bytes, or leaves it untouched and returns false. A new file gets
// 0666 minus the umask.
bool WriteFileSafely(const QByteArray& path, const QByteArray& bytes);

enum class TWriteResult {
  Written,
  Failed,  // nothing changed on disk
  Changed, // unchanged() said no right before the rename: nothing changed on disk
};
// The same, but the old file is replaced only when unchanged() still holds after the new
// file is on disk, right before the rename.
TWriteResult WriteFileIf(const QByteArray& path, const QByteArray& bytes,
                         const std::function<bool()>& unchanged);

// Creates the folder and its missing parents; true when it is a folder afterwards.
bool MakeFolders(const QByteArray& path);

// Removes the temporary files that interrupted saves left in the folder: regular files (not
// links) of the names the saves use, ".wurfwummel.<name>.XXXXXX", that belong to this user and
// were last written at least minAgeSeconds ago. Returns how many it removed. The caller holds
// the folder's lock, so no copy that honours it is writing one of them now.
int RemoveLeftovers(const QByteArray& folder, int minAgeSeconds);
// Whether a file name is one of those temporary names.
bool IsLeftoverName(const QByteArray& name);

// An exclusive hold on a folder's lock file, for reading, merging and writing its files without
// another copy of the game doing the same in between. Every copy takes it for each save and
// holds it only for that save, so a copy waits for it only while another one saves, or while
// another one is stopped in the middle of its save (then for as long as that one stays stopped).
class TFolderLock
{
public:
  enum TWait {
    TRY,  // not at all: Busy() tells whether another copy holds it
    WAIT, // until it is free
  };
  TFolderLock(const QByteArray& folder, TWait wait);
  ~TFolderLock();
  TFolderLock(const TFolderLock&) = delete;
  TFolderLock& operator=(const TFolderLock&) = delete;
  bool Held() const { return state_ == HELD; }
  // Another copy holds it now.
  bool Busy() const { return state_ == BUSY; }
  // After a TRY that found it busy: waits until it is free. False when it cannot be had at all.
  bool Wait();

private:
  enum { IMPOSSIBLE, BUSY, HELD } state_ = IMPOSSIBLE;
  int fd_ = -1;
};

extern const char* const LOCK_FILE; // "/wurfwummel.lock"
