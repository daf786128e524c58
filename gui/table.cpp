#include "gui/table.h"

#include "gui/event.h"
#include "gui/toolkit_p.h"

#include <QAccessible>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace
{
// Where a cell keeps its sort key and its row's tag.
constexpr int KEY_ROLE = Qt::UserRole + 1;
constexpr int TAG_ROLE = Qt::UserRole + 2;

// A cell that sorts by its number where it has one, else by its text as a reader expects.
class TTableItem : public QTableWidgetItem
{
public:
  explicit TTableItem(const QString& text) : QTableWidgetItem(text) {}
  bool operator<(const QTableWidgetItem& other) const override
  {
    const QVariant mine = data(KEY_ROLE);
    const QVariant theirs = other.data(KEY_ROLE);
    if (mine.isValid() && theirs.isValid()) return mine.toDouble() < theirs.toDouble();
    if (mine.isValid() != theirs.isValid()) return mine.isValid(); // figures before blanks
    return text().localeAwareCompare(other.text()) < 0;
  }
};

class TTableGadget;

class TTableWidget : public QTableWidget
{
public:
  TTableWidget(TTableGadget* gadget, QWidget* parent) : QTableWidget(parent), gadget_(gadget) {}
  int ColumnHint(int column) const { return sizeHintForColumn(column); }

protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  TTableGadget* gadget_;
};

bool IsEnter(const QKeyEvent* key)
{
  const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
  return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && mods == Qt::NoModifier;
}

class TTableGadget : public TGadget
{
public:
  explicit TTableGadget(QWidget* parentWidget) : TGadget(GADGET_TABLE)
  {
    table_ = new TTableWidget(this, parentWidget);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setTabKeyNavigation(false); // Tab leaves the table for the next control
    table_->setWordWrap(false);
    table_->setAlternatingRowColors(true);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    QHeaderView* header = table_->horizontalHeader();
    header->setStretchLastSection(true);
    header->setHighlightSections(false);
    header->setSortIndicatorShown(false);
    QObject::connect(header, &QHeaderView::sectionClicked, table_,
                     [this](int column) { HeaderClicked(column); });
    QObject::connect(table_, &QTableWidget::currentCellChanged, table_,
                     [this](int row, int, int previous, int) {
                       if (row >= 0 && row != previous) Post(EVENT_GADGETSELECT, TagOf(row));
                     });
    QObject::connect(table_, &QTableWidget::cellDoubleClicked, table_,
                     [this](int row, int) { Post(EVENT_GADGETACTION, TagOf(row)); });
    SetWidget(table_);
  }

  TTableWidget* Table() const { return table_; }
  bool Sortable() const { return sortable_; }

  void SetColumns(const QStringList& headers, bool sortable)
  {
    const QSignalBlocker quiet(table_);
    table_->setRowCount(0);
    table_->setColumnCount(static_cast<int>(headers.size()));
    table_->setHorizontalHeaderLabels(headers);
    sortable_ = sortable;
    sortColumn_ = -1;
    pending_ = false;
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionsClickable(sortable);
    header->setSortIndicatorShown(false);
    for (int c = 0; c + 1 < headers.size(); ++c)
      header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
  }

  void AddRow(int tag, const QStringList& cells, const std::vector<double>& keys)
  {
    const int row = table_->rowCount();
    const QSignalBlocker quiet(table_);
    table_->insertRow(row);
    for (int c = 0; c < table_->columnCount(); ++c) {
      auto* item = new TTableItem(c < cells.size() ? cells[c] : QString());
      const size_t k = static_cast<size_t>(c);
      if (k < keys.size() && !std::isnan(keys[k])) {
        item->setData(KEY_ROLE, keys[k]);
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      }
      item->setData(TAG_ROLE, tag);
      table_->setItem(row, c, item);
    }
    ForgetCells();
    // A sorted table takes new rows into its order once the adding is done.
    if (sortColumn_ >= 0 && !pending_) {
      pending_ = true;
      QTimer::singleShot(0, table_, [this]() { Resort(); });
    }
  }

  void Clear()
  {
    const QSignalBlocker quiet(table_);
    table_->setRowCount(0);
    ForgetCells();
  }

  // Sorts now what the adding left unsorted.
  void Resort()
  {
    if (!pending_) return;
    pending_ = false;
    if (sortColumn_ < 0) return;
    const QSignalBlocker quiet(table_);
    table_->sortItems(sortColumn_, order_);
    ForgetCells();
  }

  // A screen reader's cells follow their items: after rows come, go or move, it reads the
  // table anew (Qt does so itself only while a screen reader is running).
  void ForgetCells()
  {
    QAccessibleInterface* info = QAccessible::queryAccessibleInterface(table_);
    if (QAccessibleTableInterface* cells = info ? info->tableInterface() : nullptr) {
      QAccessibleTableModelChangeEvent reset(table_, QAccessibleTableModelChangeEvent::ModelReset);
      cells->modelChange(&reset);
    }
  }

  int TagOf(int row)
  {
    const QTableWidgetItem* item = table_->item(row, 0);
    return item ? item->data(TAG_ROLE).toInt() : -1;
  }

  int RowOf(int tag)
  {
    for (int row = 0; row < table_->rowCount(); ++row)
      if (TagOf(row) == tag) return row;
    return -1;
  }

  void Post(int id, int tag)
  {
    TEvent e;
    e.id = id;
    e.source = this;
    e.data = tag;
    TEvent::Emit(e);
  }

private:
  void HeaderClicked(int column)
  {
    if (!sortable_ || column < 0) return;
    // The first click sorts a column's way up, each further one turns it round.
    order_ = column == sortColumn_ && order_ == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                   : Qt::AscendingOrder;
    sortColumn_ = column;
    pending_ = true;
    QHeaderView* header = table_->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(column, order_);
    Resort();
    if (table_->currentRow() >= 0) table_->scrollToItem(table_->currentItem());
  }

  TTableWidget* table_;
  bool sortable_ = false;
  bool pending_ = false;
  int sortColumn_ = -1;
  Qt::SortOrder order_ = Qt::AscendingOrder;
};

bool TTableWidget::event(QEvent* event)
{
  // Enter on a table chooses its row: it is not the dialog's OK shortcut.
  if (event->type() == QEvent::ShortcutOverride && IsEnter(static_cast<QKeyEvent*>(event))) {
    event->accept();
    return true;
  }
  return QTableWidget::event(event);
}

void TTableWidget::keyPressEvent(QKeyEvent* event)
{
  if (IsEnter(event)) {
    if (currentRow() >= 0) gadget_->Post(EVENT_GADGETACTION, gadget_->TagOf(currentRow()));
    event->accept();
    return;
  }
  QTableWidget::keyPressEvent(event);
}

TTableGadget* TableOf(TGadget* gadget)
{
  if (!gadget || gadget->Class() != GADGET_TABLE) return nullptr;
  auto* table = static_cast<TTableGadget*>(gadget);
  table->Resort();
  return table;
}
} // namespace

TGadget* CreateTable(int x, int y, int w, int h, TGadget* parent)
{
  auto* gadget = new TTableGadget(parent ? parent->Container() : nullptr);
  return FinishGadget(gadget, QString(), x, y, w, h, parent, 0);
}

void SetTableColumns(TGadget* table, const QStringList& headers, bool sortable)
{
  if (TTableGadget* t = TableOf(table)) t->SetColumns(headers, sortable);
}

void AddTableRow(TGadget* table, int tag, const QStringList& cells, const std::vector<double>& keys)
{
  if (table && table->Class() == GADGET_TABLE)
    static_cast<TTableGadget*>(table)->AddRow(tag, cells, keys);
}

void ClearTable(TGadget* table)
{
  if (TTableGadget* t = TableOf(table)) t->Clear();
}

int TableRows(TGadget* table)
{
  TTableGadget* t = TableOf(table);
  return t ? t->Table()->rowCount() : 0;
}

int TableSelection(TGadget* table)
{
  TTableGadget* t = TableOf(table);
  if (!t || t->Table()->currentRow() < 0) return -1;
  return t->TagOf(t->Table()->currentRow());
}

void SelectTableRow(TGadget* table, int tag)
{
  TTableGadget* t = TableOf(table);
  if (!t) return;
  const int row = t->RowOf(tag);
  if (row < 0) return;
  const QSignalBlocker quiet(t->Table());
  t->Table()->setCurrentCell(row, 0);
  t->Table()->scrollToItem(t->Table()->item(row, 0));
}

QString TableCell(TGadget* table, int row, int column)
{
  TTableGadget* t = TableOf(table);
  const QTableWidgetItem* item = t ? t->Table()->item(row, column) : nullptr;
  return item ? item->text() : QString();
}

int TableWidthNeeded(TGadget* table)
{
  TTableGadget* t = TableOf(table);
  if (!t) return 0;
  TTableWidget* w = t->Table();
  int width = 2 * w->frameWidth() + w->verticalScrollBar()->sizeHint().width();
  for (int c = 0; c < w->columnCount(); ++c)
    width += std::max(w->ColumnHint(c), w->horizontalHeader()->sectionSizeHint(c));
  return width;
}
