// The hint: what the strongest computer would do in the place of the person at the turn. It
// marks the dice to keep before a throw, or the cell to enter, and says so in the status box,
// where a screen reader reads it. It changes nothing: holding, throwing and entering stay the
// person's, and the hint goes at the person's next action.

#include "app/app.h"

#include "app/computer.h"
#include "app/sections.h"
#include "dice/dicefield.h"

#include <type_traits>

namespace
{
// What the sheet shows of a row and cell: the row's label, the points the current dice would
// score there (the cell's text once chosen).
struct TCellHint {
  QString label;
  int points = 0;
};

TCellHint DescribeCell(TApp& app, int player, int row, int column)
{
  TCellHint hint;
  int first = 0;
  ForScoringSections(app, size_t(player), [&](auto& section) {
    const int rows = section.Points.empty() ? 0 : int(section.Points[0]->Array.size());
    if (row >= first && row < first + rows && column >= 0 && column < int(section.Points.size())) {
      const int r = row - first;
      const auto& points = *section.Points[size_t(column)];
      hint.points = points.CapturePoints(r);
      if constexpr (std::is_pointer_v<std::remove_reference_t<decltype(section.Label)>>) {
        // One caption for the section's rows, told apart by number as a screen reader hears.
        hint.label = section.Label ? section.Label->GetText() : QString();
        if (rows > 1) hint.label += ", Zeile " + QString::number(r + 1);
      } else if (TGadget* label = section.Label[size_t(r)]) {
        hint.label = label->GetText();
      }
    }
    first += rows;
  });
  return hint;
}

QString List(const std::vector<int>& values)
{
  QStringList parts;
  for (int v : values)
    parts << QString::number(v);
  return parts.join(", ");
}
} // namespace

void TApp::ShowHint()
{
  ClearHint();
  if (!Computer || ComputerAtTurn() || CurrentPlayer < 0 || CurrentPlayer >= PlayerCount) return;
  const int player = CurrentPlayer;
  TDicefield& dice = *DiceField[size_t(player)];
  if (!dice.Hint || SheetFull(player)) return;
  const TPlayer& engine = Computer->PlayerFor(TLevel::Stark);
  const TSheetState sheet = SheetOf(*this, player);
  const TFaces faces = SummDices();
  const int throwsLeft = std::max(0, MAX_ROLLS - dice.Count);
  THolds held{};
  for (int i = 0; i < DICE; ++i)
    held[size_t(i)] = dice.Active[size_t(i + 1)] != 0;

  QString text;
  const THolds keep = throwsLeft > 0 ? engine.ChooseHolds(sheet, faces, held, throwsLeft) : held;
  const bool throwAgain =
      throwsLeft > 0 && std::find(keep.begin(), keep.end(), false) != keep.end();
  if (throwAgain) {
    std::vector<int> kept;
    for (int i = 0; i < DICE; ++i) {
      if (!keep[size_t(i)]) continue;
      kept.push_back(faces[size_t(i)]);
      TGadget* panel = dice.Panel[size_t(i + 1)];
      SetMarked(panel, 1);
      // A screen reader on the die hears it too.
      SetAccessibleName(panel, AccessibleName(panel) + ", Tipp: halten");
      hintMarks_.push_back(panel);
    }
    if (kept.empty())
      text = "Tipp: alle Würfel neu würfeln";
    else if (keep == held)
      text = "Tipp: " + List(kept) + " gehalten lassen und würfeln";
    else
      text = "Tipp: " + List(kept) + " halten und würfeln";
  } else {
    // No throw left, or none that could do better: the cell to enter now.
    const TCellChoice choice = engine.ChooseCell(sheet, faces);
    TGadget* cell = SheetCell(*this, player, choice.row, choice.column);
    if (!cell) return;
    const TCellHint hint = DescribeCell(*this, player, choice.row, choice.column);
    SetMarked(cell, 1);
    hintMarks_.push_back(cell);
    text = "Tipp: " + hint.label + ", Spalte " + QString::number(choice.column + 1);
    // The points as the cell will show them once chosen, before its column's multiplier.
    if (hint.points == 0)
      text += " streichen (0 Punkte)";
    else
      text += " (" + QString::number(hint.points) + " Punkte)";
  }
  hintPlayer_ = player;
  dice.Hint->SetText(text);
  SetAccessibleName(dice.Hint, text);
  // The hint's line stands where the opponent line was, which comes back with the next action.
  dice.Player2->SetShow(0);
  dice.Hint->SetShow(1);
}

void TApp::ClearHint()
{
  for (TGadget* g : hintMarks_)
    SetMarked(g, 0);
  hintMarks_.clear();
  if (hintPlayer_ >= 0 && hintPlayer_ < int(DiceField.size())) {
    TDicefield& dice = *DiceField[size_t(hintPlayer_)];
    if (dice.Hint) {
      dice.Hint->SetShow(0);
      dice.Hint->SetText(QString());
      SetAccessibleName(dice.Hint, QString());
    }
    if (dice.Player2) dice.Player2->SetShow(1);
    for (int i = 1; i <= DICE; ++i)
      dice.ShowDie(i); // their names without the hint
  }
  hintPlayer_ = -1;
}

void TApp::ForgetHint(const TEvent& event)
{
  if (hintPlayer_ < 0) return;
  switch (event.id) {
  case EVENT_MENUACTION:   // a new game, a dialog, another hint...
  case EVENT_GADGETACTION: // a throw, a cell chosen or entered
  case EVENT_HOTKEYHIT:    // the keys 1 to 6
    break;
  case EVENT_MOUSEUP: // a die held or released
    if (event.data != 1) return;
    break;
  case EVENT_KEYDOWN: // Space on a die; Tab and the like only move the focus
    if (event.data != KEY_SPACE) return;
    break;
  default:
    return;
  }
  ClearHint();
}
