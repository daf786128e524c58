#pragma once

// The player's files on disk, whatever stands at their names: reading never blocks on a FIFO
// or a device and never takes more memory than a buffer; a save goes to a new file of a unique
// name in the same folder, created exclusively, synced, then renamed over the old one, so that
// a crash, a full disk, a file-size limit, a planted link or a second copy of the game never
// leave a half file or write anywhere else. Paths are the bytes the system uses.
//
// Started as root in a user's folder (sudo -E), the game must not lock the user out: a
// replacement keeps the owner and the permissions of the file it replaces, and what the game
// creates there (files, folders, the lock file) belongs to the folder's owner. Nor may such a
// start hand the user anything the user could not read: every file operation here then runs
// with the user's rights (see ActAsFolderOwner), and a link at one of the game's own names is
// never followed, whoever runs the game.

#include <QByteArray>
#include <functional>
#include <memory>
#include <vector>

enum class TFileState {
  Absent,     // nothing at the path
  Unreadable, // something is there but cannot be read as a regular file: never replace it
  Read,
};

// Called once at start, before any file of the folder is touched. When the game runs as root
// and the folder or one of its parents belongs to another user (the nearest one counts), every
// later operation of this file reads, creates and replaces files with that user's rights only
// (the file-system identity of the calling thread, for the time of each operation): what the
// user could not read, the game cannot read either, so it can never copy it into the user's
// folder, through a link or a swapped folder alike. Returns that user's id, or -1.
int ActAsFolderOwner(const QByteArray& folder);
// As root, after that and before anything else: the game's own files (the names given) in the
// user's folder, and the folders on the way below the user's own, that an earlier start as root
// made root's are given back to the user. Only folders reached without a link below the user's
// first folder, and only regular files that are not links and have no second name elsewhere
// (one link count), so nothing but the game's own can be taken over this way. Returns how many
// were given back.
int GiveBackToFolderOwner(const QByteArray& folder, const std::vector<QByteArray>& names);

// Hands the bytes of the regular file at path to take (never through a link at its name), a buffer
// at a time, until take returns false or the file ends.
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

// The names of the regular files in the folder whose names begin with prefix and that belong to
// the user the game acts for, with no second name elsewhere; the oldest first.
std::vector<QByteArray> FindOwnFiles(const QByteArray& folder, const QByteArray& prefix);
// Removes one file (not what a link points at); true when it was removed.
bool RemoveFile(const QByteArray& path);

// Creates a new file of a unique name "<prefix>XXXXXX" in the folder, exclusively, with bytes,
// synced; its name, or an empty one on failure.
QByteArray WriteNewFile(const QByteArray& prefix, const QByteArray& bytes);

// An exclusive hold on a folder's lock file, for reading, merging and writing its files without
// another copy of the game doing the same in between. Every copy takes it for each save and
// holds it only for that save, so a copy waits for it only while another one saves, or while
// another one is stopped in the middle of its save (then for as long as that one stays stopped).
//
// Where the file system has no locks (flock fails) or something other than a file stands at the
// lock file's name, the lock is a second file, DOT_LOCK_FILE, made by a hard link of a file that
// holds who made it (process, its start time, the machine and its boot): the link either comes
// into being whole or fails because one is there. A lock whose maker is gone (on this machine,
// the process no longer runs; elsewhere, after STALE_LOCK_SECONDS) is taken away.
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
  // After a TRY that found it busy: waits until it is free, or until pause, which waits up to the
  // given milliseconds between two looks, says to give up. False when it was not had.
  bool Wait(const std::function<bool(int)>& pause = {});
  // Whether the lock in use is the second file rather than the lock file's own.
  bool DotLock() const { return dot_; }

private:
  bool TakeDotLock();
  enum { IMPOSSIBLE, BUSY, HELD } state_ = IMPOSSIBLE;
  int fd_ = -1;
  bool dot_ = false;
  QByteArray folder_;
  QByteArray token_; // what the second file holds when this copy made it
};

extern const char* const LOCK_FILE;     // "/wurfwummel.lock"
extern const char* const DOT_LOCK_FILE; // "/wurfwummel.lck"
constexpr int STALE_LOCK_SECONDS = 10 * 60;
