#pragma once

// A table of rows and columns to choose one row from, such as the figures of each player and
// kind of game, the finished games, or the decisions of a game. A click on a column's header
// sorts by that column when the table is sortable; a screen reader reads it cell by cell.
// Choosing a row, with the mouse or the arrow keys, posts GadgetSelect with the row's tag as
// data; Enter or a double click posts GadgetAction with the row's tag.

#include "gui/gadget.h"

#include <QString>
#include <QStringList>
#include <limits>
#include <vector>

// Class code of the table gadget.
constexpr int GADGET_TABLE = 23;

TGadget* CreateTable(int x, int y, int w, int h, TGadget* parent);
// The headers; the last column takes the width left over. Sorting starts unsorted.
void SetTableColumns(TGadget* table, const QStringList& headers, bool sortable);
// Adds a row. `keys`, where given, sort a column by number instead of by its text, one for each
// column from the first; a column without a key, or with TABLE_NO_KEY, sorts by its text, and a
// column with keys is aligned right. `tag` is what the events and TableSelection report.
constexpr double TABLE_NO_KEY = std::numeric_limits<double>::quiet_NaN();
void AddTableRow(TGadget* table, int tag, const QStringList& cells,
                 const std::vector<double>& keys = {});
void ClearTable(TGadget* table);
int TableRows(TGadget* table);
// The chosen row's tag, -1 when none; choosing one from the program posts no event.
int TableSelection(TGadget* table);
void SelectTableRow(TGadget* table, int tag);
// A cell as shown now (after sorting): row and column in display order.
QString TableCell(TGadget* table, int row, int column);
// The width that shows every column whole, with room for the vertical scroll bar: a window
// sizes the table by it so that no column is cut off.
int TableWidthNeeded(TGadget* table);
