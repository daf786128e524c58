#pragma once

// Writing a file so that a crash, a kill, a power loss or a full disk never leaves it half
// written: the lines go to a temporary file in the same folder, which is flushed to the disk
// and then renamed over the old file. Until the rename the old file stays as it was.

#include "gui/stream.h"

#include <QString>
#include <memory>
#include <vector>

class TAtomicFile
{
public:
  explicit TAtomicFile(const QString& path);
  ~TAtomicFile();
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;

  // The stream to write to; none when the temporary file could not be made.
  TStream* Stream() { return stream_.get(); }
  // Flushes, closes and renames; false (and the old file untouched) on any failure.
  bool Commit();

  static QString TempPath(const QString& path) { return path + ".new"; }

private:
  QString path_;
  std::unique_ptr<TFileStream> stream_;
  bool committed_ = false;
};

// Writes each line with its CR LF, atomically; false when the file could not be replaced.
bool WriteLinesAtomic(const QString& path, const std::vector<QString>& lines);
