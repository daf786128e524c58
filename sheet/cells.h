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
// Names a display for a screen reader: what it is, then what it shows, for example
// "Summe Zahlen, Spalte 2 (doppelt): 24".
void DescribeValue(TGadget* gadget, const QString& what);
// Names a cell for a screen reader: its title, then "frei", or its points and whether they are
// only shown for choosing or entered, for example "3er Pasch, Spalte 2 (doppelt): 24, vorläufig".
void DescribeCell(TGadget* cell, const QString& title);
// A cell's title: its row, then its column, for example "3er Pasch, Spalte 2 (doppelt)"; empty
// when the gadget is none of the columns' cells.
template <class TColumns> QString CellTitle(const TColumns& columns, TGadget* cell, auto rowName)
{
  for (size_t k = 0; k < columns.size(); ++k)
    for (size_t r = 0; r < columns[k]->Array.size(); ++r)
      if (cell && columns[k]->Array[r] == cell) return rowName(int(r)) + ", " + ColumnName(int(k));
  return QString();
}
// Names every cell of three columns by its title.
template <class TColumns> void DescribeColumns(const TColumns& columns, auto rowName)
{
  for (size_t k = 0; k < columns.size(); ++k)
    for (size_t r = 0; r < columns[k]->Array.size(); ++r)
      DescribeCell(columns[k]->Array[r], rowName(int(r)) + ", " + ColumnName(int(k)));
}
// Names a row of three displays: caption with the section's name, then column, so that no
// two displays of a sheet sound alike ("Summe Zahlen, Spalte 1 (einfach)").
void DescribeDisplays(const std::vector<TGadget*>& displays, const QString& caption);
// Frees the gadgets and leaves the slots empty.
void FreeGadgets(std::vector<TGadget*>& gadgets);
