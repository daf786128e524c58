#pragma once

// Native controls behind the gadgets; private to the toolkit.

#include "gui/event.h"
#include "gui/gadget.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QWidget>

class QMenuBar;
class QPainter;

// Posts a mouse event of a gadget with mouse sensitivity; returns false when it has none.
bool PostMouseEvent(TGadget* gadget, int id, QEvent* event);
int QtModifiersToMods(Qt::KeyboardModifiers modifiers);
int QtKeyToKeyCode(int qtKey);

// Top-level window: an optional menu bar above the client area, which holds the children.
class TWindowWidget : public QWidget
{
public:
  TWindowWidget(TGadget* gadget, QWidget* parent, Qt::WindowFlags flags);
  ~TWindowWidget() override;
  TGadget* gadget;
  QMenuBar* menuBar = nullptr;
  QWidget* client;
  int MenuHeight() const;
  void PlaceClient(int w, int h, bool fixed);
  // Escape in a dialog: its Cancel button, else its close request.
  void Escape();

protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
};

// Plain, active or picture panel.
class TPanelWidget : public QWidget
{
public:
  TPanelWidget(TGadget* gadget, QWidget* parent);
  TGadget* gadget;
  QImage image;
  // Where the picture was loaded from: the program's own pictures have a double-size
  // variant, taken only when the panel is drawn on a screen of ratio above 1.
  QString source;
  int flags = 0;
  QColor background;
  // How assistive technology sees the panel: a toggle (such as a die that can be held).
  bool toggle = false;
  bool checked = false;
  // A toggle that the user can no longer change.
  bool fixed = false;
  // What the panel draws on its current screen: the double-size picture with a device pixel
  // ratio of 2 on a screen of ratio above 1 when there is one, else the picture as it is.
  QPixmap Shown() const;

protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

private:
  void DrawFocusFrame(QPainter& p);
};

// Group box whose children live in an inner area at (4, 16).
class TGroupWidget : public QGroupBox
{
public:
  TGroupWidget(TGadget* gadget, QWidget* parent);
  TGadget* gadget;
  QWidget* inner;
  QColor background;

protected:
  void resizeEvent(QResizeEvent* event) override;
};

// Check box cycling as the toolkit promises: clear or indeterminate goes to ticked.
class TCheckWidget : public QCheckBox
{
public:
  using QCheckBox::QCheckBox;

protected:
  void nextCheckState() override;
};

class TLineEditWidget : public QLineEdit
{
public:
  TLineEditWidget(TGadget* gadget, QWidget* parent);
  TGadget* gadget;

protected:
  void focusOutEvent(QFocusEvent* event) override;
};

QImage PixmapToImage(const TPixmap& pixmap);

// Lets assistive technology toggle or press active panels (installed once, on first use).
void InstallPanelAccessibility();
// Drops the hot keys that a window owns, when the window goes.
void ForgetHotKeys(TGadget* owner);
