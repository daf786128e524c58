#include "store/atomicfile.h"

#include "gui/runtime.h"

#include <fcntl.h>
#include <unistd.h>

TAtomicFile::TAtomicFile(const QString& path) : path_(path), stream_(OpenFileWrite(TempPath(path)))
{
}

TAtomicFile::~TAtomicFile()
{
  if (committed_) return;
  stream_.reset();
  DeleteFile(TempPath(path_));
}

bool TAtomicFile::Commit()
{
  if (!stream_ || committed_) return false;
  const bool written = !stream_->Failed() && stream_->Sync() && stream_->Close();
  stream_.reset();
  if (!written || !RenameFile(TempPath(path_), path_)) return false;
  committed_ = true;
  // The rename itself reaches the disk only with its folder.
  const QString folder = path_.left(path_.lastIndexOf('/'));
  const int fd = ::open(folder.isEmpty() ? "." : folder.toLocal8Bit().constData(),
                        O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  return true;
}

bool WriteLinesAtomic(const QString& path, const std::vector<QString>& lines)
{
  TAtomicFile file(path);
  if (!file.Stream()) return false;
  for (const QString& line : lines)
    if (!WriteLine(*file.Stream(), line)) return false;
  return file.Commit();
}
