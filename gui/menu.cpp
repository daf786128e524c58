#include "gui/toolkit_p.h"
#include "gui/widgets_p.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <algorithm>
#include <set>

namespace
{
// A key bound to a menu item: pressing it while the owning window is in front chooses the item.
struct THotKey {
  int key;
  int modifiers;
  TGadget* source;
  QWidget* owner;
  // A key without a menu item posts HotkeyHit for its window instead of a menu action.
  bool hit = false;
};

std::vector<THotKey>& HotKeys()
{
  static std::vector<THotKey> keys;
  return keys;
}

// The letter a menu title opens with Alt: the one after its first '&' that is not an escaped
// "&&"; a null character when it has none. A plain loop, not a regular expression, which at
// every start would cost the compile and the pages of the expression library.
QChar AltLetter(const QString& title)
{
  for (qsizetype i = 0; i + 1 < title.size(); ++i)
    if (title[i] == '&') {
      if (title[i + 1] != '&') return title[i + 1];
      ++i;
    }
  return QChar();
}

QString KeyName(int key)
{
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return QString(QChar(key));
  if (key >= 0x70 && key <= 0x7B) return "F" + QString::number(key - 0x6F);
  switch (key) {
  case 8:
    return "Backspace";
  case 9:
    return "Tab";
  case 13:
    return "Enter";
  case 27:
    return "Esc";
  case 32:
    return "Space";
  case 33:
    return "PageUp";
  case 34:
    return "PageDown";
  case 35:
    return "End";
  case 36:
    return "Home";
  case 37:
    return "Left";
  case 38:
    return "Up";
  case 39:
    return "Right";
  case 40:
    return "Down";
  case 45:
    return "Insert";
  case 46:
    return "Delete";
  case 0x6A:
    return "Num *";
  case 0x6B:
    return "Num +";
  case 0x6D:
    return "Num -";
  case 0x6E:
    return "Num .";
  case 0x6F:
    return "Num /";
  default:
    return QString(QChar(key));
  }
}

class TMenuGadget : public TGadget
{
public:
  TMenuGadget() : TGadget(GADGET_MENUITEM) {}

  QMenuBar* bar = nullptr; // root only
  QMenu* menu = nullptr;   // a menu of the bar, or an item that has entries
  QAction* action = nullptr;
  QString text;
  QString keyName;
  // The item shows a check mark once the program has set its state; the program alone decides
  // it, choosing the item does not toggle it.
  bool selected = false;
  // The other items of its radio group, itself included; empty for a plain item. Choosing a
  // radio item chooses it, as a radio button is chosen by its click.
  std::shared_ptr<std::vector<TMenuGadget*>> radio;

  void Choose()
  {
    if (!radio) return;
    for (TMenuGadget* item : *radio)
      item->Show(item == this);
  }
  void Show(bool on)
  {
    selected = on;
    if (!action || action->isSeparator()) return;
    action->setCheckable(true);
    action->setChecked(selected);
  }

  TMenuGadget* Root()
  {
    TMenuGadget* g = this;
    while (g->parent)
      g = static_cast<TMenuGadget*>(g->parent);
    return g;
  }

  // The entries of this item go into its drop-down, made on the first child.
  QMenu* SubMenu()
  {
    if (menu) return menu;
    if (bar) return nullptr;
    // Owned by the menu that holds its item, as Qt's own submenus are, so that it goes with
    // its window and is found among the window's children.
    menu = new QMenu(action ? qobject_cast<QWidget*>(action->parent()) : nullptr);
    if (action) action->setMenu(menu);
    return menu;
  }

  void SetText(const QString& t) override
  {
    text = t;
    // The key stands beside the text as the item's shortcut, not in its text: a screen reader
    // reads the text as the item's name and the shortcut as its key binding.
    const QString shown = QString(t).replace('&', "&&");
    if (menu && !action)
      menu->setTitle(WithAltKey(shown));
    else if (action)
      action->setText(shown);
  }
  // A menu of the bar opens with Alt and a letter of its title, as on every desktop: the first
  // letter that no other menu of the bar has taken yet. The name stays the title.
  QString WithAltKey(const QString& shown) const
  {
    auto* bar = qobject_cast<QMenuBar*>(menu->parent());
    QSet<QChar> taken;
    if (bar)
      for (QAction* other : bar->actions())
        if (other != menu->menuAction()) {
          const QChar letter = AltLetter(other->text());
          if (!letter.isNull()) taken.insert(letter.toLower());
        }
    for (qsizetype i = 0; i < shown.size(); ++i) {
      if (shown[i] == '&') {
        ++i; // an escaped ampersand is no letter to take
        continue;
      }
      if (shown[i].isLetter() && !taken.contains(shown[i].toLower()))
        return shown.left(i) + '&' + shown.mid(i);
    }
    return shown;
  }
  QString GetText() override { return text; }
  void SetEnabled(int enabled) override
  {
    disabled_ = !enabled;
    if (action)
      action->setEnabled(enabled);
    else if (menu)
      menu->menuAction()->setEnabled(enabled);
  }
  void SetSelected(int state) override
  {
    if (radio && state)
      Choose();
    else
      Show(state != 0);
  }
  int State() override { return TGadget::State() | (selected ? GADGET_SELECTED : 0); }
  void Free() override
  {
    auto& keys = HotKeys();
    keys.erase(std::remove_if(keys.begin(), keys.end(),
                              [this](const THotKey& k) { return k.source == this; }),
               keys.end());
    if (radio) radio->erase(std::remove(radio->begin(), radio->end(), this), radio->end());
    radio.reset();
    delete action;
    action = nullptr;
    delete menu;
    menu = nullptr;
    TGadget::Free();
  }

  void Build(TMenuGadget* parentItem, int tag)
  {
    if (!parentItem) return; // a window's menu root
    if (parentItem->bar) {
      menu = parentItem->bar->addMenu(QString());
      return;
    }
    QMenu* into = parentItem->SubMenu();
    if (!into) return;
    if (text.isEmpty()) {
      action = into->addSeparator();
      return;
    }
    action = into->addAction(QString());
    QObject::connect(action, &QAction::triggered, action, [this, tag]() {
      if (radio)
        Choose();
      else if (action->isCheckable())
        action->setChecked(selected);
      TEvent e;
      e.id = EVENT_MENUACTION;
      e.source = this;
      e.data = tag;
      TEvent::Emit(e);
    });
  }
};

// Hot keys are tested before the focused control sees the key.
class THotKeyFilter : public QObject
{
public:
  using QObject::QObject;
  std::set<int> swallowed;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override
  {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
      return QObject::eventFilter(watched, event);
    auto* ke = static_cast<QKeyEvent*>(event);
    const int code = QtKeyToKeyCode(ke->key());
    if (event->type() == QEvent::KeyRelease) {
      if (!swallowed.count(code)) return false;
      if (!ke->isAutoRepeat()) swallowed.erase(code);
      return true;
    }
    const int mods = QtModifiersToMods(ke->modifiers());
    if (ke->key() == Qt::Key_F10 && mods == 0 && ToggleMenuBar()) {
      swallowed.insert(code);
      return true;
    }
    for (const THotKey& k : HotKeys()) {
      if (k.key != code || k.modifiers != mods) continue;
      if (!k.owner || QApplication::activeWindow() != k.owner) continue;
      // A menu item that cannot be chosen now posts its key as a hot key: the program may say
      // why.
      if (!k.hit && !GadgetDisabled(k.source)) {
        static_cast<TMenuGadget*>(k.source)->Choose();
        TEvent e;
        e.id = EVENT_MENUACTION;
        e.source = k.source;
        e.data = k.source->style;
        TEvent::Emit(e);
      } else {
        TEvent e;
        e.id = EVENT_HOTKEYHIT;
        e.source = k.source;
        e.data = k.key;
        e.mods = k.modifiers;
        TEvent::Emit(e);
      }
      swallowed.insert(code);
      return true;
    }
    return false;
  }

private:
  // F10 opens the first menu of the front window's menu bar, its first item chosen, and closes
  // an open menu again, as on every desktop.
  static bool ToggleMenuBar()
  {
    if (QWidget* popup = QApplication::activePopupWidget()) {
      if (!qobject_cast<QMenu*>(popup)) return false;
      while ((popup = QApplication::activePopupWidget()) && qobject_cast<QMenu*>(popup))
        popup->close();
      return true;
    }
    auto* window = dynamic_cast<TWindowWidget*>(QApplication::activeWindow());
    QMenuBar* bar = window ? window->menuBar : nullptr;
    if (!bar || !bar->isVisible() || bar->actions().isEmpty()) return false;
    QAction* first = bar->actions().first();
    bar->setActiveAction(first);
    if (QMenu* menu = first->menu())
      for (QAction* item : menu->actions())
        if (!item->isSeparator() && item->isEnabled() && item->isVisible()) {
          menu->setActiveAction(item);
          break;
        }
    return true;
  }
};
} // namespace

void AttachMenuBar(TGadget* root, QMenuBar* bar)
{
  static_cast<TMenuGadget*>(root)->bar = bar;
}

TGadget* NewMenuGadget(TGadget* parent, const QString& text, int tag)
{
  auto* g = new TMenuGadget;
  g->text = text;
  // The native action goes into the parent's menu now; the gadget tree link comes with
  // the attachment that follows creation.
  g->Build(static_cast<TMenuGadget*>(parent), tag);
  return g;
}

TGadget* CreateMenu(const QString& text, int tag, TGadget* parent, int hotKey, int modifiers)
{
  TGadget* item = CreateGadget(GADGET_MENUITEM, text, 0, 0, 0, 0, parent, tag);
  auto* menuItem = static_cast<TMenuGadget*>(item);
  if (hotKey && menuItem->action) {
    QString name;
    if (modifiers & MODIFIER_ALT) name += "Alt+";
    if (modifiers & MODIFIER_CONTROL) name += "Ctrl+";
    if (modifiers & MODIFIER_SHIFT) name += "Shift+";
    menuItem->keyName = name + KeyName(hotKey);
    // Shown and read as the shortcut; the key itself is caught by the filter below, so the
    // action's own shortcut acts only inside its open menu.
    menuItem->action->setShortcut(QKeySequence(menuItem->keyName));
    menuItem->action->setShortcutContext(Qt::WidgetShortcut);
    item->SetText(menuItem->text);
    TMenuGadget* root = menuItem->Root();
    QWidget* owner = root->bar ? root->bar->window() : nullptr;
    HotKeys().push_back(THotKey{hotKey, modifiers, item, owner, false});
  }
  return item;
}

void SetMenuRadioGroup(const std::vector<TGadget*>& items)
{
  auto group = std::make_shared<std::vector<TMenuGadget*>>();
  QActionGroup* marks = nullptr;
  for (TGadget* g : items) {
    if (!g || g->Class() != GADGET_MENUITEM) continue;
    auto* item = static_cast<TMenuGadget*>(g);
    if (!item->action || item->action->isSeparator()) continue;
    group->push_back(item);
    item->radio = group;
    // An exclusive action group is what makes the menu draw round marks; which item is chosen
    // is still the gadget's to say.
    if (!marks) marks = new QActionGroup(item->action->parent());
    marks->addAction(item->action);
    item->Show(item->selected);
  }
}

void InitHotKeys()
{
  static THotKeyFilter* filter = nullptr;
  if (filter) return;
  filter = new THotKeyFilter(qApp);
  qApp->installEventFilter(filter);
}

void SetHotKeyEvent(int key, int modifiers, TGadget* owner)
{
  if (!owner || !owner->Native()) return;
  HotKeys().push_back(THotKey{key, modifiers, owner, owner->Native()->window(), true});
}

void ForgetHotKeys(TGadget* owner)
{
  auto& keys = HotKeys();
  keys.erase(std::remove_if(keys.begin(), keys.end(),
                            [owner](const THotKey& k) { return k.hit && k.source == owner; }),
             keys.end());
}
