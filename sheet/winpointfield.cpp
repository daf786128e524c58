#include "sheet/winpointfield.h"

#include "app/app.h"
#include "gui/runtime.h"
#include "sheet/cells.h"
#include "sheet/wummelfield.h"

namespace
{
constexpr int GROUP_X = 270, GROUP_Y = 640, GROUP_W = 290, GROUP_H = 80, COMPACT_Y = 145;
constexpr int FIRST_COLUMN_X = 100;
constexpr int GRAND_TOTAL_WIDTH = 160;
} // namespace

TWinPointField* TWinPointField::Create(TGadget* parent)
{
  if (App->Style == STYLE_COMPACT)
    Group = CreateGroup(parent->ClientWidth() - COMPACT_RIGHT_MARGIN, COMPACT_Y, GROUP_W, GROUP_H,
                        parent);
  else
    Group = CreateGroup(GROUP_X, GROUP_Y, GROUP_W, GROUP_H, parent);
  const std::vector<TGadget*> columns = CreateDisplayRow(FIRST_COLUMN_X, 0, Group);
  for (int k = 0; k < 3; ++k)
    Bonus[size_t(k)] = columns[size_t(k)];
  Bonus[GRAND_TOTAL] = CreateButton("0", FIRST_COLUMN_X, ROW_PITCH, GRAND_TOTAL_WIDTH, CELL_HEIGHT,
                                    Group, BUTTON_PUSH);
  Bonus[GRAND_TOTAL]->SetEnabled(0);
  Label[0] = CreateLabel("Punkte", LABEL_X, 0, 80, CELL_HEIGHT, Group, LABEL_LEFT);
  Label[1] = CreateLabel("Gesamt", LABEL_X, ROW_PITCH, 80, CELL_HEIGHT, Group, LABEL_LEFT);
  return this;
}

int TWinPointField::Procedure(const TEvent&)
{
  int grand = 0;
  for (int k = 0; k < 3; ++k) {
    Bonus[size_t(k)]->SetText(IntToStr(App->Summarize(k)));
    grand += CellValue(Bonus[size_t(k)]);
  }
  Bonus[GRAND_TOTAL]->SetText(IntToStr(grand));
  return 0;
}

void TWinPointField::Describe()
{
  if (Bonus.size() <= GRAND_TOTAL) return;
  // "Spielzettel", the whole sheet: the number section has a "Gesamt" row of its own.
  DescribeDisplays(std::vector<TGadget*>(Bonus.begin(), Bonus.begin() + GRAND_TOTAL),
                   "Punkte Spielzettel");
  DescribeValue(Bonus[GRAND_TOTAL], "Gesamt Spielzettel");
}

int TWinPointField::NewGame()
{
  SetTexts(Bonus, "0");
  return 0;
}

int TWinPointField::Remove()
{
  FreeGadgets(Bonus);
  Bonus.clear();
  FreeGadgets(Label);
  Label.clear();
  FreeGadget(Group);
  Group = nullptr;
  return 0;
}
