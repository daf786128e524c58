#pragma once

// The three pattern sections, n-of-a-kind ("Pasch"), houses and straights: rows in three
// columns and a column bonus of 50 under each. Owned by TApp, one each per player.

#include "sheet/column.h"

#include <memory>

template <TColumnKind Kind> class TPatternField
{
public:
  using TColumnType = TColumn<Kind>;
  static constexpr int Rows = TColumnType::Rows;

  TGadget* Group = nullptr;
  std::vector<std::unique_ptr<TColumnType>> Points;
  std::vector<TGadget*> Bonus = std::vector<TGadget*>(3, nullptr);
  std::vector<TGadget*> Label = std::vector<TGadget*>(Rows + 2, nullptr);

  bool IsFull();
  int Remove();
  int NewGame();
  TPatternField* Create(TGadget* parent);
  int Procedure(const TEvent& event);
  int FullSumm(int column);
  // Recomputes the bonus displays from the cells as they stand now.
  void Refresh();
  // Gives every cell and display its current accessible name.
  void Describe();
  // The title of one of its cells ("3er Pasch, Spalte 2 (doppelt)"), empty for any other gadget.
  QString Title(TGadget* cell) const;

private:
  QString RowName(int row) const;
};

extern template class TPatternField<TColumnKind::Pasch>;
extern template class TPatternField<TColumnKind::Num>;
extern template class TPatternField<TColumnKind::Street>;
