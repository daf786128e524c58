// The arrow keys on a grid of controls such as a score sheet. Qt's buttons take them for Tab and
// Shift+Tab, which on a sheet of three columns goes along a row first: reaching a cell took
// dozens of presses. Here each control of the grid knows its row and column, and an arrow key
// goes straight along them.

#include "gui/gadget.h"

#include <QKeyEvent>
#include <QPointer>
#include <QWidget>
#include <memory>

namespace
{
const char* const ARROW_KEYS = "ww-arrow-keys";

using TCells = std::vector<std::vector<QPointer<QWidget>>>;

bool TakesFocus(const QWidget* w)
{
  return w && w->isEnabled() && w->isVisible() && (w->focusPolicy() & Qt::TabFocus);
}

// Watches one control of the grid; a child of that control, it goes with it.
class TArrowKeys : public QObject
{
public:
  TArrowKeys(QWidget* control, std::shared_ptr<const TCells> cells, int row, int column)
      : QObject(control), cells_(std::move(cells)), row_(row), column_(column)
  {
    setObjectName(ARROW_KEYS);
    control->installEventFilter(this);
  }

protected:
  bool eventFilter(QObject*, QEvent* event) override
  {
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    int down = 0, right = 0;
    switch (key->key()) {
    case Qt::Key_Up:
      down = -1;
      break;
    case Qt::Key_Down:
      down = 1;
      break;
    case Qt::Key_Left:
      right = -1;
      break;
    case Qt::Key_Right:
      right = 1;
      break;
    default:
      return false;
    }
    const TCells& cells = *cells_;
    for (int r = row_ + down, c = column_ + right; r >= 0 && r < int(cells.size()) && c >= 0;
         r += down, c += right) {
      const auto& line = cells[size_t(r)];
      if (c >= int(line.size())) break;
      QWidget* target = line[size_t(c)];
      if (TakesFocus(target)) {
        target->setFocus(Qt::TabFocusReason);
        return true;
      }
    }
    return true; // at the edge, or only cells that cannot be chosen beyond: the focus stays
  }

private:
  std::shared_ptr<const TCells> cells_;
  int row_, column_;
};
} // namespace

void SetArrowGrid(const std::vector<std::vector<TGadget*>>& rows)
{
  auto cells = std::make_shared<TCells>();
  for (const auto& row : rows) {
    cells->emplace_back();
    for (TGadget* g : row)
      cells->back().push_back(g ? g->Native() : nullptr);
  }
  for (size_t r = 0; r < cells->size(); ++r)
    for (size_t c = 0; c < (*cells)[r].size(); ++c) {
      QWidget* control = (*cells)[r][c];
      if (!control) continue;
      // A grid set again replaces the one before.
      const QObjectList kids = control->children(); // a copy: deleting changes the list
      for (QObject* old : kids)
        if (old->objectName() == QLatin1String(ARROW_KEYS)) delete old;
      new TArrowKeys(control, cells, int(r), int(c));
    }
}
