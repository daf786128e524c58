// What assistive technology finds: names and descriptions of gadgets, and active panels that
// act as toggles (the dice) or as buttons.

#include "gui/widgets_p.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace
{
// An active panel as assistive technology sees it: a toggle when the program made it one
// (a die that can be held), and pressing or toggling it is a left click, as with the mouse.
// A toggle that can no longer change (a die after the turn's last roll) keeps its tick, is
// reported as unavailable and offers no action.
class TPanelAccessible : public QAccessibleWidget
{
public:
  explicit TPanelAccessible(TPanelWidget* w) : QAccessibleWidget(w, QAccessible::Client) {}

  QAccessible::Role role() const override
  {
    return Panel()->toggle ? QAccessible::CheckBox : QAccessibleWidget::role();
  }
  QAccessible::State state() const override
  {
    QAccessible::State s = QAccessibleWidget::state();
    if (Panel()->toggle) {
      s.checkable = true;
      s.checked = Panel()->checked;
    }
    if (Panel()->fixed) s.disabled = true;
    return s;
  }
  QStringList actionNames() const override
  {
    QStringList names = QAccessibleWidget::actionNames();
    if (Clickable()) names.prepend(Panel()->toggle ? toggleAction() : pressAction());
    return names;
  }
  void doAction(const QString& name) override
  {
    if (Clickable() && (name == toggleAction() || name == pressAction())) {
      TEvent e;
      e.source = Panel()->gadget;
      e.data = 1;
      e.x = Panel()->width() / 2;
      e.y = Panel()->height() / 2;
      e.id = EVENT_MOUSEDOWN;
      TEvent::Emit(e);
      e.id = EVENT_MOUSEUP;
      TEvent::Emit(e);
      return;
    }
    QAccessibleWidget::doAction(name);
  }

private:
  TPanelWidget* Panel() const { return static_cast<TPanelWidget*>(widget()); }
  bool Clickable() const
  {
    return Panel()->gadget && (Panel()->gadget->sensitivity & 1) && Panel()->isEnabled() &&
           !Panel()->fixed;
  }
};

// A label that speaks for itself: the role of a notification, which a screen reader reads
// out when it appears (the Qt of Debian 12 has no announcement event and no live regions).
class TLiveAccessible : public QAccessibleWidget
{
public:
  explicit TLiveAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Notification) {}
  QString text(QAccessible::Text t) const override
  {
    if (t == QAccessible::Name) return widget()->accessibleName();
    return QAccessibleWidget::text(t);
  }
};

const char* const LIVE_PROPERTY = "wwLive";

QAccessibleInterface* PanelAccessibleFactory(const QString&, QObject* object)
{
  if (auto* panel = dynamic_cast<TPanelWidget*>(object)) return new TPanelAccessible(panel);
  if (auto* widget = qobject_cast<QWidget*>(object);
      widget && widget->property(LIVE_PROPERTY).toBool())
    return new TLiveAccessible(widget);
  return nullptr;
}

TPanelWidget* PanelOf(TGadget* gadget)
{
  return gadget ? dynamic_cast<TPanelWidget*>(gadget->Native()) : nullptr;
}

// Tells a running screen reader that a name or description changed, which the Qt of Debian 12
// does not do by itself (a later Qt announcing it too does no harm). Without one nothing is
// sent, and no accessibility object is made for a widget that nobody asks about.
void Announce(QWidget* widget, QAccessible::Event change)
{
  if (!QAccessible::isActive()) return;
  QAccessibleEvent event(widget, change);
  QAccessible::updateAccessibility(&event);
}

void AnnounceState(TPanelWidget* panel, bool checked, bool disabled)
{
  QAccessible::State state;
  state.checked = checked;
  state.disabled = disabled;
  QAccessibleStateChangeEvent event(panel, state);
  QAccessible::updateAccessibility(&event);
}
} // namespace

void InstallPanelAccessibility()
{
  // Factories installed later are asked first, so this one comes before Qt's own.
  static bool done = false;
  if (done) return;
  done = true;
  QAccessible::installFactory(PanelAccessibleFactory);
}

void SetAccessibleName(TGadget* gadget, const QString& name)
{
  // Unchanged names are not announced again.
  if (gadget && gadget->Native() && gadget->Native()->accessibleName() != name) {
    gadget->Native()->setAccessibleName(name);
    Announce(gadget->Native(), QAccessible::NameChanged);
  }
}

QString AccessibleName(TGadget* gadget)
{
  return gadget && gadget->Native() ? gadget->Native()->accessibleName() : QString();
}

void SetAccessibleDescription(TGadget* gadget, const QString& description)
{
  if (gadget && gadget->Native() && gadget->Native()->accessibleDescription() != description) {
    gadget->Native()->setAccessibleDescription(description);
    Announce(gadget->Native(), QAccessible::DescriptionChanged);
  }
}

QString AccessibleDescription(TGadget* gadget)
{
  return gadget && gadget->Native() ? gadget->Native()->accessibleDescription() : QString();
}

void SetAccessibleLive(TGadget* gadget)
{
  QWidget* widget = gadget ? gadget->Native() : nullptr;
  if (!widget || widget->property(LIVE_PROPERTY).toBool()) return;
  // Set before anyone asks for the label's accessibility object, which is made once.
  widget->setProperty(LIVE_PROPERTY, true);
}

void AnnounceLive(TGadget* gadget)
{
  QWidget* widget = gadget ? gadget->Native() : nullptr;
  if (!widget || !widget->isVisible()) return;
  // Showing the notification told the screen reader already; an alert as well, for the
  // platforms that read one.
  Announce(widget, QAccessible::Alert);
}

void SetAccessibleChecked(TGadget* gadget, int checked)
{
  TPanelWidget* panel = PanelOf(gadget);
  if (!panel) return;
  const bool changed = !panel->toggle || panel->checked != (checked != 0);
  panel->toggle = true;
  panel->checked = checked != 0;
  if (changed) AnnounceState(panel, true, false);
}

void SetAccessibleFixed(TGadget* gadget, int fixed)
{
  TPanelWidget* panel = PanelOf(gadget);
  if (!panel || panel->fixed == (fixed != 0)) return;
  panel->fixed = fixed != 0;
  AnnounceState(panel, false, true);
}
