#include "gui/doublesize.h"

#include "gui/incbin.h"
#include "gui/pixmap.h"
#include "gui/widgets_p.h"

#include <QHash>

namespace
{
const QString EMBEDDED_PREFIX = QStringLiteral("incbin::");
const QString PNG_SUFFIX = QStringLiteral(".png");
const QString DOUBLE_SUFFIX = QStringLiteral("@2x.png");

QImage DecodeVariant(const QString& source)
{
  if (!source.startsWith(EMBEDDED_PREFIX) || !source.endsWith(PNG_SUFFIX) ||
      source.endsWith(DOUBLE_SUFFIX))
    return QImage();
  const QString name =
      source.mid(EMBEDDED_PREFIX.size()).chopped(PNG_SUFFIX.size()) + DOUBLE_SUFFIX;
  // Asking the table first spares opening a stream for a picture without a variant.
  if (!EmbeddedData(name)) return QImage();
  const TPixmapPtr big = LoadPixmapPNG(EMBEDDED_PREFIX + name);
  return big ? PixmapToImage(*big) : QImage();
}
} // namespace

QImage DoubleSizeImage(const QString& source, QSize size)
{
  if (source.isEmpty() || size.isEmpty()) return QImage();
  // The embedded files never change while the program runs; the dice show the same dozen
  // pictures at every roll.
  static QHash<QString, QImage> decoded;
  auto found = decoded.constFind(source);
  if (found == decoded.constEnd()) found = decoded.insert(source, DecodeVariant(source));
  if (found->size() != size * 2) return QImage();
  return *found;
}
