#include "gui/listbox.h"

#include "gui/event.h"
#include "gui/toolkit_p.h"

#include <QListWidget>
#include <QSignalBlocker>

namespace
{
class TListGadget : public TGadget
{
public:
  explicit TListGadget(QWidget* parentWidget) : TGadget(GADGET_LISTBOX)
  {
    list_ = new QListWidget(parentWidget);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setUniformItemSizes(true); // hundreds of lines lay out at once
    QObject::connect(list_, &QListWidget::currentRowChanged, list_, [this](int row) {
      if (row < 0) return;
      TEvent e;
      e.id = EVENT_GADGETSELECT;
      e.source = this;
      e.data = row;
      TEvent::Emit(e);
    });
    SetWidget(list_);
  }
  QListWidget* List() const { return list_; }

private:
  QListWidget* list_;
};

QListWidget* ListOf(TGadget* gadget)
{
  if (!gadget || gadget->Class() != GADGET_LISTBOX) return nullptr;
  return static_cast<TListGadget*>(gadget)->List();
}

QListWidgetItem* Line(TGadget* gadget, int line)
{
  QListWidget* list = ListOf(gadget);
  return list && line >= 0 && line < list->count() ? list->item(line) : nullptr;
}
} // namespace

TGadget* CreateListBox(int x, int y, int w, int h, TGadget* parent)
{
  auto* gadget = new TListGadget(parent ? parent->Container() : nullptr);
  return FinishGadget(gadget, QString(), x, y, w, h, parent, 0);
}

void AddListLine(TGadget* list, const QString& text, const QString& spoken)
{
  QListWidget* widget = ListOf(list);
  if (!widget) return;
  auto* item = new QListWidgetItem(text, widget);
  if (!spoken.isEmpty()) item->setData(Qt::AccessibleTextRole, spoken);
}

void ClearList(TGadget* list)
{
  if (QListWidget* widget = ListOf(list)) {
    const QSignalBlocker quiet(widget);
    widget->clear();
  }
}

int ListLines(TGadget* list)
{
  QListWidget* widget = ListOf(list);
  return widget ? widget->count() : 0;
}

int ListSelection(TGadget* list)
{
  QListWidget* widget = ListOf(list);
  return widget ? widget->currentRow() : -1;
}

void SelectListLine(TGadget* list, int line)
{
  QListWidget* widget = ListOf(list);
  if (!widget || !Line(list, line)) return;
  const QSignalBlocker quiet(widget);
  widget->setCurrentRow(line);
  widget->scrollToItem(widget->item(line));
}

QString ListLineText(TGadget* list, int line)
{
  QListWidgetItem* item = Line(list, line);
  return item ? item->text() : QString();
}

QString ListLineSpoken(TGadget* list, int line)
{
  QListWidgetItem* item = Line(list, line);
  if (!item) return QString();
  const QString spoken = item->data(Qt::AccessibleTextRole).toString();
  return spoken.isEmpty() ? item->text() : spoken;
}
