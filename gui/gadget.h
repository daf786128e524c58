#pragma once

// The gadget tree: windows, buttons, panels, labels, text fields, the text area, menus and
// the hyperlink, each a thin object over a native Qt control. The game sees this header only.

#include "gui/pixmap.h"

#include <QString>
#include <memory>
#include <vector>

class QWidget;
class QFont;

// Class codes, as CreateGadget takes them and Class returns them.
enum : int {
  GADGET_DESKTOP = 0,
  GADGET_WINDOW = 1,
  GADGET_BUTTON = 2,
  GADGET_PANEL = 3,
  GADGET_TEXTFIELD = 4,
  GADGET_TEXTAREA = 5,
  GADGET_LABEL = 12,
  GADGET_MENUITEM = 15,
};

// Window styles. A window with a title bar and a parent window is a dialog of that window: the
// window manager keeps it in front of its parent, and Escape in it presses its Cancel button
// (button style 5) or, when it has none, posts WindowClose as its close box does.
enum : int {
  WINDOW_TITLEBAR = 1,
  WINDOW_RESIZABLE = 2,
  WINDOW_MENU = 4,
  WINDOW_STATUS = 8,
  WINDOW_TOOL = 16,
  WINDOW_CLIENTCOORDS = 32,
  WINDOW_HIDDEN = 64,
  WINDOW_ACCEPTFILES = 128,
  WINDOW_CENTER = 512,
};

// Button styles: the low three bits choose the kind.
enum : int {
  BUTTON_PUSH = 8,
  BUTTON_CHECKBOX = 2,
  BUTTON_RADIO = 3,
  BUTTON_OK = 4,
  BUTTON_CANCEL = 5,
};

// Label styles: alignment bits and frame in the low three bits.
enum : int {
  LABEL_LEFT = 0,
  LABEL_FRAME = 1,
  LABEL_SUNKENFRAME = 2,
  LABEL_SEPARATOR = 3,
  LABEL_RIGHT = 8,
  LABEL_CENTER = 16,
};

// Panel styles.
enum : int {
  PANEL_PLAIN = 0,
  PANEL_SUNKEN = 1,
  PANEL_ACTIVE = 2,
  PANEL_CANVAS = 4,
  PANEL_GROUP = 8
};

// Text area styles and text-format flags.
enum : int { TEXTAREA_WORDWRAP = 1, TEXTAREA_READONLY = 2 };
enum : int {
  TEXTFORMAT_BOLD = 1,
  TEXTFORMAT_ITALIC = 2,
  TEXTFORMAT_UNDERLINE = 4,
  TEXTFORMAT_STRIKETHROUGH = 8
};

// State bits.
enum : int {
  GADGET_MINIMIZED = 1,
  GADGET_MAXIMIZED = 2,
  GADGET_DISABLED = 4,
  GADGET_HIDDEN = 8,
  GADGET_SELECTED = 16,
  GADGET_INDETERMINATE = 64,
};

// Panel picture drawing.
enum : int {
  PANELPIXMAP_TILE = 0,
  PANELPIXMAP_CENTER = 1,
  PANELPIXMAP_FIT = 2,
  PANELPIXMAP_STRETCH = 3,
  PANELPIXMAP_FIT2 = 4
};

// Font styles.
enum : int { FONT_BOLD = 1, FONT_ITALIC = 2, FONT_UNDERLINE = 4, FONT_STRIKETHROUGH = 8 };

// A shared font description with its native font.
struct TGuiFont {
  QString name;
  QString path;
  int style = 0;
  double size = 0;
  std::unique_ptr<QFont> handle;
  TGuiFont();
  ~TGuiFont();
};
using TGuiFontPtr = std::shared_ptr<TGuiFont>;

// Type 1 is the system GUI font, FONT_FIXED its fixed-width one; size 0 or less keeps its size.
constexpr int FONT_FIXED = 2;
TGuiFontPtr LibraryFont(int type, double size, int style);

class TGadget
{
public:
  TGadget* parent = nullptr;
  std::vector<TGadget*> kids;
  int xpos = 0;
  int ypos = 0;
  int width = 0;
  int height = 0;
  int style = 0;
  int sensitivity = 0;

  explicit TGadget(int cls);
  virtual ~TGadget();
  TGadget(const TGadget&) = delete;
  TGadget& operator=(const TGadget&) = delete;

  // Frees the children, then this gadget; the object is gone afterwards.
  virtual void CleanUp();
  virtual void Free();
  virtual int ClientWidth();
  virtual int ClientHeight();
  virtual int Activate(int how);
  virtual int State();
  virtual void SetText(const QString& text);
  virtual QString GetText();
  virtual void SetFont(const TGuiFontPtr& font);
  virtual void SetColor(int r, int g, int b);
  virtual void SetTextColor(int r, int g, int b);
  virtual void SetPixmap(const TPixmapPtr& pixmap, int flags);
  virtual void SetShow(int show);
  virtual void SetEnabled(int enabled);
  virtual void SetSelected(int state);
  int Class() const { return class_; }
  virtual TGadget* GetMenu() { return nullptr; }
  virtual void UpdateMenu() {}
  virtual void AddText(const QString&) {}
  virtual int AreaLen(int) { return 0; }
  virtual void SetStyle(int, int, int, int, int, int, int) {}

  // The native control, and the native widget that holds the children's controls.
  QWidget* Native() const { return widget_; }
  virtual QWidget* Container() const { return widget_; }
  const TGuiFontPtr& Font() const { return font_; }
  const TPixmapPtr& Pixmap() const { return pixmap_; }
  int PixmapFlags() const { return pixmapFlags_; }
  // Colour set by SetColor, -1 while none was set.
  int BackgroundColor() const { return background_; }

  // Toolkit internals.
  virtual void SetShape(int x, int y, int w, int h);
  void Attach(TGadget* newParent);

protected:
  void SetWidget(QWidget* widget);

  QWidget* widget_ = nullptr;
  TGuiFontPtr font_;
  TPixmapPtr pixmap_;
  int pixmapFlags_ = 0;
  int background_ = -1;
  int class_;
  bool disabled_ = false;
  bool hidden_ = false;
};

// Creation, as the game calls it. Every call returns the new gadget; the tree owns it.
TGadget* CreateGadget(int cls, const QString& text, int x, int y, int w, int h, TGadget* parent,
                      int style);
TGadget* CreateWindow(const QString& text, int x, int y, int w, int h, TGadget* parent, int style);
TGadget* CreateButton(const QString& text, int x, int y, int w, int h, TGadget* parent, int style);
TGadget* CreatePanel(int x, int y, int w, int h, TGadget* parent, int style,
                     const QString& title = QString());
TGadget* CreateLabel(const QString& text, int x, int y, int w, int h, TGadget* parent, int style);
TGadget* CreateTextField(int x, int y, int w, int h, TGadget* parent, int style);
TGadget* CreateTextArea(int x, int y, int w, int h, TGadget* parent, int style);
// A menu item with a hot key shows the key beside its text as its shortcut. The key chooses
// the item while the menu's window is in front; while the item is disabled it posts HotkeyHit
// with the item as source and the key code as data instead.
TGadget* CreateMenu(const QString& text, int tag, TGadget* parent, int hotKey = 0,
                    int modifiers = 0);
TGadget* CreateHyperlink(const QString& url, int x, int y, int w, int h, TGadget* parent, int style,
                         const QString& text = QString());
TGadget* Desktop();

// Frees a gadget with everything in it; a null gadget is ignored.
void FreeGadget(TGadget* gadget);

// 1 when the gadget itself is disabled.
int GadgetDisabled(TGadget* gadget);
int GadgetHidden(TGadget* gadget);
// Check box state: -1 indeterminate, 1 ticked, 0 clear.
int ButtonState(TGadget* gadget);
// Restricts a text field to characters U+0020 to U+00FF, which one byte per character keeps.
void SetTextFieldLatin1(TGadget* gadget);

// The application title: main window caption and message box caption.
void SetAppTitle(const QString& title);
QString AppTitle();

// The picture that stands for the program in title bars and task lists.
void SetAppIcon(const TPixmapPtr& pixmap);

// Test seam: the desktop size is read once when the toolkit starts.
void SetDesktopSize(int width, int height);

// The name that screen readers announce for a gadget.
void SetAccessibleName(TGadget* gadget, const QString& name);
QString AccessibleName(TGadget* gadget);
// What a screen reader says after the name, such as what a button will do; empty for none.
void SetAccessibleDescription(TGadget* gadget, const QString& description);
QString AccessibleDescription(TGadget* gadget);
// A label whose new texts a screen reader speaks without being asked, as a notification: it
// is announced whenever it is shown; AnnounceLive adds an alert event for its text.
void SetAccessibleLive(TGadget* gadget);
void AnnounceLive(TGadget* gadget);
// Makes an active panel a toggle for assistive technology, ticked or not; its toggle action
// is a left click.
void SetAccessibleChecked(TGadget* gadget, int checked);
// A toggle panel that clicks no longer change (1) or that they change again (0): while fixed
// it keeps its tick, is reported as unavailable and offers no action.
void SetAccessibleFixed(TGadget* gadget, int fixed);

// Whether Tab can give the gadget the keyboard focus (buttons and text fields can from the
// start, panels cannot until told).
void SetTabStop(TGadget* gadget, int on);
// Tab moves the focus from first to second (Shift+Tab back); both in the same window.
void SetTabOrder(TGadget* first, TGadget* second);
// The arrow keys on controls laid out as a grid (rows[r][c], null for a gap): Up and Down move
// the focus along a column, Left and Right along a row, each to the nearest control that way
// that can take it now (enabled, shown, a Tab stop); where there is none the focus stays. Set
// again for the same controls, the new grid replaces the old.
void SetArrowGrid(const std::vector<std::vector<TGadget*>>& rows);

// Makes menu items one group of radio items, each drawn with a round mark: choosing one with
// the mouse, the keyboard or its hot key chooses it and clears the others before its MenuAction
// is posted, as a click chooses a radio button; SetSelected with 1 does the same from the
// program. State bit 16 says which one is chosen.
void SetMenuRadioGroup(const std::vector<TGadget*>& items);

// Points a gadget out with a badge in its top-right corner (and a frame round a button), unlike
// the held dice's blue and the focus frame: the hint's mark. MARK_KEEP is a green badge with a
// tick, MARK_RELEASE an orange one with an arrow pointing up and out. Drawn over the gadget's
// own picture, it takes no clicks; 0 takes it away. GadgetMarked says which mark (0: none).
constexpr int MARK_KEEP = 1;
constexpr int MARK_RELEASE = 2;
void SetMarked(TGadget* gadget, int marked);
int GadgetMarked(TGadget* gadget);

// A hot key of its own: pressing it while the owner window is in front posts HotkeyHit with
// the window as source, the key code as data and the modifiers as mods. Freeing the window
// drops it.
void SetHotKeyEvent(int key, int modifiers, TGadget* owner);
