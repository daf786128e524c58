#include "gui/driver.h"
#include "gui/toolkit_p.h"
#include "gui/widgets_p.h"

#include <QEvent>
#include <QLabel>
#include <set>

namespace
{
std::set<const TGadget*>& Links()
{
  static std::set<const TGadget*> links;
  return links;
}

class THyperlinkWidget : public QLabel
{
public:
  THyperlinkWidget(TGadget* g, QWidget* parent) : QLabel(parent), gadget(g) {}
  TGadget* gadget;

protected:
  bool event(QEvent* event) override
  {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      PostMouseEvent(gadget, EVENT_MOUSEDOWN, event);
      return true;
    case QEvent::MouseButtonRelease:
      PostMouseEvent(gadget, EVENT_MOUSEUP, event);
      return true;
    case QEvent::MouseMove:
      PostMouseEvent(gadget, EVENT_MOUSEMOVE, event);
      return true;
    case QEvent::Enter:
      PostMouseEvent(gadget, EVENT_MOUSEENTER, event);
      return true;
    case QEvent::Leave: {
      TEvent e;
      e.id = EVENT_MOUSELEAVE;
      e.source = gadget;
      TEvent::Emit(e);
      return true;
    }
    default:
      return QLabel::event(event);
    }
  }
};

// A label that opens its address when pressed. Its events never reach the program: a hook
// ahead of the queue reacts to them and swallows them.
class THyperlinkGadget : public TGadget
{
public:
  THyperlinkGadget(QWidget* parentWidget, const QString& address, int labelStyle)
      : TGadget(GADGET_LABEL), url(address)
  {
    label_ = new THyperlinkWidget(this, parentWidget);
    label_->setTextFormat(Qt::PlainText);
    label_->setWordWrap(true);
    Qt::Alignment align = Qt::AlignLeft;
    if (labelStyle & LABEL_CENTER)
      align = Qt::AlignHCenter;
    else if (labelStyle & LABEL_RIGHT)
      align = Qt::AlignRight;
    label_->setAlignment(align | Qt::AlignVCenter);
    label_->setMouseTracking(true);
    sensitivity = 1;
    SetWidget(label_);
    Links().insert(this);
    ApplyLook();
  }
  ~THyperlinkGadget() override { Links().erase(this); }

  void SetText(const QString& text) override
  {
    if (label_) label_->setText(text.isEmpty() ? url : text);
  }
  QString GetText() override { return label_ ? label_->text() : QString(); }
  void SetTextColor(int r, int g, int b) override
  {
    normal_ = QColor(r, g, b);
    ApplyLook();
  }
  void SetColor(int r, int g, int b) override
  {
    hover_ = QColor(r, g, b);
    ApplyLook();
  }
  void SetFont(const TGuiFontPtr& font) override
  {
    TGadget::SetFont(font);
    ApplyLook();
  }
  void Free() override
  {
    label_ = nullptr;
    TGadget::Free();
  }

  void Handle(const TEvent& e)
  {
    switch (e.id) {
    case EVENT_MOUSEENTER:
      hovered_ = true;
      ApplyLook();
      break;
    case EVENT_MOUSELEAVE:
      hovered_ = false;
      ApplyLook();
      break;
    case EVENT_MOUSEDOWN:
      // The second press of a double click lands on the same spot: open the address once.
      if (!hasPress_ || e.x != pressX_ || e.y != pressY_) OpenURL(url);
      hasPress_ = true;
      pressX_ = e.x;
      pressY_ = e.y;
      break;
    default:
      break;
    }
  }

  QString url;

private:
  void ApplyLook()
  {
    if (!label_) return;
    QPalette pal = label_->palette();
    pal.setColor(QPalette::WindowText, hovered_ ? hover_ : normal_);
    label_->setPalette(pal);
    QFont f = font_ ? *font_->handle : label_->font();
    f.setUnderline(hovered_);
    label_->setFont(f);
    label_->setCursor(hovered_ ? Qt::PointingHandCursor : Qt::ArrowCursor);
  }

  THyperlinkWidget* label_;
  QColor normal_{0, 0, 255};
  QColor hover_{255, 0, 0};
  bool hovered_ = false;
  bool hasPress_ = false;
  int pressX_ = 0;
  int pressY_ = 0;
};

bool LinkHook(TEvent& e)
{
  if (!e.source || !Links().count(e.source)) return true;
  static_cast<THyperlinkGadget*>(e.source)->Handle(e);
  return false;
}
} // namespace

TGadget* NewHyperlinkGadget(TGadget* parent, const QString& url, int style)
{
  static const int hook = AddHook(1, LinkHook);
  (void)hook;
  return new THyperlinkGadget(parent ? parent->Container() : nullptr, url, style);
}

TGadget* CreateHyperlink(const QString& url, int x, int y, int w, int h, TGadget* parent, int style,
                         const QString& text)
{
  return FinishGadget(NewHyperlinkGadget(parent, url, style), text, x, y, w, h, parent, style);
}
