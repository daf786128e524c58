#include "fuzz/checks.h"

#include "gui/pixmap.h"
#include "gui/stream.h"
#include "store/scorefile.h"
#include "store/settingsfile.h"

#include <algorithm>
#include <cstring>

namespace
{
// A read-only stream over bytes in memory.
class TBytesStream : public TStream
{
public:
  explicit TBytesStream(const QByteArray& bytes) : bytes_(bytes) {}
  int Read(void* buf, int n) override
  {
    const int take = int(std::min<int64_t>(n, Size() - pos_));
    if (take <= 0) return 0;
    std::memcpy(buf, bytes_.constData() + pos_, size_t(take));
    pos_ += take;
    return take;
  }
  int Write(const void*, int) override { return 0; }
  int64_t Pos() override { return pos_; }
  int64_t Size() override { return bytes_.size(); }
  int64_t Seek(int64_t pos) override { return pos_ = std::clamp<int64_t>(pos, 0, Size()); }

private:
  const QByteArray& bytes_;
  int64_t pos_ = 0;
};
} // namespace

QString CheckScoreFile(const QByteArray& bytes)
{
  const std::vector<QString> first = ParseScoreFile(bytes);
  if (qsizetype(first.size()) > bytes.left(SCORE_READ_LIMIT).count('\n') + 1)
    return "more records than lines";
  const QByteArray written = WriteScoreFile(first);
  // At most a CR added before each LF (a record read across lines of an editor's bare LFs gets
  // back the CR LF it was written with), and a CR LF after the last record.
  const QByteArray head = bytes.left(SCORE_READ_LIMIT);
  if (written.size() > head.size() + head.count('\n') + 2)
    return "the save grows the file";
  const std::vector<QString> second = ParseScoreFile(written);
  if (second != first) return "the second reading differs from the first";
  if (WriteScoreFile(second) != written) return "the second save differs from the first";
  return QString();
}

QString CheckSettingsFile(const QByteArray& bytes)
{
  const std::vector<QString> first = ParseSettingsFile(bytes);
  if (first.size() > size_t(SETTINGS_PLAYERS)) return "more than two names";
  const QByteArray written = WriteSettingsFile(first);
  if (written.size() > bytes.size() + 2 * SETTINGS_PLAYERS) return "the save grows the file";
  if (ParseSettingsFile(written) != first) return "the second reading differs from the first";
  return QString();
}

QString CheckPng(const QByteArray& bytes)
{
  TBytesStream stream(bytes);
  const TPixmapPtr pixmap = LoadPixmapPNG(stream);
  if (!pixmap) return QString();
  if (pixmap->width <= 0 || pixmap->height <= 0 || pixmap->width > PIXMAP_MAX_SIDE ||
      pixmap->height > PIXMAP_MAX_SIDE)
    return "a picture of an absurd size";
  if (pixmap->pixels.size() != size_t(pixmap->pitch) * size_t(pixmap->height))
    return "the pixels do not fill the picture";
  return QString();
}
