#include "gui/incbin.h"

#include "gui/stream.h"

#include <algorithm>
#include <cstring>
#include <forward_list>

namespace
{
struct TEntry {
  QString name;
  const unsigned char* data;
  int length;
};

// Newest first, as the entries are looked up from the front.
std::forward_list<TEntry>& Entries()
{
  static std::forward_list<TEntry> entries;
  return entries;
}

const TEntry* Lookup(const QString& name)
{
  for (const TEntry& e : Entries())
    if (e.name == name) return &e;
  return nullptr;
}

// Read-only view of bytes in the program image; never copies or changes them.
class TEmbeddedStream : public TStream
{
public:
  TEmbeddedStream(const unsigned char* data, int length) : data_(data), size_(length) {}
  int Read(void* buf, int n) override
  {
    const int count = int(std::clamp<int64_t>(size_ - pos_, 0, std::max(n, 0)));
    if (count > 0) std::memcpy(buf, data_ + pos_, size_t(count));
    pos_ += count;
    return count;
  }
  int Write(const void*, int) override { return 0; }
  int64_t Pos() override { return pos_; }
  int64_t Size() override { return size_; }
  int64_t Seek(int64_t pos) override { return pos_ = std::clamp<int64_t>(pos, 0, size_); }
  bool BuiltIn() const override { return true; }

private:
  const unsigned char* data_;
  int64_t size_;
  int64_t pos_ = 0;
};

TStreamPtr OpenEmbedded(const QString& path, bool write)
{
  if (write) return nullptr;
  const TEntry* e = Lookup(path);
  if (!e) return nullptr;
  return std::make_unique<TEmbeddedStream>(e->data, e->length);
}
} // namespace

int RegisterEmbeddedFile(const QString& name, const unsigned char* data, int length)
{
  if (Lookup(name)) return 0;
  Entries().push_front({name, data, length});
  return 1;
}

const unsigned char* EmbeddedData(const QString& name)
{
  const TEntry* e = Lookup(name);
  return e ? e->data : nullptr;
}

int EmbeddedLength(const QString& name)
{
  const TEntry* e = Lookup(name);
  return e ? e->length : 0;
}

QStringList EmbeddedNames()
{
  QStringList names;
  for (const TEntry& e : Entries())
    names.append(e.name);
  return names;
}

void InitEmbeddedStreams()
{
  RegisterStreamFactory("incbin", OpenEmbedded);
}
