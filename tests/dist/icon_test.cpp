// The program's icon: the scalable SVG and the PNG of every installed size show one design.
// The SVG is rendered by rsvg-convert (the renderer desktops use for SVG icons) at each size and
// compared with the committed PNG of that size, pixel by pixel.

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

namespace
{
const int Sizes[] = {16, 22, 24, 32, 48, 64, 128, 256, 512};

QImage Load(const QString& path)
{
  return QImage(path).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage RenderSvg(const QTemporaryDir& dir, int size)
{
  const QString out = dir.filePath(QString("svg%1.png").arg(size));
  QProcess rsvg;
  rsvg.start("rsvg-convert", {"-w", QString::number(size), "-h", QString::number(size), "-o", out,
                              QStringLiteral(WW_SOURCE_DIR "/images/icon.svg")});
  if (!rsvg.waitForFinished(30000) || rsvg.exitStatus() != QProcess::NormalExit ||
      rsvg.exitCode() != 0)
    return {};
  return Load(out);
}

QImage Png(int size)
{
  return Load(QString(WW_SOURCE_DIR "/images/icon%1.png").arg(size));
}

struct Difference {
  double mean = 0; // mean absolute difference per channel, 0 to 255
  double far = 0;  // share of pixels where some channel differs by more than 64
};

Difference Compare(const QImage& a, const QImage& b)
{
  Difference d;
  long long sum = 0, farPixels = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      const int diffs[] = {std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                           std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))};
      int most = 0;
      for (int v : diffs) {
        sum += v;
        most = std::max(most, v);
      }
      if (most > 64) ++farPixels;
    }
  const double pixels = double(a.width()) * a.height();
  d.mean = double(sum) / (pixels * 4);
  d.far = double(farPixels) / pixels;
  return d;
}

// How far the PNG of a size may be from the SVG. From 48 pixels up the PNG is the SVG's design
// exactly, so only the smoothing of the edges differs; below, the border and the gaps between
// the pips are kept a whole pixel wide and the pips a little smaller, which shifts the shading
// of many pixels slightly and of very few by much.
Difference Limit(int size)
{
  return size >= 48 ? Difference{1.5, 0.01} : Difference{16.0, 0.03};
}

// A die without pips: the PNG with every opaque pixel inside the border painted with the face
// colour between the pip columns.
QImage WithoutPips(QImage png)
{
  const int n = png.width();
  const QRgb face = png.pixel(n / 2, n / 2);
  for (int y = n / 8; y < n - n / 8; ++y)
    for (int x = n / 8; x < n - n / 8; ++x)
      if (qAlpha(png.pixel(x, y)) == 255) png.setPixel(x, y, face);
  return png;
}
} // namespace

TEST(Icon, EverySizeIsTransparentAroundAnOpaqueDie)
{
  for (int size : Sizes) {
    SCOPED_TRACE(size);
    const QImage png = Png(size);
    ASSERT_EQ(png.size(), QSize(size, size));
    EXPECT_EQ(qAlpha(png.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(png.pixel(size - 1, size - 1)), 0);
    EXPECT_EQ(qAlpha(png.pixel(size / 2, size / 2)), 255);
    EXPECT_EQ(qAlpha(png.pixel(size / 2, size / 8)), 255);
  }
}

TEST(Icon, SvgRenderedAtEachSizeMatchesThePngOfThatSize)
{
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (int size : Sizes) {
    SCOPED_TRACE(size);
    const QImage svg = RenderSvg(dir, size);
    ASSERT_EQ(svg.size(), QSize(size, size)) << "rsvg-convert failed";
    const Difference d = Compare(svg, Png(size)), limit = Limit(size);
    EXPECT_LT(d.mean, limit.mean);
    EXPECT_LT(d.far, limit.far);
  }
}

// The opposite check, that the limits tell another picture apart: a die without pips at every
// size, and the 64-pixel PNG turned half round, whose gradient runs the wrong way.
TEST(Icon, ComparisonTellsAnotherPictureApart)
{
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (int size : Sizes) {
    SCOPED_TRACE(size);
    const QImage svg = RenderSvg(dir, size);
    ASSERT_FALSE(svg.isNull());
    EXPECT_GT(Compare(svg, WithoutPips(Png(size))).far, Limit(size).far);
  }
  EXPECT_GT(Compare(RenderSvg(dir, 64), Png(64).mirrored(true, true)).mean, Limit(64).mean);
}
