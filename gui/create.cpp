#include "gui/toolkit_p.h"
#include "gui/widgets_p.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QValidator>

// Defined with the menus: hands a window's menu root its native bar.
void AttachMenuBar(TGadget* root, QMenuBar* bar);

namespace
{
QString appTitle;

class TDesktopGadget : public TGadget
{
public:
  TDesktopGadget() : TGadget(GADGET_DESKTOP) {}
  int ClientWidth() override { return width; }
  int ClientHeight() override { return height; }
  void CleanUp() override {} // the desktop lives as long as the toolkit
};

TDesktopGadget* desktop = nullptr;

class TWindowGadget : public TGadget
{
public:
  TWindowGadget(TGadget* parentGadget, int windowStyle) : TGadget(GADGET_WINDOW)
  {
    QWidget* nativeParent =
        parentGadget && parentGadget != desktop ? parentGadget->Native() : nullptr;
    Qt::WindowFlags flags = nativeParent ? Qt::Dialog : Qt::Window;
    if (windowStyle & WINDOW_TOOL) flags = Qt::Tool;
    if (!(windowStyle & WINDOW_TITLEBAR))
      flags |= Qt::FramelessWindowHint;
    else {
      flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
               Qt::WindowCloseButtonHint;
      if (windowStyle & WINDOW_RESIZABLE)
        flags |= Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint;
    }
    window_ = new TWindowWidget(this, nativeParent, flags);
    if (windowStyle & WINDOW_MENU) {
      window_->menuBar = new QMenuBar(window_);
      menuRoot_ = NewMenuGadget(nullptr, QString(), 0);
      AttachMenuBar(menuRoot_, window_->menuBar);
    }
    SetWidget(window_);
  }

  QWidget* Container() const override { return window_ ? window_->client : nullptr; }
  TGadget* GetMenu() override { return menuRoot_; }
  void UpdateMenu() override
  {
    if (!window_ || !window_->menuBar) return;
    window_->menuBar->update();
    // The bar's height depends on its menus: keep the client area where it was asked to be.
    SetShape(xpos, ypos, width, height);
  }
  void Free() override
  {
    if (menuRoot_) {
      menuRoot_->CleanUp();
      menuRoot_ = nullptr;
    }
    ForgetHotKeys(this);
    window_ = nullptr;
    TGadget::Free();
  }
  int State() override
  {
    int state = TGadget::State();
    if (window_ && window_->isMinimized()) state |= GADGET_MINIMIZED;
    if (window_ && window_->isMaximized()) state |= GADGET_MAXIMIZED;
    return state;
  }
  void SetShape(int x, int y, int w, int h) override
  {
    xpos = x;
    ypos = y;
    width = w;
    height = h;
    if (!window_) return;
    window_->PlaceClient(w, h, !(style & WINDOW_RESIZABLE));
    const int mh = window_->MenuHeight();
    window_->setGeometry(x, y - mh, w, h + mh);
  }
  void SetShow(int show) override
  {
    TGadget::SetShow(show);
    if (show && window_) {
      window_->raise();
      window_->activateWindow();
    }
  }

private:
  TWindowWidget* window_ = nullptr;
  TGadget* menuRoot_ = nullptr;
};

class TButtonGadget : public TGadget
{
public:
  TButtonGadget(QWidget* parentWidget, int buttonStyle) : TGadget(GADGET_BUTTON)
  {
    const int kind = buttonStyle & 7;
    if (kind == BUTTON_CHECKBOX) {
      auto* box = new TCheckWidget(parentWidget);
      box->setTristate(true);
      button_ = box;
    } else if (kind == BUTTON_RADIO) {
      button_ = new QRadioButton(parentWidget);
    } else {
      auto* push = new QPushButton(parentWidget);
      if (kind == BUTTON_OK) {
        push->setDefault(true);
        push->setShortcut(QKeySequence(Qt::Key_Return));
      } else if (kind == BUTTON_CANCEL) {
        // Its window presses it on Escape, wherever the focus is in the window.
      } else {
        push->setAutoDefault(true); // Enter presses the focused button, such as "Eintragen"
      }
      button_ = push;
    }
    if (auto* box = qobject_cast<QCheckBox*>(button_)) {
      // Mouse, Space and an assistive tool's toggle action all change the state, and only
      // the mouse and Space also click: the change itself is what the program hears of.
      QObject::connect(box, &QCheckBox::stateChanged, box, [this](int) {
        if (!settingState_) PostAction();
      });
    } else {
      QObject::connect(button_, &QAbstractButton::clicked, button_, [this]() { PostAction(); });
    }
    SetWidget(button_);
  }
  void PostAction()
  {
    TEvent e;
    e.id = EVENT_GADGETACTION;
    e.source = this;
    e.data = ButtonState(this);
    TEvent::Emit(e);
  }
  void SetText(const QString& text) override
  {
    if (button_) button_->setText(QString(text).replace('&', "&&"));
  }
  QString GetText() override
  {
    if (!button_) return QString();
    // Read for every cell and sum after every click: most texts hold no '&' to unescape.
    QString text = button_->text();
    return text.contains('&') ? text.replace("&&", "&") : text;
  }
  int State() override
  {
    int state = TGadget::State();
    if (auto* box = qobject_cast<QCheckBox*>(button_)) {
      if (box->checkState() == Qt::Checked) state |= GADGET_SELECTED;
      if (box->checkState() == Qt::PartiallyChecked)
        state |= GADGET_SELECTED | GADGET_INDETERMINATE;
    } else if (button_ && button_->isCheckable() && button_->isChecked()) {
      state |= GADGET_SELECTED;
    }
    return state;
  }
  void SetSelected(int state) override
  {
    if (auto* box = qobject_cast<QCheckBox*>(button_)) {
      // Set by the program, not by the user: no action.
      settingState_ = true;
      box->setCheckState(state < 0 ? Qt::PartiallyChecked : state ? Qt::Checked : Qt::Unchecked);
      settingState_ = false;
    } else if (auto* radio = qobject_cast<QRadioButton*>(button_))
      radio->setChecked(state != 0);
  }
  void Free() override
  {
    button_ = nullptr;
    TGadget::Free();
  }

private:
  QAbstractButton* button_;
  bool settingState_ = false;
};

class TPanelGadget : public TGadget
{
public:
  TPanelGadget(QWidget* parentWidget, int panelStyle) : TGadget(GADGET_PANEL)
  {
    if (panelStyle & PANEL_GROUP) {
      group_ = new TGroupWidget(this, parentWidget);
      SetWidget(group_);
    } else {
      panel_ = new TPanelWidget(this, parentWidget);
      SetWidget(panel_);
    }
    if (panel_) InstallPanelAccessibility();
    if (panelStyle & PANEL_ACTIVE) {
      sensitivity = 3;
      if (panel_) {
        panel_->setMouseTracking(true);
        panel_->setFocusPolicy(Qt::NoFocus);
      }
    }
  }
  QWidget* Container() const override { return group_ ? group_->inner : widget_; }
  int ClientWidth() override
  {
    if (group_) return std::max(0, width - 8);
    return (style & PANEL_SUNKEN) ? std::max(0, width - 4) : width;
  }
  int ClientHeight() override
  {
    if (group_) return std::max(0, height - 20);
    return (style & PANEL_SUNKEN) ? std::max(0, height - 4) : height;
  }
  void SetText(const QString& text) override
  {
    text_ = text;
    if (group_) group_->setTitle(text);
  }
  QString GetText() override { return text_; }
  void SetColor(int r, int g, int b) override
  {
    if (panel_) {
      background_ = (r << 16) | (g << 8) | b;
      panel_->background = QColor(r, g, b);
      panel_->update();
    } else {
      TGadget::SetColor(r, g, b);
    }
  }
  void SetPixmap(const TPixmapPtr& pixmap, int flags) override
  {
    TGadget::SetPixmap(pixmap, flags);
    if (!panel_) return;
    panel_->image = pixmap ? PixmapToImage(*pixmap) : QImage();
    panel_->source = pixmap ? pixmap->source : QString();
    panel_->flags = flags;
    panel_->update();
  }
  void Free() override
  {
    panel_ = nullptr;
    group_ = nullptr;
    TGadget::Free();
  }

private:
  TPanelWidget* panel_ = nullptr;
  TGroupWidget* group_ = nullptr;
  QString text_;
};

class TLabelGadget : public TGadget
{
public:
  TLabelGadget(QWidget* parentWidget, int labelStyle) : TGadget(GADGET_LABEL)
  {
    label_ = new QLabel(parentWidget);
    label_->setTextFormat(Qt::PlainText);
    label_->setWordWrap(true);
    Qt::Alignment align = Qt::AlignLeft;
    if (labelStyle & LABEL_CENTER)
      align = Qt::AlignHCenter;
    else if (labelStyle & LABEL_RIGHT)
      align = Qt::AlignRight;
    label_->setAlignment(align | Qt::AlignVCenter);
    switch (labelStyle & 7) {
    case LABEL_FRAME:
      label_->setFrameStyle(QFrame::Box | QFrame::Plain);
      break;
    case LABEL_SUNKENFRAME:
      label_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      break;
    case LABEL_SEPARATOR:
      label_->setFrameStyle(QFrame::HLine | QFrame::Sunken);
      break;
    default:
      break;
    }
    SetWidget(label_);
  }
  void SetText(const QString& text) override
  {
    if (label_ && (style & 7) != LABEL_SEPARATOR) label_->setText(text);
  }
  QString GetText() override { return label_ ? label_->text() : QString(); }
  void Free() override
  {
    label_ = nullptr;
    TGadget::Free();
  }

private:
  QLabel* label_;
};

class TTextFieldGadget : public TGadget
{
public:
  explicit TTextFieldGadget(QWidget* parentWidget) : TGadget(GADGET_TEXTFIELD)
  {
    edit_ = new TLineEditWidget(this, parentWidget);
    QObject::connect(edit_, &QLineEdit::textEdited, edit_, [this]() {
      TEvent e;
      e.id = EVENT_GADGETACTION;
      e.source = this;
      TEvent::Emit(e);
    });
    SetWidget(edit_);
  }
  void SetText(const QString& text) override
  {
    if (edit_) edit_->setText(text);
  }
  QString GetText() override { return edit_ ? edit_->text() : QString(); }
  void Free() override
  {
    edit_ = nullptr;
    TGadget::Free();
  }
  TLineEditWidget* edit_;
};

// Accepts printable ISO 8859-1 only.
class TLatin1Validator : public QValidator
{
public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override
  {
    for (QChar c : input)
      if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0) || c.unicode() > 0xFF)
        return Invalid;
    return Acceptable;
  }
};
} // namespace

TGadget* Desktop()
{
  if (!desktop) {
    desktop = new TDesktopGadget;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      desktop->width = screen->geometry().width();
      desktop->height = screen->geometry().height();
    }
  }
  return desktop;
}

void SetDesktopSize(int width, int height)
{
  Desktop()->width = width;
  Desktop()->height = height;
}

void SetAppTitle(const QString& title)
{
  appTitle = title;
}
QString AppTitle()
{
  return appTitle;
}

TGadget* FinishGadget(TGadget* g, const QString& text, int x, int y, int w, int h, TGadget* parent,
                      int style)
{
  const int cls = g->Class();
  g->style = style;
  g->SetText(text);
  g->Attach(parent);
  if (cls == GADGET_MENUITEM) return g;
  g->SetShape(x, y, w, h);
  if (cls == GADGET_WINDOW) {
    g->SetShow(!(style & WINDOW_HIDDEN));
  } else {
    static TGuiFontPtr defaultFont = LibraryFont(1, 0, 0);
    g->SetFont(defaultFont);
    // A control that was never hidden appears with its parent: showing each one of a window
    // still being built paid for every control what the window's own show does for all.
    const QWidget* native = g->Native();
    const QWidget* holder = native ? native->parentWidget() : nullptr;
    if (!holder || holder->isVisible()) g->SetShow(1);
  }
  return g;
}

TGadget* CreateGadget(int cls, const QString& text, int x, int y, int w, int h, TGadget* parent,
                      int style)
{
  if (cls == GADGET_WINDOW && !parent) parent = Desktop();
  QWidget* container = parent ? parent->Container() : nullptr;
  TGadget* g = nullptr;
  switch (cls) {
  case GADGET_WINDOW:
    g = new TWindowGadget(parent, style);
    break;
  case GADGET_BUTTON:
    g = new TButtonGadget(container, style);
    // Every push-button variant is stored as the plain push style.
    if ((style & 7) <= 1 || (style & 7) >= 6) style = BUTTON_PUSH;
    break;
  case GADGET_PANEL:
    g = new TPanelGadget(container, style);
    break;
  case GADGET_TEXTFIELD:
    g = new TTextFieldGadget(container);
    break;
  case GADGET_TEXTAREA:
    g = NewTextAreaGadget(parent, style);
    break;
  case GADGET_LABEL:
    g = new TLabelGadget(container, style);
    break;
  case GADGET_MENUITEM:
    g = NewMenuGadget(parent, text, style);
    break;
  default:
    return nullptr;
  }
  return FinishGadget(g, text, x, y, w, h, parent, style);
}

namespace
{
// Where a window's client area stands on the desktop: where it was put at creation until it
// is shown, then wherever the user or the window manager has moved it.
QPoint ClientOrigin(TGadget* window)
{
  const QWidget* client = window->Container();
  if (client && client->isVisible()) return client->mapToGlobal(QPoint(0, 0));
  return QPoint(window->xpos, window->ypos);
}
} // namespace

TGadget* CreateWindow(const QString& text, int x, int y, int w, int h, TGadget* parent, int style)
{
  if (style & WINDOW_CENTER) {
    // Integer division truncates toward zero, also for a negative half.
    if (parent && parent != Desktop()) {
      // Over the parent where it stands now, which the user may have moved since.
      const QPoint at = ClientOrigin(parent);
      x = at.x() + (parent->width - w) / 2;
      y = at.y() + (parent->height - h) / 2;
    } else {
      x = (Desktop()->width - w) / 2;
      y = (Desktop()->height - h) / 2;
    }
  }
  return CreateGadget(GADGET_WINDOW, text, x, y, w, h, parent, style);
}

TGadget* CreateButton(const QString& text, int x, int y, int w, int h, TGadget* parent, int style)
{
  return CreateGadget(GADGET_BUTTON, text, x, y, w, h, parent, style);
}

TGadget* CreatePanel(int x, int y, int w, int h, TGadget* parent, int style, const QString& title)
{
  return CreateGadget(GADGET_PANEL, title, x, y, w, h, parent, style);
}

TGadget* CreateLabel(const QString& text, int x, int y, int w, int h, TGadget* parent, int style)
{
  return CreateGadget(GADGET_LABEL, text, x, y, w, h, parent, style);
}

TGadget* CreateTextField(int x, int y, int w, int h, TGadget* parent, int style)
{
  return CreateGadget(GADGET_TEXTFIELD, QString(), x, y, w, h, parent, style);
}

TGadget* CreateTextArea(int x, int y, int w, int h, TGadget* parent, int style)
{
  return CreateGadget(GADGET_TEXTAREA, QString(), x, y, w, h, parent, style);
}

void SetTextFieldLatin1(TGadget* gadget)
{
  if (!gadget || gadget->Class() != GADGET_TEXTFIELD || !gadget->Native()) return;
  auto* edit = static_cast<QLineEdit*>(gadget->Native());
  edit->setValidator(new TLatin1Validator(edit));
}

void SetAppIcon(const TPixmapPtr& pixmap)
{
  if (pixmap) QApplication::setWindowIcon(QIcon(QPixmap::fromImage(PixmapToImage(*pixmap))));
}
