#pragma once

// The player's files on disk, whatever stands at their names: reading never blocks on a FIFO
// or a device and never takes more memory than a buffer; a save goes to a new file of a unique
// name in the same folder, created exclusively, synced, then renamed over the old one, so that
// a crash, a full disk, a file-size limit, a planted link or a second copy of the game never
// leave a half file or write anywhere else. Paths are the bytes the system uses.

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

// Replaces the file at path by bytes, or leaves it untouched and returns false.
bool WriteFileSafely(const QByteArray& path, const QByteArray& bytes);

// Creates the folder and its missing parents; true when it is a folder afterwards.
bool MakeFolders(const QByteArray& path);

// A short exclusive hold on a folder's lock file, for reading, merging and writing its files
// without another copy of the game doing the same in between. Waits a little for the other
// copy, never for ever: without the hold the files still stay whole.
class TFolderLock
{
public:
  explicit TFolderLock(const QByteArray& folder);
  ~TFolderLock();
  TFolderLock(const TFolderLock&) = delete;
  TFolderLock& operator=(const TFolderLock&) = delete;
  bool Held() const { return held_; }

private:
  int fd_ = -1;
  bool held_ = false;
};

extern const char* const LOCK_FILE; // "/wurfwummel.lock"
