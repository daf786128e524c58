#include "gui/doublesize.h"

#include "gui/incbin.h"
#include "gui/widgets_p.h"

#include <QByteArray>
#include <QHash>
#include <unordered_map>

namespace
{
const QString DOUBLE_SUFFIX = QStringLiteral("@2x.png");

QByteArray Fingerprint(const TPixmap& pixmap)
{
  // A fast hash rather than a cryptographic one: it runs for every new picture put on a
  // panel, a dozen at every start, and it only tells apart the program's own few pictures.
  size_t h = qHashMulti(0, pixmap.width, pixmap.height, pixmap.format);
  // Only the pixels count, not the padding at the end of each row.
  const int rowBytes = pixmap.width * TPixmap::BytesPerPixel(pixmap.format);
  for (int y = 0; y < pixmap.height; ++y)
    h = qHashBits(pixmap.pixels.data() + qsizetype(y) * pixmap.pitch, size_t(rowBytes), h);
  return QByteArray::number(quint64(h), 16);
}

// From the fingerprint of each ordinary picture that has a variant to that variant's name.
// The table of embedded files is complete before the toolkit starts and never changes, so it
// is read once, on the first question.
const QHash<QByteArray, QString>& Variants()
{
  static const QHash<QByteArray, QString> variants = [] {
    QHash<QByteArray, QString> map;
    for (const QString& name : EmbeddedNames()) {
      if (!name.endsWith(DOUBLE_SUFFIX)) continue;
      const QString base = name.chopped(DOUBLE_SUFFIX.size()) + QStringLiteral(".png");
      if (TPixmapPtr ordinary = LoadPixmapPNG("incbin::" + base))
        map.insert(Fingerprint(*ordinary), name);
    }
    return map;
  }();
  return variants;
}
} // namespace

QImage DoubleSizeImage(const TPixmap& pixmap)
{
  if (pixmap.width <= 0 || pixmap.height <= 0 ||
      pixmap.pixels.size() < size_t(pixmap.pitch) * size_t(pixmap.height))
    return QImage();
  const auto found = Variants().constFind(Fingerprint(pixmap));
  if (found == Variants().constEnd()) return QImage();
  static QHash<QString, QImage> decoded;
  auto cached = decoded.constFind(*found);
  if (cached == decoded.constEnd()) {
    const TPixmapPtr big = LoadPixmapPNG("incbin::" + *found);
    QImage image = big ? PixmapToImage(*big) : QImage();
    if (image.width() != 2 * pixmap.width || image.height() != 2 * pixmap.height) image = QImage();
    cached = decoded.insert(*found, image);
  }
  return *cached;
}

QImage DoubleSizeImage(const TPixmapPtr& pixmap)
{
  if (!pixmap) return QImage();
  // Fingerprinting the pixels afresh for every die of every roll took most of a turn.
  struct TKnown {
    std::weak_ptr<TPixmap> pixmap;
    QImage image;
  };
  static std::unordered_map<const TPixmap*, TKnown> known;
  const auto it = known.find(pixmap.get());
  // A freed picture's address may come back for another: the weak pointer tells them apart.
  if (it != known.end() && it->second.pixmap.lock() == pixmap) return it->second.image;
  if (known.size() >= 64)
    std::erase_if(known, [](const auto& entry) { return entry.second.pixmap.expired(); });
  QImage image = DoubleSizeImage(*pixmap);
  known[pixmap.get()] = TKnown{pixmap, image};
  return image;
}
