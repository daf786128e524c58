#include "gui/stream.h"

#include "gui/runtime.h"

#include <QByteArray>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
std::map<QString, TStreamFactory>& Factories()
{
  static std::map<QString, TStreamFactory> factories;
  return factories;
}
} // namespace

void RegisterStreamFactory(const QString& protocol, TStreamFactory factory)
{
  Factories()[protocol.toLower()] = factory;
}

TFileStream::TFileStream(int fd, bool writable) : fd_(fd), writable_(writable)
{
  struct stat st {
  };
  if (fstat(fd_, &st) == 0) size_ = st.st_size;
}

TFileStream::~TFileStream()
{
  Close();
}

namespace
{
constexpr int READ_BUFFER = 64 * 1024;

ssize_t ReadSome(int fd, void* buf, size_t n)
{
  ssize_t got;
  do
    got = ::read(fd, buf, n);
  while (got < 0 && errno == EINTR);
  return got;
}
} // namespace

int TFileStream::Read(void* buf, int n)
{
  if (fd_ < 0 || n <= 0) return 0;
  char* out = static_cast<char*>(buf);
  int done = 0;
  while (done < n) {
    if (taken_ == buffered_) {
      taken_ = buffered_ = 0;
      if (n - done >= READ_BUFFER) { // large reads need no copy
        const ssize_t got = ReadSome(fd_, out + done, size_t(n - done));
        if (got <= 0) break;
        done += int(got);
        continue;
      }
      if (!buffer_) buffer_.reset(new char[READ_BUFFER]);
      const ssize_t got = ReadSome(fd_, buffer_.get(), READ_BUFFER);
      if (got <= 0) break;
      buffered_ = int(got);
    }
    const int take = std::min(n - done, buffered_ - taken_);
    std::memcpy(out + done, buffer_.get() + taken_, size_t(take));
    taken_ += take;
    done += take;
  }
  pos_ += done;
  return done;
}

int TFileStream::Write(const void* buf, int n)
{
  if (fd_ < 0 || !writable_ || n <= 0) return 0;
  const char* p = static_cast<const char*>(buf);
  int done = 0;
  while (done < n) {
    const ssize_t put = ::write(fd_, p + done, size_t(n - done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      failed_ = true;
      break;
    }
    done += int(put);
  }
  pos_ += done;
  if (pos_ > size_) size_ = pos_;
  return done;
}

int64_t TFileStream::Seek(int64_t pos)
{
  if (fd_ < 0) return pos_;
  if (pos < 0) pos = 0;
  if (!writable_ && pos > size_) pos = size_;
  taken_ = buffered_ = 0;
  const off_t at = ::lseek(fd_, off_t(pos), SEEK_SET);
  if (at >= 0) pos_ = at;
  return pos_;
}

bool TFileStream::Sync()
{
  if (fd_ < 0) return false;
  if (::fsync(fd_) != 0) failed_ = true;
  return !failed_;
}

bool TFileStream::Close()
{
  if (fd_ < 0) return !failed_;
  if (::close(fd_) != 0) failed_ = true;
  fd_ = -1;
  return !failed_;
}

TStreamPtr OpenFileRead(const QString& path)
{
  // Non-blocking: a FIFO or a device at the path must not hold the program up.
  const int fd = ::open(QFile::encodeName(NormalisePath(path, false)).constData(),
                        O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return nullptr;
  struct stat st {
  };
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<TFileStream>(fd, false);
}

std::unique_ptr<TFileStream> OpenFileWrite(const QString& path)
{
  const int fd = ::open(QFile::encodeName(NormalisePath(path, false)).constData(),
                        O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
  if (fd < 0) return nullptr;
  return std::make_unique<TFileStream>(fd, true);
}

TStreamPtr ReadStream(const QString& address)
{
  const int sep = int(address.indexOf("::"));
  if (sep < 0) return OpenFileRead(address);
  const auto it = Factories().find(address.left(sep).toLower());
  if (it == Factories().end()) return nullptr;
  return it->second(address.mid(sep + 2), false);
}

TStreamPtr WriteStream(const QString& address)
{
  const int sep = int(address.indexOf("::"));
  if (sep < 0) return OpenFileWrite(address);
  const auto it = Factories().find(address.left(sep).toLower());
  if (it == Factories().end()) return nullptr;
  return it->second(address.mid(sep + 2), true);
}

QString ReadLine(TStream& stream)
{
  QString line;
  unsigned char byte = 0;
  while (stream.Read(&byte, 1) == 1) {
    if (byte == 10 || byte == 0) break;
    if (byte == 13) continue;
    line += QChar(ushort(byte));
  }
  return line;
}

int WriteLine(TStream& stream, const QString& line)
{
  QByteArray bytes;
  bytes.reserve(line.size() + 2);
  for (QChar c : line)
    bytes.append(char(c.unicode() & 0xFF));
  bytes.append("\r\n", 2);
  return stream.Write(bytes.constData(), int(bytes.size())) == int(bytes.size()) ? 1 : 0;
}
