#include "sheet/pointfield.h"

#include "sheet/labels.h"

namespace
{
constexpr int GROUP_X = 10, GROUP_Y = 10, GROUP_W = 260, GROUP_H = 280;
constexpr int FIRST_COLUMN_X = 70;
constexpr int LABEL_WIDTH = 50;
const char* const CAPTIONS[3] = {"Summe", "Bonus", "Gesamt"};
// The section's name in the displays' accessible names: "Gesamt" is also a caption of the totals.
const char* const SECTION = " Zahlen";
} // namespace

TPointfield* TPointfield::Create(TGadget* parent)
{
  Group = CreateGroup(GROUP_X, GROUP_Y, GROUP_W, GROUP_H, parent);
  for (int k = 0; k < 3; ++k) {
    auto column = std::make_unique<TPointColumn>();
    column->Create(FIRST_COLUMN_X + COLUMN_PITCH * k, 0, k + 1, Group);
    Points.push_back(std::move(column));
  }
  for (int r = 0; r < NUMBER_ROWS; ++r)
    Label[size_t(r)] = CreateLabel(NUMBER_LABELS[r], LABEL_X, ROW_PITCH * r, LABEL_WIDTH,
                                   CELL_HEIGHT, Group, LABEL_LEFT);
  // Three display rows, each under a rule: sum, bonus, total.
  std::vector<TGadget*>* rows[3] = {&Sum, &Bonus, &Total};
  const int ruleWidth = 3 * Points[0]->QueryWidth() + FIRST_COLUMN_X;
  int y = Points[0]->QueryHeight() + 5;
  size_t slot = NUMBER_ROWS;
  for (int i = 0; i < 3; ++i) {
    if (i > 0) y += ROW_PITCH;
    Label[slot++] = CreateRule(LABEL_X, y, ruleWidth, Group);
    y += 7;
    *rows[i] = CreateDisplayRow(FIRST_COLUMN_X, y, Group);
    Label[slot++] =
        CreateLabel(CAPTIONS[i], LABEL_X, y, LABEL_WIDTH, CELL_HEIGHT, Group, LABEL_LEFT);
  }
  return this;
}

void TPointfield::Refresh(int k)
{
  const size_t i = size_t(k);
  Sum[i]->SetText(Points[i]->Summ());
  const int s = CellValue(Sum[i]);
  Bonus[i]->SetText(IntToStr(NumberBonus(s)));
  Total[i]->SetText(IntToStr((s + CellValue(Bonus[i])) * Points[i]->Multiplier));
}

void TPointfield::Refresh()
{
  for (int k = 0; k < int(Points.size()); ++k)
    Refresh(k);
}

QString TPointfield::RowName(int row) const
{
  return Label[size_t(row)] ? Label[size_t(row)]->GetText() : QString();
}

QString TPointfield::Title(TGadget* cell) const
{
  return CellTitle(Points, cell, [this](int r) { return RowName(r); });
}

void TPointfield::Describe()
{
  DescribeColumns(Points, [this](int r) { return RowName(r); });
  DescribeDisplays(Sum, CAPTIONS[0] + QString(SECTION));
  DescribeDisplays(Bonus, CAPTIONS[1] + QString(SECTION));
  DescribeDisplays(Total, CAPTIONS[2] + QString(SECTION));
}

int TPointfield::Procedure(const TEvent& event)
{
  for (int k = 0; k < int(Points.size()); ++k) {
    Points[size_t(k)]->Procedure(event);
    Refresh(k);
  }
  return 0;
}

int TPointfield::FullSumm(int column)
{
  return column >= 0 && column < 3 ? CellValue(Total[size_t(column)]) : 0;
}

bool TPointfield::IsFull()
{
  for (const auto& column : Points)
    if (column && !column->IsFull()) return false;
  return true;
}

int TPointfield::NewGame()
{
  for (size_t k = 0; k < Points.size(); ++k) {
    Points[k]->Clear();
    Sum[k]->SetText("0");
    Total[k]->SetText("0");
    Bonus[k]->SetText("0");
  }
  return 0;
}

int TPointfield::Remove()
{
  for (auto& column : Points)
    column->Free();
  Points.clear();
  for (auto* displays : {&Sum, &Bonus, &Total, &Label}) {
    FreeGadgets(*displays);
    displays->clear();
  }
  FreeGadget(Group);
  Group = nullptr;
  return 0;
}
