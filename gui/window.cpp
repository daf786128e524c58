// The native top-level window behind a window gadget: its menu bar and client area, and what
// the window system's requests become as events. A dialog (a window with a parent) also takes
// Escape: its Cancel button answers it, and one without a Cancel button takes it as a click on
// its close box, so that a dialog's own loop hears of it as of a click it already handles. Enter
// presses its OK button wherever else the focus is, unless on another button.

#include "gui/widgets_p.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>

namespace
{
// The first enabled or disabled button of a kind (OK, Cancel) in a gadget's tree.
TGadget* FindButton(TGadget* gadget, int kind)
{
  for (TGadget* kid : gadget->kids) {
    if (kid->Class() == GADGET_BUTTON && kid->style == kind) return kid;
    if (TGadget* found = FindButton(kid, kind)) return found;
  }
  return nullptr;
}
} // namespace

TWindowWidget::TWindowWidget(TGadget* g, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), gadget(g), client(new QWidget(this))
{
  setAttribute(Qt::WA_DeleteOnClose, false);
  if (parent) {
    // Whichever control has the focus: a shortcut of the window, not a key of one control.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    escape->setAutoRepeat(false);
    QObject::connect(escape, &QShortcut::activated, this, [this]() { Escape(); });
  }
}

TWindowWidget::~TWindowWidget()
{
  // A dialog that goes while it is in front hands the keyboard back to its parent, so that
  // the main window's keys work at once, also where no window manager would do it.
  QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
  if (owner && isActiveWindow() && owner->isVisible()) owner->activateWindow();
}

void TWindowWidget::Escape()
{
  if (!gadget) return;
  if (TGadget* cancel = FindButton(gadget, BUTTON_CANCEL)) {
    // A disabled Cancel button cannot be pressed, by the mouse or by Escape.
    if (auto* button = qobject_cast<QAbstractButton*>(cancel->Native())) button->click();
    return;
  }
  TEvent e;
  e.id = EVENT_WINDOWCLOSE;
  e.source = gadget;
  TEvent::Emit(e);
}

void TWindowWidget::keyPressEvent(QKeyEvent* event)
{
  // Enter that no control of a dialog took (a text field or a check box has the focus) presses
  // its OK button, as a dialog's default button is pressed; a focused button takes it itself.
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  TGadget* ok = gadget && parentWidget() && enter && mods == Qt::NoModifier
                    ? FindButton(gadget, BUTTON_OK)
                    : nullptr;
  if (ok) {
    QAbstractButton* button = qobject_cast<QAbstractButton*>(focusWidget());
    if (!qobject_cast<QPushButton*>(button)) button = qobject_cast<QAbstractButton*>(ok->Native());
    if (button && button->isEnabled() && button->isVisible()) button->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

int TWindowWidget::MenuHeight() const
{
  return menuBar ? menuBar->sizeHint().height() : 0;
}

void TWindowWidget::PlaceClient(int w, int h, bool fixed)
{
  const int mh = MenuHeight();
  if (menuBar) menuBar->setGeometry(0, 0, w, mh);
  client->setGeometry(0, mh, w, h);
  if (fixed)
    setFixedSize(w, h + mh);
  else
    resize(w, h + mh);
}

void TWindowWidget::closeEvent(QCloseEvent* event)
{
  // A close request only asks; the program decides whether the window goes.
  event->ignore();
  TEvent e;
  e.id = EVENT_WINDOWCLOSE;
  e.source = gadget;
  TEvent::Emit(e);
}

void TWindowWidget::moveEvent(QMoveEvent* event)
{
  QWidget::moveEvent(event);
  if (!event->spontaneous()) return;
  TEvent e;
  e.id = EVENT_WINDOWMOVE;
  e.source = gadget;
  e.x = geometry().x();
  e.y = geometry().y() + MenuHeight();
  TEvent::Emit(e);
}

void TWindowWidget::resizeEvent(QResizeEvent* event)
{
  QWidget::resizeEvent(event);
  const int mh = MenuHeight();
  if (menuBar) menuBar->setGeometry(0, 0, width(), mh);
  client->setGeometry(0, mh, width(), height() - mh);
  if (!event->spontaneous()) return;
  TEvent e;
  e.id = EVENT_WINDOWSIZE;
  e.source = gadget;
  e.x = width();
  e.y = height() - mh;
  TEvent::Emit(e);
}

void TWindowWidget::changeEvent(QEvent* event)
{
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    TEvent e;
    e.id = EVENT_WINDOWACTIVATE;
    e.source = gadget;
    TEvent::Emit(e);
  }
}
