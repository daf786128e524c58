// The hint's marks: a badge drawn over a gadget, with a frame of its colour round a button;
// green with a tick for "keep" or "this one", orange with an arrow out for "let go". A
// child widget of its own, so that it lies over whatever the gadget draws (a die's picture, its
// focus frame, a button's face) and goes away without the gadget having to know of it.

#include "gui/widgets_p.h"

#include <QAbstractButton>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>

namespace
{
const QColor MARK_GREEN(22, 150, 60);
const QColor MARK_ORANGE(214, 96, 0);

class TMarkWidget : public QWidget
{
public:
  TMarkWidget(QWidget* parent, int kind) : QWidget(parent), kind(kind)
  {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName("Tipp");
    setGeometry(parent->rect());
    parent->installEventFilter(this);
  }
  int kind;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override
  {
    if (watched == parentWidget() && event->type() == QEvent::Resize)
      setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
  }

  void paintEvent(QPaintEvent*) override
  {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool button = qobject_cast<QAbstractButton*>(parentWidget()) != nullptr;
    const QColor colour = kind == MARK_RELEASE ? MARK_ORANGE : MARK_GREEN;
    if (button) {
      // A cell is too small for a badge alone to be seen at a glance.
      p.setPen(QPen(colour, 2));
      p.setBrush(Qt::NoBrush);
      p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 3, 3);
    }
    // Logical pixels throughout: on a 2x screen the same shapes come out twice as sharp.
    const qreal r = std::clamp(std::min(width(), height()) / 6.0, 4.0, 12.0);
    const QPointF centre(width() - r - (button ? 1 : 3), r + (button ? 1 : 3));
    p.setPen(QPen(Qt::white, r >= 8 ? 2 : 1));
    p.setBrush(colour);
    p.drawEllipse(centre, r, r);
    if (r < 8) return;
    // The shape inside tells the marks apart for those who do not tell green from orange: a
    // tick says "this one", an arrow up and out "let it go".
    QPainterPath tick;
    if (kind == MARK_RELEASE) {
      tick.moveTo(centre + QPointF(0.0, 0.5 * r));
      tick.lineTo(centre + QPointF(0.0, -0.5 * r));
      tick.moveTo(centre + QPointF(-0.4 * r, -0.1 * r));
      tick.lineTo(centre + QPointF(0.0, -0.5 * r));
      tick.lineTo(centre + QPointF(0.4 * r, -0.1 * r));
    } else {
      tick.moveTo(centre + QPointF(-0.5 * r, 0.0));
      tick.lineTo(centre + QPointF(-0.12 * r, 0.4 * r));
      tick.lineTo(centre + QPointF(0.5 * r, -0.38 * r));
    }
    p.setPen(QPen(Qt::white, std::max(2.0, r / 5), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
  }
};

TMarkWidget* MarkOf(TGadget* gadget)
{
  QWidget* native = gadget ? gadget->Native() : nullptr;
  if (!native) return nullptr;
  for (QObject* child : native->children())
    if (auto* mark = dynamic_cast<TMarkWidget*>(child)) return mark;
  return nullptr;
}
} // namespace

void SetMarked(TGadget* gadget, int marked)
{
  QWidget* native = gadget ? gadget->Native() : nullptr;
  if (!native || gadget->Class() == GADGET_WINDOW || gadget->Class() == GADGET_MENUITEM) return;
  TMarkWidget* mark = MarkOf(gadget);
  if (!marked) {
    delete mark;
    return;
  }
  const int kind = marked == MARK_RELEASE ? MARK_RELEASE : MARK_KEEP;
  if (!mark) mark = new TMarkWidget(native, kind);
  if (mark->kind != kind) {
    mark->kind = kind;
    mark->update();
  }
  mark->raise();
  mark->show();
}

int GadgetMarked(TGadget* gadget)
{
  const TMarkWidget* mark = MarkOf(gadget);
  return mark ? mark->kind : 0;
}
