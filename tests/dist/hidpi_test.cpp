// Pictures on screens of device pixel ratio 1 and 2. The same tests run once at
// QT_SCALE_FACTOR=2 and once without a factor: at ratio 2 the panels must show the double-size
// pictures, at ratio 1 the ordinary ones, and the window's layout in logical pixels must not
// move either way.

#include "app/app.h"
#include "dice/dicefield.h"
#include "forms/about.h"
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
  // A picture that is not one of the program's, and one whose pixels differ from every
  // embedded picture by a single value, are drawn as they are.
  TPixmapPtr own = LoadPixmap("incbin::2h.png");
  ASSERT_TRUE(own);
  TPanelWidget panel(nullptr, nullptr);
  panel.image = QImage(72, 72, QImage::Format_ARGB32);
  EXPECT_EQ(panel.Shown().size(), QSize(72, 72));
  EXPECT_EQ(panel.Shown().devicePixelRatio(), 1.0);
  TPixmap changed = *own;
  changed.pixels[size_t(changed.pitch) * 30 + 17] ^= 1;
  TGadget* window = CreateWindow("Pictures", 0, 0, 100, 100, nullptr, 545);
  TGadget* a = CreatePanel(0, 0, 72, 72, window, 0);
  a->SetPixmap(std::make_shared<TPixmap>(changed), PANELPIXMAP_TILE);
  EXPECT_EQ(static_cast<TPanelWidget*>(a->Native())->Shown().devicePixelRatio(), 1.0);
  a->SetPixmap(own, PANELPIXMAP_TILE);
  EXPECT_EQ(static_cast<TPanelWidget*>(a->Native())->Shown().devicePixelRatio(),
            window->Native()->devicePixelRatioF());
  FreeGadget(window);
}
