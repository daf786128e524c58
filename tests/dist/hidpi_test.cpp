// Pictures on screens of device pixel ratio 1 and 2. The same tests run once at
// QT_SCALE_FACTOR=2 and once without a factor: at ratio 2 the panels must show the double-size
// pictures, at ratio 1 the ordinary ones, and the window's layout in logical pixels must not
// move either way.

#include "app/app.h"
#include "dice/dicefield.h"
#include "forms/about.h"
#include "gui/doublesize.h"
#include "gui/pixmap.h"
#include "gui/widgets_p.h"
#include "tests/support/support.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QtGlobal>

namespace
{
int ExpectedRatio()
{
  const QByteArray factor = qgetenv("QT_SCALE_FACTOR");
  return factor.isEmpty() ? 1 : factor.toInt();
}

// The committed picture file, decoded by Qt's own PNG reader rather than the game's loader.
QImage Committed(const QString& name)
{
  return QImage(QStringLiteral(WW_SOURCE_DIR "/images/") + name)
      .convertToFormat(QImage::Format_ARGB32);
}

QString Variant(const QString& base)
{
  return ExpectedRatio() == 2 ? base + "@2x.png" : base + ".png";
}

// Counts the device pixels of what the widget puts on screen that differ from the picture.
int DifferingPixels(QWidget* widget, const QImage& expected)
{
  const QImage shot = widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
  if (shot.size() != expected.size()) return -1;
  int differing = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x)
      differing += shot.pixel(x, y) != expected.pixel(x, y);
  return differing;
}

class DoubleSize : public TWithApp
{
};
} // namespace

TEST_F(DoubleSize, TheScreenHasTheRatioOfTheScaleFactor)
{
  StartApp(1280, 1024);
  QWidget* window = app_->Window->Native();
  EXPECT_EQ(window->devicePixelRatioF(), ExpectedRatio());
  // The desktop matches the window to its launcher and icon by this id.
  EXPECT_EQ(QGuiApplication::desktopFileName(), "de.tollmark.Wurfwummel");
  // The layout stays in logical pixels: the standard window and its die panels keep their
  // sizes and places at every ratio.
  EXPECT_EQ(app_->Window->ClientWidth(), STANDARD_WIDTH);
  EXPECT_EQ(app_->Window->ClientHeight(), STANDARD_HEIGHT);
  TGadget* die = app_->DiceField[0]->Panel[1];
  EXPECT_EQ(die->Native()->size(), QSize(72, 72));
}

TEST_F(DoubleSize, DiePanelsShowThePictureOfTheScreensResolution)
{
  StartApp(1280, 1024);
  TDicefield& dice = *app_->DiceField[0];
  const int ratio = ExpectedRatio();
  SetDice({1, 2, 3, 4, 5, 6});
  for (int i = 1; i <= 6; ++i) {
    auto* panel = static_cast<TPanelWidget*>(dice.Panel[size_t(i)]->Native());
    const QPixmap shown = panel->Shown();
    EXPECT_EQ(shown.devicePixelRatio(), ratio) << i;
    EXPECT_EQ(shown.size(), QSize(72 * ratio, 72 * ratio)) << i;
    EXPECT_EQ(DifferingPixels(panel, Committed(Variant(QString::number(i)))), 0) << i;
  }
  // A held die turns blue at the same resolution.
  Click(dice.Panel[4]);
  ASSERT_TRUE(dice.Active[4]);
  // The click gave the die the keyboard focus, whose frame would cover the picture's edge.
  dice.Panel[4]->Native()->clearFocus();
  EXPECT_EQ(DifferingPixels(dice.Panel[4]->Native(), Committed(Variant("4h"))), 0);
  // What the game loads stays the ordinary picture; only the screen gets the sharper one.
  EXPECT_EQ(dice.Pixmap[1]->width, 72);
  EXPECT_EQ(dice.PixmapHigh[6]->height, 72);
}

TEST_F(DoubleSize, TheAboutPictureIsSharpToo)
{
  StartApp(1280, 1024);
  TAbout form;
  const int ratio = ExpectedRatio();
  RunSteps({[&] {
    auto* panel = static_cast<TPanelWidget*>(form.Panel->Native());
    EXPECT_EQ(form.Panel->Pixmap()->width, 128);
    EXPECT_EQ(panel->size(), QSize(128, 128));
    EXPECT_EQ(panel->Shown().size(), QSize(128 * ratio, 128 * ratio));
    EXPECT_EQ(DifferingPixels(panel, Committed(Variant("about"))), 0);
    ClickWidget(form.Okay);
  }});
  form.Open(app_.get());
}

TEST(DoubleSizeChoice, OnlyTheProgramsOwnPicturesHaveAVariant)
{
  // The variant follows the address a picture was loaded from: a picture made in memory, even
  // one with exactly the pixels of an embedded picture, and a loaded picture whose pixels were
  // changed (which clears its address) are drawn as they are.
  TPixmapPtr own = LoadPixmap("incbin::2h.png");
  ASSERT_TRUE(own);
  EXPECT_EQ(own->source, "incbin::2h.png");
  TPanelWidget panel(nullptr, nullptr);
  panel.image = QImage(72, 72, QImage::Format_ARGB32);
  EXPECT_EQ(panel.Shown().size(), QSize(72, 72));
  EXPECT_EQ(panel.Shown().devicePixelRatio(), 1.0);
  TPixmapPtr made = TPixmap::Create(own->width, own->height, own->format);
  ASSERT_TRUE(made);
  made->pixels = own->pixels;
  TPixmap changed = *own;
  changed.pixels[size_t(changed.pitch) * 30 + 17] ^= 1;
  changed.source.clear();
  TGadget* window = CreateWindow("Pictures", 0, 0, 100, 100, nullptr, 545);
  TGadget* a = CreatePanel(0, 0, 72, 72, window, 0);
  const auto shownRatio = [a] {
    return static_cast<TPanelWidget*>(a->Native())->Shown().devicePixelRatio();
  };
  a->SetPixmap(made, PANELPIXMAP_TILE);
  EXPECT_EQ(shownRatio(), 1.0);
  a->SetPixmap(std::make_shared<TPixmap>(changed), PANELPIXMAP_TILE);
  EXPECT_EQ(shownRatio(), 1.0);
  a->SetPixmap(own, PANELPIXMAP_TILE);
  EXPECT_EQ(shownRatio(), window->Native()->devicePixelRatioF());
  FreeGadget(window);
  // A variant is taken only from the program's own table, only for an ordinary picture, and
  // only when it is exactly twice the size the panel shows.
  EXPECT_FALSE(DoubleSizeImage("incbin::2h.png", QSize(72, 72)).isNull());
  EXPECT_EQ(DoubleSizeImage("incbin::2h.png", QSize(72, 72)).size(), QSize(144, 144));
  EXPECT_TRUE(DoubleSizeImage("incbin::2h.png", QSize(72, 71)).isNull());
  EXPECT_TRUE(DoubleSizeImage("incbin::2h@2x.png", QSize(144, 144)).isNull());
  EXPECT_TRUE(DoubleSizeImage("incbin::nothing.png", QSize(72, 72)).isNull());
  EXPECT_TRUE(
      DoubleSizeImage(QStringLiteral(WW_SOURCE_DIR "/images/2h.png"), QSize(72, 72)).isNull());
  EXPECT_TRUE(DoubleSizeImage(QString(), QSize(72, 72)).isNull());
}
