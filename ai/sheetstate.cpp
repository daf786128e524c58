#include "ai/sheetstate.h"

const std::array<TSection, 6> SECTIONS = {{
    {TColumnKind::Point, ROW_NUMBERS, NUMBER_ROWS},
    {TColumnKind::Pasch, ROW_PASCH, PASCH_ROWS},
    {TColumnKind::Num, ROW_HOUSES, HOUSE_ROWS},
    {TColumnKind::Street, ROW_STREETS, STREET_ROWS},
    {TColumnKind::Wummel, ROW_WUMMEL, WUMMEL_ROWS},
    {TColumnKind::Chance, ROW_CHANCE, CHANCE_ROWS},
}};

const TSection& SectionOf(int row)
{
  for (const TSection& section : SECTIONS)
    if (row < section.firstRow + section.rows) return section;
  return SECTIONS.back();
}

bool HasPatternBonus(TColumnKind kind)
{
  return kind == TColumnKind::Pasch || kind == TColumnKind::Num || kind == TColumnKind::Street;
}

int RowPoints(int row, const TFaces& faces)
{
  const TSection& section = SectionOf(row);
  const int r = row - section.firstRow;
  switch (section.kind) {
  case TColumnKind::Point:
    return NumberPoints(faces, r);
  case TColumnKind::Pasch:
    return PaschPoints(CountFaces(faces), FaceSum(faces), r);
  case TColumnKind::Num:
    return HousePoints(CountFaces(faces), r);
  case TColumnKind::Street:
    return StreetPoints(faces, r);
  case TColumnKind::Wummel:
    return WummelPoints(CountFaces(faces));
  case TColumnKind::Chance:
    return ChancePoints(FaceSum(faces));
  }
  return 0;
}

TSheetState::TSheetState()
{
  for (auto& row : Cells)
    row.fill(FREE_CELL);
}

int TSheetState::FreeCount() const
{
  int n = 0;
  for (int row = 0; row < SHEET_ROWS; ++row)
    for (int column = 0; column < SHEET_COLUMNS; ++column)
      n += IsFree(row, column);
  return n;
}

int TSheetState::ColumnTotal(int column) const
{
  int raw = 0;
  for (const TSection& section : SECTIONS) {
    int sum = 0, withPoints = 0;
    for (int row = section.firstRow; row < section.firstRow + section.rows; ++row) {
      if (IsFree(row, column)) continue;
      sum += Cell(row, column);
      withPoints += Cell(row, column) > 0;
    }
    raw += sum;
    if (section.kind == TColumnKind::Point) raw += NumberBonus(sum);
    if (HasPatternBonus(section.kind)) raw += PatternBonus(withPoints, section.rows);
  }
  return raw * Multiplier(column);
}

int TSheetState::GrandTotal() const
{
  int total = 0;
  for (int column = 0; column < SHEET_COLUMNS; ++column)
    total += ColumnTotal(column);
  return total;
}
