#pragma once

// Helpers that every sheet section shares: reading a cell or display as a number, and
// building the rules, captions and display rows of a group panel.

#include "gui/gadget.h"

#include <QString>
#include <vector>

// Mark of a free cell.
extern const char* const CELL_FREE; // "-"
constexpr int CELL_WIDTH = 50;
constexpr int CELL_HEIGHT = 20;
constexpr int ROW_PITCH = 25;
constexpr int COLUMN_PITCH = 55;
constexpr int LABEL_X = 10;

// A cell's or display's text read as an integer; a text without digits reads 0.
int CellValue(TGadget* cell);
bool CellIsFree(TGadget* cell);

// A group panel with empty title.
TGadget* CreateGroup(int x, int y, int w, int h, TGadget* parent);
// A horizontal rule: an empty sunken label two pixels high.
TGadget* CreateRule(int x, int y, int w, TGadget* host);
// Three displays at x0, x0 + 55, x0 + 110, created with "0" and disabled.
std::vector<TGadget*> CreateDisplayRow(int x0, int y, TGadget* host);
void SetTexts(const std::vector<TGadget*>& displays, const QString& text);
// How a screen reader names multiplier column k: "Spalte 1 (einfach)" and so on.
QString ColumnName(int k);
// Names a cell or display for a screen reader: what it is, then what it holds ("frei" for a
// free cell), for example "3er Pasch, Spalte 2 (doppelt): 24".
void DescribeValue(TGadget* gadget, const QString& what);
// Names every cell of three columns: row label, then column.
template <class TColumns> void DescribeColumns(const TColumns& columns, auto rowName)
{
  for (size_t k = 0; k < columns.size(); ++k)
    for (size_t r = 0; r < columns[k]->Array.size(); ++r)
      DescribeValue(columns[k]->Array[r], rowName(int(r)) + ", " + ColumnName(int(k)));
}
// Names a row of three displays: caption, then column.
void DescribeDisplays(const std::vector<TGadget*>& displays, const QString& caption);
// Frees the gadgets and leaves the slots empty.
void FreeGadgets(std::vector<TGadget*>& gadgets);
