#include "gui/widgets_p.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QPalette>
#include <algorithm>

TGuiFont::TGuiFont() : handle(std::make_unique<QFont>()) {}
TGuiFont::~TGuiFont() = default;

TGuiFontPtr LibraryFont(int type, double size, int style)
{
  auto font = std::make_shared<TGuiFont>();
  // Type 1 is the system's message font, type 2 its fixed-width font (for grids of text).
  QFont f = type == FONT_FIXED ? QFontDatabase::systemFont(QFontDatabase::FixedFont)
                               : QApplication::font();
  if (size > 0) f.setPointSizeF(size);
  f.setWeight((style & FONT_BOLD) ? QFont::Bold : QFont::Normal);
  f.setItalic(style & FONT_ITALIC);
  f.setUnderline(style & FONT_UNDERLINE);
  f.setStrikeOut(style & FONT_STRIKETHROUGH);
  font->name = f.family();
  font->style = style;
  font->size = f.pointSizeF();
  *font->handle = f;
  return font;
}

TGadget::TGadget(int cls) : class_(cls) {}

TGadget::~TGadget()
{
  // Normally Free ran already; this covers gadgets dropped without CleanUp.
  delete widget_;
}

void TGadget::SetWidget(QWidget* widget)
{
  widget_ = widget;
}

void TGadget::CleanUp()
{
  const std::vector<TGadget*> children = kids;
  for (TGadget* kid : children)
    kid->CleanUp();
  kids.clear();
  Free();
  if (parent) {
    auto& siblings = parent->kids;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    parent = nullptr;
  }
  ForgetEventSource(this);
  delete this;
}

void TGadget::Free()
{
  delete widget_;
  widget_ = nullptr;
  font_.reset();
  pixmap_.reset();
}

int TGadget::ClientWidth()
{
  QWidget* c = Container();
  return c ? c->width() : width;
}

int TGadget::ClientHeight()
{
  QWidget* c = Container();
  return c ? c->height() : height;
}

int TGadget::Activate(int)
{
  if (widget_) widget_->setFocus(Qt::OtherFocusReason);
  return 0;
}

int TGadget::State()
{
  int state = 0;
  if (disabled_) state |= GADGET_DISABLED;
  if (hidden_) state |= GADGET_HIDDEN;
  return state;
}

void TGadget::SetText(const QString& text)
{
  if (widget_) widget_->setWindowTitle(text);
}

QString TGadget::GetText()
{
  return widget_ ? widget_->windowTitle() : QString();
}

void TGadget::SetFont(const TGuiFontPtr& font)
{
  font_ = font;
  // Every new control is given the default font, which it already shows by inheritance;
  // setting an equal font anyway resolves and propagates it again, which start-up paid for
  // every one of its controls.
  if (widget_ && font && widget_->font() != *font->handle) widget_->setFont(*font->handle);
}

void TGadget::SetColor(int r, int g, int b)
{
  background_ = (r << 16) | (g << 8) | b;
  if (!widget_) return;
  QPalette pal = widget_->palette();
  pal.setColor(QPalette::Window, QColor(r, g, b));
  widget_->setPalette(pal);
  widget_->setAutoFillBackground(true);
}

void TGadget::SetTextColor(int r, int g, int b)
{
  if (!widget_) return;
  QPalette pal = widget_->palette();
  pal.setColor(QPalette::WindowText, QColor(r, g, b));
  pal.setColor(QPalette::ButtonText, QColor(r, g, b));
  pal.setColor(QPalette::Text, QColor(r, g, b));
  widget_->setPalette(pal);
}

void TGadget::SetPixmap(const TPixmapPtr& pixmap, int flags)
{
  pixmap_ = pixmap;
  pixmapFlags_ = flags;
}

void TGadget::SetShow(int show)
{
  hidden_ = !show;
  if (!widget_) return;
  if (!show) {
    // The focus must not stay in a hidden control: it goes to the parent. Asked of the window,
    // which keeps its focus control while another window is in front or none is active (no
    // window manager), so that Qt does not hand it to the next control in the Tab order.
    QWidget* focus = widget_->window()->focusWidget();
    if (focus && (focus == widget_ || widget_->isAncestorOf(focus)) && parent &&
        parent->Container())
      parent->Container()->setFocus(Qt::OtherFocusReason);
    widget_->hide();
  } else {
    widget_->show();
  }
}

void TGadget::SetEnabled(int enabled)
{
  disabled_ = !enabled;
  if (widget_) widget_->setEnabled(enabled != 0);
}

void TGadget::SetSelected(int) {}

void TGadget::SetShape(int x, int y, int w, int h)
{
  xpos = x;
  ypos = y;
  width = w;
  height = h;
  if (widget_) widget_->setGeometry(x, y, w, h);
}

void TGadget::Attach(TGadget* newParent)
{
  parent = newParent;
  if (newParent) newParent->kids.push_back(this);
}

void FreeGadget(TGadget* gadget)
{
  if (gadget) gadget->CleanUp();
}

int GadgetDisabled(TGadget* gadget)
{
  return gadget && (gadget->State() & GADGET_DISABLED) ? 1 : 0;
}
int GadgetHidden(TGadget* gadget)
{
  return gadget && (gadget->State() & GADGET_HIDDEN) ? 1 : 0;
}

int ButtonState(TGadget* gadget)
{
  if (!gadget) return 0;
  const int state = gadget->State();
  if (state & GADGET_INDETERMINATE) return -1;
  return (state & GADGET_SELECTED) ? 1 : 0;
}

void SetTabStop(TGadget* gadget, int on)
{
  // Tab only: a mouse click on a panel does not move the focus (nor draw its frame).
  if (gadget && gadget->Native()) gadget->Native()->setFocusPolicy(on ? Qt::TabFocus : Qt::NoFocus);
}

void SetTabOrder(TGadget* first, TGadget* second)
{
  if (!first || !second || !first->Native() || !second->Native()) return;
  QWidget::setTabOrder(first->Native(), second->Native());
}
