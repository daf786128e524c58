#include "gui/widgets_p.h"

#include "gui/doublesize.h"

#include <QCoreApplication>
#include <QHash>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

int QtModifiersToMods(Qt::KeyboardModifiers modifiers)
{
  int mods = 0;
  if (modifiers & Qt::ShiftModifier) mods |= MODIFIER_SHIFT;
  if (modifiers & Qt::ControlModifier) mods |= MODIFIER_CONTROL;
  if (modifiers & Qt::AltModifier) mods |= MODIFIER_ALT;
  if (modifiers & Qt::MetaModifier) mods |= MODIFIER_SYSTEM;
  return mods;
}

int QtKeyToKeyCode(int key)
{
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) return key;
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 0x70 + (key - Qt::Key_F1);
  switch (key) {
  case Qt::Key_Backspace:
    return 8;
  case Qt::Key_Tab:
    return 9;
  case Qt::Key_Return:
  case Qt::Key_Enter:
    return 13;
  case Qt::Key_Shift:
    return 16;
  case Qt::Key_Control:
    return 17;
  case Qt::Key_Alt:
    return 18;
  case Qt::Key_Escape:
    return 27;
  case Qt::Key_Space:
    return 32;
  case Qt::Key_PageUp:
    return 33;
  case Qt::Key_PageDown:
    return 34;
  case Qt::Key_End:
    return 35;
  case Qt::Key_Home:
    return 36;
  case Qt::Key_Left:
    return 37;
  case Qt::Key_Up:
    return 38;
  case Qt::Key_Right:
    return 39;
  case Qt::Key_Down:
    return 40;
  case Qt::Key_Insert:
    return 45;
  case Qt::Key_Delete:
    return 46;
  default:
    return key & 0xFFFF;
  }
}

static int MouseButton(Qt::MouseButton button)
{
  switch (button) {
  case Qt::LeftButton:
    return 1;
  case Qt::RightButton:
    return 2;
  case Qt::MiddleButton:
    return 3;
  default:
    return 0;
  }
}

bool PostMouseEvent(TGadget* gadget, int id, QEvent* event)
{
  if (!gadget || !(gadget->sensitivity & 1)) return false;
  TEvent e;
  e.id = id;
  e.source = gadget;
  if (auto* me = dynamic_cast<QMouseEvent*>(event)) {
    const QPoint p = me->position().toPoint();
    e.x = p.x();
    e.y = p.y();
    e.mods = QtModifiersToMods(me->modifiers());
    if (id == EVENT_MOUSEDOWN || id == EVENT_MOUSEUP) e.data = MouseButton(me->button());
  } else if (auto* we = dynamic_cast<QWheelEvent*>(event)) {
    const QPoint p = we->position().toPoint();
    e.x = p.x();
    e.y = p.y();
    e.mods = QtModifiersToMods(we->modifiers());
    e.data = we->angleDelta().y() / 120;
  } else if (auto* ee = dynamic_cast<QEnterEvent*>(event)) {
    const QPoint p = ee->position().toPoint();
    e.x = p.x();
    e.y = p.y();
  }
  TEvent::Emit(e);
  return true;
}

TPanelWidget::TPanelWidget(TGadget* g, QWidget* parent) : QWidget(parent), gadget(g) {}

namespace
{
// The screen's copy of each loaded picture, made once per address and kind: the dice show the
// same dozen pictures at every roll and in every player's field. Loaded pictures keep their
// pixels while they keep their address, so the address identifies the picture.
QHash<QString, QPixmap>& ScreenCopies(bool sharp)
{
  static QHash<QString, QPixmap> copies[2];
  static const bool registered = [] {
    // Freed with the application, not after it, like every other picture of the screen.
    qAddPostRoutine([] {
      copies[0].clear();
      copies[1].clear();
    });
    return true;
  }();
  (void)registered;
  return copies[sharp ? 1 : 0];
}

QPixmap MakeShown(const QImage& image, const QString& source, bool sharp)
{
  if (sharp) {
    const QImage image2x = DoubleSizeImage(source, image.size());
    if (!image2x.isNull()) {
      QPixmap big = QPixmap::fromImage(image2x);
      big.setDevicePixelRatio(2.0);
      return big;
    }
  }
  return QPixmap::fromImage(image);
}
} // namespace

QPixmap TPanelWidget::Shown() const
{
  const bool sharp = devicePixelRatioF() > 1.0;
  if (source.isEmpty()) return MakeShown(image, source, sharp);
  QHash<QString, QPixmap>& copies = ScreenCopies(sharp);
  auto found = copies.constFind(source);
  if (found != copies.constEnd() && found->deviceIndependentSize().toSize() == image.size())
    return *found;
  return copies.insert(source, MakeShown(image, source, sharp)).value();
}

void TPanelWidget::paintEvent(QPaintEvent*)
{
  QPainter p(this);
  if (background.isValid()) p.fillRect(rect(), background);
  if (image.isNull()) {
    DrawFocusFrame(p);
    return;
  }
  // Places and steps are in logical pixels, whatever the resolution of the picture drawn.
  const QPixmap shown = Shown();
  const QSize size = image.size();
  switch (flags & 7) {
  case PANELPIXMAP_CENTER:
    p.drawPixmap((width() - size.width()) / 2, (height() - size.height()) / 2, shown);
    break;
  case PANELPIXMAP_FIT:
  case PANELPIXMAP_FIT2: {
    QSize s = size;
    if ((flags & 7) == PANELPIXMAP_FIT)
      s.scale(this->size(), Qt::KeepAspectRatio);
    else
      s = QSize(width(), size.height() * width() / std::max(1, size.width()));
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(
        QRect((width() - s.width()) / 2, (height() - s.height()) / 2, s.width(), s.height()),
        shown);
    break;
  }
  case PANELPIXMAP_STRETCH:
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(rect(), shown);
    break;
  default:
    for (int y = 0; y < height(); y += size.height())
      for (int x = 0; x < width(); x += size.width())
        p.drawPixmap(x, y, shown);
  }
  DrawFocusFrame(p);
}

void TPanelWidget::DrawFocusFrame(QPainter& p)
{
  if (!hasFocus()) return;
  // A dark ring with a light one inside stands out on any picture and background.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::black, 2));
  p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
  p.setPen(QPen(Qt::white, 2));
  p.drawRect(QRectF(rect()).adjusted(3, 3, -3, -3));
}

bool TPanelWidget::event(QEvent* event)
{
  const int sens = gadget ? gadget->sensitivity : 0;
  switch (event->type()) {
  case QEvent::MouseButtonPress:
  case QEvent::MouseButtonDblClick: // a double click is two presses and two releases
    if (PostMouseEvent(gadget, EVENT_MOUSEDOWN, event)) return true;
    break;
  case QEvent::MouseButtonRelease:
    if (PostMouseEvent(gadget, EVENT_MOUSEUP, event)) return true;
    break;
  case QEvent::MouseMove:
    if (PostMouseEvent(gadget, EVENT_MOUSEMOVE, event)) return true;
    break;
  case QEvent::Wheel:
    if (PostMouseEvent(gadget, EVENT_MOUSEWHEEL, event)) return true;
    break;
  case QEvent::Enter:
    if (PostMouseEvent(gadget, EVENT_MOUSEENTER, event)) return true;
    break;
  case QEvent::Leave:
    if (sens & 1) {
      TEvent e;
      e.id = EVENT_MOUSELEAVE;
      e.source = gadget;
      const QPoint p = mapFromGlobal(QCursor::pos());
      e.x = p.x();
      e.y = p.y();
      TEvent::Emit(e);
      return true;
    }
    break;
  case QEvent::KeyPress:
  case QEvent::KeyRelease:
    if (sens & 2) {
      auto* ke = static_cast<QKeyEvent*>(event);
      // Tab and Shift+Tab belong to the dialog navigation, as for every other control.
      if (ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) break;
      TEvent e;
      e.source = gadget;
      e.mods = QtModifiersToMods(ke->modifiers());
      e.data = QtKeyToKeyCode(ke->key());
      if (event->type() == QEvent::KeyRelease) {
        if (ke->isAutoRepeat()) return true;
        e.id = EVENT_KEYUP;
        TEvent::Emit(e);
        return true;
      }
      e.id = ke->isAutoRepeat() ? EVENT_KEYREPEAT : EVENT_KEYDOWN;
      TEvent::Emit(e);
      for (QChar c : ke->text()) {
        TEvent ch = e;
        ch.id = EVENT_KEYCHAR;
        ch.data = c.unicode();
        TEvent::Emit(ch);
      }
      return true;
    }
    break;
  default:
    break;
  }
  return QWidget::event(event);
}

TGroupWidget::TGroupWidget(TGadget* g, QWidget* parent)
    : QGroupBox(parent), gadget(g), inner(new QWidget(this))
{
}

void TGroupWidget::resizeEvent(QResizeEvent* event)
{
  QGroupBox::resizeEvent(event);
  inner->setGeometry(4, 16, std::max(0, width() - 8), std::max(0, height() - 20));
}

void TCheckWidget::nextCheckState()
{
  setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

TLineEditWidget::TLineEditWidget(TGadget* g, QWidget* parent) : QLineEdit(parent), gadget(g) {}

void TLineEditWidget::focusOutEvent(QFocusEvent* event)
{
  QLineEdit::focusOutEvent(event);
  TEvent e;
  e.id = EVENT_GADGETLOSTFOCUS;
  e.source = gadget;
  TEvent::Emit(e);
}

QImage PixmapToImage(const TPixmap& pixmap)
{
  QImage::Format format = QImage::Format_Invalid;
  switch (pixmap.format) {
  case PF_I8:
    format = QImage::Format_Grayscale8;
    break;
  case PF_A8:
    format = QImage::Format_Alpha8;
    break;
  case PF_RGB888:
    format = QImage::Format_RGB888;
    break;
  case PF_BGR888:
    format = QImage::Format_BGR888;
    break;
  case PF_RGBA8888:
    format = QImage::Format_RGBA8888;
    break;
  case PF_BGRA8888: // on little-endian machines ARGB32 lies in memory as B, G, R, A
    format = QImage::Format_ARGB32;
    break;
  default:
    return QImage();
  }
  return QImage(pixmap.pixels.data(), pixmap.width, pixmap.height, pixmap.pitch, format).copy();
}
