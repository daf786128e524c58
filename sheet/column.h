#pragma once

// One multiplier column of a sheet section: a cell per row, click handling, sums. The six
// column classes differ only in their rows and in what a throw scores there.

#include "app/app.h"
#include "gui/runtime.h"
#include "sheet/cells.h"
#include "sheet/kinds.h"
#include "sheet/rules.h"

#include <vector>

template <TColumnKind Kind> class TColumn
{
public:
  static constexpr int Rows = Kind == TColumnKind::Point    ? NUMBER_ROWS
                              : Kind == TColumnKind::Pasch  ? PASCH_ROWS
                              : Kind == TColumnKind::Num    ? HOUSE_ROWS
                              : Kind == TColumnKind::Street ? STREET_ROWS
                              : Kind == TColumnKind::Wummel ? WUMMEL_ROWS
                                                            : CHANCE_ROWS;

  int Width = CELL_WIDTH;
  int Height = 0;
  int Multiplier = 0;
  TGadget* Host = nullptr;
  std::vector<TGadget*> Array = std::vector<TGadget*>(Rows, nullptr);

  TColumn* Create(int x, int y, int multiplier, TGadget* host)
  {
    Host = host;
    Multiplier = multiplier;
    for (int r = 0; r < int(Array.size()); ++r)
      Array[size_t(r)] =
          CreateButton(CELL_FREE, x, y + ROW_PITCH * r, Width, CELL_HEIGHT, Host, BUTTON_PUSH);
    Height = int(Array.size()) * ROW_PITCH - 5;
    return this;
  }

  // A click on one of the cells makes it the one tentative cell and shows its points there.
  int Procedure(const TEvent& event)
  {
    for (int r = 0; r < int(Array.size()); ++r) {
      if (event.source != Array[size_t(r)] || event.id != EVENT_GADGETACTION) continue;
      if (App->Last) App->Last->SetText(CELL_FREE);
      App->Last = Array[size_t(r)];
      Array[size_t(r)]->SetText(IntToStr(CapturePoints(r)));
    }
    return 0;
  }

  // Points of the current dice in a row, before the multiplier.
  int CapturePoints(int row) const
  {
    if constexpr (Kind == TColumnKind::Point)
      return NumberPoints(App->SummDices(), row);
    else if constexpr (Kind == TColumnKind::Pasch)
      return PaschPoints(App->CountDices(), App->SummPoints(), row);
    else if constexpr (Kind == TColumnKind::Num)
      return HousePoints(App->CountDices(), row);
    else if constexpr (Kind == TColumnKind::Street)
      return StreetPoints(App->SummDices(), row);
    else if constexpr (Kind == TColumnKind::Wummel)
      return WummelPoints(App->CountDices());
    else
      return ChancePoints(App->SummPoints());
  }

  // Number columns: their raw sum. Pattern columns: their bonus, "50" or "0".
  QString Summ() const
  {
    static_assert(Kind != TColumnKind::Wummel && Kind != TColumnKind::Chance);
    if constexpr (Kind == TColumnKind::Point) {
      int sum = 0;
      for (TGadget* cell : Array)
        if (cell && !CellIsFree(cell)) sum += CellValue(cell);
      return IntToStr(sum);
    } else {
      int withPoints = 0;
      for (TGadget* cell : Array)
        if (cell && !CellIsFree(cell) && cell->GetText() != "0") ++withPoints;
      return IntToStr(PatternBonus(withPoints, Rows));
    }
  }

  int FullSumm() const
  {
    static_assert(Kind != TColumnKind::Point, "the number section totals from its display");
    int sum = 0;
    for (TGadget* cell : Array)
      sum += CellValue(cell);
    return Multiplier * sum;
  }

  bool IsFull() const
  {
    for (TGadget* cell : Array)
      if (cell && !GadgetDisabled(cell)) return false;
    return true;
  }

  int Clear()
  {
    for (TGadget* cell : Array) {
      if (!cell) continue;
      cell->SetText(CELL_FREE);
      cell->SetEnabled(1);
    }
    return 0;
  }

  int Free()
  {
    FreeGadgets(Array);
    Array.clear();
    Host = nullptr;
    return 0;
  }

  int QueryWidth() const { return Width; }
  int QueryHeight() const { return Height; }
};

using TPointColumn = TColumn<TColumnKind::Point>;
using TPaschColumn = TColumn<TColumnKind::Pasch>;
using TNumColumn = TColumn<TColumnKind::Num>;
using TStreetColumn = TColumn<TColumnKind::Street>;
using TWummelColumn = TColumn<TColumnKind::Wummel>;
using TChanceColumn = TColumn<TColumnKind::Chance>;
