#include "sheet/cells.h"

#include "gui/runtime.h"

const char* const CELL_FREE = "-";

int CellValue(TGadget* cell)
{
  return cell ? StrToInt(cell->GetText()) : 0;
}

bool CellIsFree(TGadget* cell)
{
  return cell && cell->GetText() == CELL_FREE;
}

TGadget* CreateGroup(int x, int y, int w, int h, TGadget* parent)
{
  return CreatePanel(x, y, w, h, parent, PANEL_GROUP, QString());
}

TGadget* CreateRule(int x, int y, int w, TGadget* host)
{
  return CreateLabel(QString(), x, y, w, 2, host, LABEL_SUNKENFRAME);
}

std::vector<TGadget*> CreateDisplayRow(int x0, int y, TGadget* host)
{
  std::vector<TGadget*> row;
  for (int k = 0; k < 3; ++k) {
    TGadget* display =
        CreateButton("0", x0 + COLUMN_PITCH * k, y, CELL_WIDTH, CELL_HEIGHT, host, BUTTON_PUSH);
    display->SetEnabled(0);
    row.push_back(display);
  }
  return row;
}

void SetTexts(const std::vector<TGadget*>& displays, const QString& text)
{
  for (TGadget* d : displays)
    if (d) d->SetText(text);
}

void FreeGadgets(std::vector<TGadget*>& gadgets)
{
  for (TGadget*& g : gadgets) {
    FreeGadget(g);
    g = nullptr;
  }
}

QString ColumnName(int k)
{
  // Asked for every cell after every click: the three names are made once.
  static const QString NAMES[3] = {"Spalte 1 (einfach)", "Spalte 2 (doppelt)",
                                   "Spalte 3 (dreifach)"};
  return k >= 0 && k < 3 ? NAMES[k] : "Spalte " + QString::number(k + 1);
}

void DescribeValue(TGadget* gadget, const QString& what)
{
  if (gadget) SetAccessibleName(gadget, what + ": " + gadget->GetText());
}

void DescribeCell(TGadget* cell, const QString& title)
{
  if (!cell) return;
  const QString text = cell->GetText();
  QString content;
  if (text == CELL_FREE)
    content = "frei";
  else if (!GadgetDisabled(cell))
    content = text + ", vorläufig"; // shown for choosing: nothing is entered yet
  else if (text == "0")
    content = "0, eingetragen (gestrichen)";
  else
    content = text + ", eingetragen";
  SetAccessibleName(cell, title + ": " + content);
}

void DescribeDisplays(const std::vector<TGadget*>& displays, const QString& caption)
{
  for (size_t k = 0; k < displays.size(); ++k)
    DescribeValue(displays[k], caption + ", " + ColumnName(int(k)));
}
