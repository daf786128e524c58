#pragma once

// The number section: rows "1er" to "6er" in three columns, with sum, bonus and total per
// column. Owned by TApp, one per player; called from the main loop.

#include "sheet/column.h"

#include <memory>

class TPointfield
{
public:
  TGadget* Group = nullptr;
  std::vector<std::unique_ptr<TPointColumn>> Points;
  std::vector<TGadget*> Sum = std::vector<TGadget*>(3, nullptr);
  std::vector<TGadget*> Bonus = std::vector<TGadget*>(3, nullptr);
  std::vector<TGadget*> Total = std::vector<TGadget*>(3, nullptr);
  std::vector<TGadget*> Label = std::vector<TGadget*>(12, nullptr);

  bool IsFull();
  int Remove();
  int NewGame();
  TPointfield* Create(TGadget* parent);
  int Procedure(const TEvent& event);
  int FullSumm(int column);
  // Recomputes every display from the cells as they stand now: a cell that another section
  // gave back after this one had handled the event must stop counting at once.
  void Refresh();
  // Gives every cell and display its current accessible name.
  void Describe();
  // The title of one of its cells ("3er, Spalte 1 (einfach)"), empty for any other gadget.
  QString Title(TGadget* cell) const;

private:
  void Refresh(int column);
  QString RowName(int row) const;
};
