#include "sheet/patternfield.h"

#include "sheet/labels.h"

namespace
{
constexpr int FIRST_COLUMN_X = 100;

struct TLayout {
  int x, y, w, h;
  int labelWidth;
  int lastLabelWidth; // the longest straight needs more room
  int captionWidth;
  const char* const* labels;
  const char* bonusName; // the bonus row, told apart from the other sections' for a screen reader
};

constexpr TLayout PASCH = {270, 10, 290, 140, 90, 90, 50, PASCH_LABELS, "Bonus Pasch"};
constexpr TLayout HOUSE = {270, 150, 290, 140, 80, 80, 80, HOUSE_LABELS, "Bonus Haus"};
constexpr TLayout STREET = {270, 290, 290, 215, 80, 90, 80, STREET_LABELS, "Bonus Straße"};

template <TColumnKind Kind> constexpr const TLayout& LayoutOf()
{
  if constexpr (Kind == TColumnKind::Pasch)
    return PASCH;
  else if constexpr (Kind == TColumnKind::Num)
    return HOUSE;
  else
    return STREET;
}
} // namespace

template <TColumnKind Kind> TPatternField<Kind>* TPatternField<Kind>::Create(TGadget* parent)
{
  const TLayout& layout = LayoutOf<Kind>();
  Group = CreateGroup(layout.x, layout.y, layout.w, layout.h, parent);
  for (int k = 0; k < 3; ++k) {
    auto column = std::make_unique<TColumnType>();
    column->Create(FIRST_COLUMN_X + COLUMN_PITCH * k, 0, k + 1, Group);
    Points.push_back(std::move(column));
  }
  for (int r = 0; r < Rows; ++r)
    Label[size_t(r)] = CreateLabel(layout.labels[r], LABEL_X, ROW_PITCH * r,
                                   r == Rows - 1 ? layout.lastLabelWidth : layout.labelWidth,
                                   CELL_HEIGHT, Group, LABEL_LEFT);
  int y = Points[0]->QueryHeight() + 5;
  Label[Rows] = CreateRule(LABEL_X, y, 3 * Points[0]->QueryWidth() + FIRST_COLUMN_X, Group);
  y += 7;
  Bonus = CreateDisplayRow(FIRST_COLUMN_X, y, Group);
  Label[Rows + 1] =
      CreateLabel("Bonus", LABEL_X, y, layout.captionWidth, CELL_HEIGHT, Group, LABEL_LEFT);
  return this;
}

template <TColumnKind Kind> int TPatternField<Kind>::Procedure(const TEvent& event)
{
  for (size_t k = 0; k < Points.size(); ++k) {
    Points[k]->Procedure(event);
    Bonus[k]->SetText(Points[k]->Summ());
  }
  return 0;
}

template <TColumnKind Kind> void TPatternField<Kind>::Refresh()
{
  for (size_t k = 0; k < Points.size(); ++k)
    Bonus[k]->SetText(Points[k]->Summ());
}

template <TColumnKind Kind> QString TPatternField<Kind>::RowName(int row) const
{
  return Label[size_t(row)] ? Label[size_t(row)]->GetText() : QString();
}

template <TColumnKind Kind> QString TPatternField<Kind>::Title(TGadget* cell) const
{
  return CellTitle(Points, cell, [this](int r) { return RowName(r); });
}

template <TColumnKind Kind> void TPatternField<Kind>::Describe()
{
  DescribeColumns(Points, [this](int r) { return RowName(r); });
  DescribeDisplays(Bonus, QString::fromUtf8(LayoutOf<Kind>().bonusName));
}

template <TColumnKind Kind> int TPatternField<Kind>::FullSumm(int column)
{
  if (column < 0 || column >= int(Points.size())) return 0;
  const auto& points = Points[size_t(column)];
  return CellValue(Bonus[size_t(column)]) * points->Multiplier + points->FullSumm();
}

template <TColumnKind Kind> bool TPatternField<Kind>::IsFull()
{
  for (const auto& column : Points)
    if (column && !column->IsFull()) return false;
  return true;
}

template <TColumnKind Kind> int TPatternField<Kind>::NewGame()
{
  for (size_t k = 0; k < Points.size(); ++k) {
    Points[k]->Clear();
    Bonus[k]->SetText("0");
  }
  return 0;
}

template <TColumnKind Kind> int TPatternField<Kind>::Remove()
{
  for (auto& column : Points)
    column->Free();
  Points.clear();
  FreeGadgets(Bonus);
  Bonus.clear();
  FreeGadgets(Label);
  Label.clear();
  FreeGadget(Group);
  Group = nullptr;
  return 0;
}

template class TPatternField<TColumnKind::Pasch>;
template class TPatternField<TColumnKind::Num>;
template class TPatternField<TColumnKind::Street>;
