#pragma once

// Byte streams: files opened as raw bytes and read-only streams over embedded data.
// Lines are bytes as ISO 8859-1 characters; see ReadLine and WriteLine.

#include <QString>
#include <cstdint>
#include <memory>

class TStream
{
public:
  virtual ~TStream() = default;
  // Reads up to n bytes; returns how many came (0 at the end).
  virtual int Read(void* buf, int n) = 0;
  // Writes n bytes; returns how many were written.
  virtual int Write(const void* buf, int n) = 0;
  virtual int64_t Pos() = 0;
  virtual int64_t Size() = 0;
  virtual int64_t Seek(int64_t pos) = 0;
  // Flushes and closes; returns false when the data may not have reached the file.
  virtual bool Close() { return true; }
  // Bytes built into the program itself: they can only be as damaged as its code, so readers
  // may skip checksums over them.
  virtual bool BuiltIn() const { return false; }
  int Eof() { return Pos() >= Size() ? 1 : 0; }
};

using TStreamPtr = std::unique_ptr<TStream>;

// Opens "protocol::path" through the stream factories, or a plain file.
TStreamPtr ReadStream(const QString& address);
TStreamPtr WriteStream(const QString& path);

// A file stream; Sync forces the written bytes to the disk. Reading goes through a buffer, so
// that line reading costs a system call per buffer, not per byte.
class TFileStream : public TStream
{
public:
  explicit TFileStream(int fd, bool writable);
  ~TFileStream() override;
  int Read(void* buf, int n) override;
  int Write(const void* buf, int n) override;
  int64_t Pos() override { return pos_; }
  int64_t Size() override { return size_; }
  int64_t Seek(int64_t pos) override;
  bool Close() override;
  bool Sync();
  bool Failed() const { return failed_; }

private:
  int fd_;
  bool writable_;
  bool failed_ = false;
  int64_t pos_ = 0;
  int64_t size_ = 0;
  std::unique_ptr<char[]> buffer_;
  int buffered_ = 0; // bytes in buffer_
  int taken_ = 0;    // of which already read
};

TStreamPtr OpenFileRead(const QString& path);
std::unique_ptr<TFileStream> OpenFileWrite(const QString& path);

QString ReadLine(TStream& stream);
int WriteLine(TStream& stream, const QString& line);

// A factory answers for one protocol; returns none when it does not know the name.
using TStreamFactory = TStreamPtr (*)(const QString& path, bool write);
void RegisterStreamFactory(const QString& protocol, TStreamFactory factory);
