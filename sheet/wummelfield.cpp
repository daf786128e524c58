#include "sheet/wummelfield.h"

#include "sheet/labels.h"

namespace
{
constexpr int FIRST_COLUMN_X = 100;
constexpr int GROUP_X = 270, GROUP_W = 290;

struct TLayout {
  int y, h;
  int compactY;
  const char* label;
  int labelY;
};

constexpr TLayout WUMMEL = {505, 80, 10, WUMMEL_LABEL, 12};
constexpr TLayout CHANCE = {585, 55, 90, CHANCE_LABEL, 0};
} // namespace

template <TColumnKind Kind>
TSingleLabelField<Kind>* TSingleLabelField<Kind>::Create(TGadget* parent)
{
  const TLayout& layout = Kind == TColumnKind::Wummel ? WUMMEL : CHANCE;
  if (App->Style == STYLE_COMPACT)
    Group = CreateGroup(parent->ClientWidth() - COMPACT_RIGHT_MARGIN, layout.compactY, GROUP_W,
                        layout.h, parent);
  else
    Group = CreateGroup(GROUP_X, layout.y, GROUP_W, layout.h, parent);
  for (int k = 0; k < 3; ++k) {
    auto column = std::make_unique<TColumnType>();
    column->Create(FIRST_COLUMN_X + COLUMN_PITCH * k, 0, k + 1, Group);
    Points.push_back(std::move(column));
  }
  Label = CreateLabel(layout.label, LABEL_X, layout.labelY, 80, CELL_HEIGHT, Group, LABEL_LEFT);
  return this;
}

template <TColumnKind Kind> int TSingleLabelField<Kind>::Procedure(const TEvent& event)
{
  for (auto& column : Points)
    column->Procedure(event);
  return 0;
}

template <TColumnKind Kind> QString TSingleLabelField<Kind>::RowName(int row) const
{
  // One caption stands for both "Wummel" rows; a screen reader tells them apart by number.
  const QString caption = Label ? Label->GetText() : QString();
  const bool rows = !Points.empty() && Points[0]->Array.size() > 1;
  return rows ? caption + ", Zeile " + QString::number(row + 1) : caption;
}

template <TColumnKind Kind> QString TSingleLabelField<Kind>::Title(TGadget* cell) const
{
  return CellTitle(Points, cell, [this](int r) { return RowName(r); });
}

template <TColumnKind Kind> void TSingleLabelField<Kind>::Describe()
{
  DescribeColumns(Points, [this](int r) { return RowName(r); });
}

template <TColumnKind Kind> int TSingleLabelField<Kind>::FullSumm(int column)
{
  return column >= 0 && column < int(Points.size()) ? Points[size_t(column)]->FullSumm() : 0;
}

template <TColumnKind Kind> bool TSingleLabelField<Kind>::IsFull()
{
  for (const auto& column : Points)
    if (column && !column->IsFull()) return false;
  return true;
}

template <TColumnKind Kind> int TSingleLabelField<Kind>::NewGame()
{
  for (auto& column : Points)
    column->Clear();
  return 0;
}

template <TColumnKind Kind> int TSingleLabelField<Kind>::Remove()
{
  for (auto& column : Points)
    column->Free();
  Points.clear();
  FreeGadget(Label);
  Label = nullptr;
  FreeGadget(Group);
  Group = nullptr;
  return 0;
}

template class TSingleLabelField<TColumnKind::Wummel>;
template class TSingleLabelField<TColumnKind::Chance>;
