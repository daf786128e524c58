#pragma once

// The two small sections without displays: "Wummel" (two rows for six equal dice) and
// "Chance" (one row for any throw). Owned by TApp, one each per player.

#include "sheet/column.h"

#include <memory>

template <TColumnKind Kind> class TSingleLabelField
{
public:
  using TColumnType = TColumn<Kind>;

  TGadget* Group = nullptr;
  std::vector<std::unique_ptr<TColumnType>> Points;
  TGadget* Label = nullptr;

  bool IsFull();
  int Remove();
  int NewGame();
  TSingleLabelField* Create(TGadget* parent);
  int Procedure(const TEvent& event);
  int FullSumm(int column);
  // Gives every cell its current accessible name.
  void Describe();
  // The title of one of its cells ("Wummel, Zeile 2, Spalte 1 (einfach)"), empty for any
  // other gadget.
  QString Title(TGadget* cell) const;

private:
  QString RowName(int row) const;
};

extern template class TSingleLabelField<TColumnKind::Wummel>;
extern template class TSingleLabelField<TColumnKind::Chance>;

// Where the right-hand panels go in the compact layout: 10 pixels from the right edge.
constexpr int COMPACT_RIGHT_MARGIN = 300;
