// The hint: what the strongest computer would do in the place of the person at the turn. It
// marks the dice to keep and the held ones to let go before a throw, or the cell to enter, and says
// so in the status box, where a screen reader reads it. It changes nothing: holding, throwing and
// entering stay the person's, and the hint goes at the person's next action.

#include "app/app.h"

#include "app/computer.h"
#include "app/sections.h"
#include "dice/dicefield.h"
#include "gui/driver.h"

#include <type_traits>

const char* const HINT_QUESTION = "Ein Spiel mit Tipp kommt nicht in die Highscore-Liste.\n"
                                  "Tipp trotzdem zeigen?";

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

const char* const REFUSAL = "Kein Tipp, solange der Computer am Zug ist";

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
  // Told before the first hint of a game, which then stays out of the list; "Abbrechen" asks
  // again at the next hint.
  if (!HintUsed) {
    if (Confirm(HINT_QUESTION, 0) != 1) return;
    HintUsed = true;
  }
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
    std::vector<int> kept, released;
    for (int i = 0; i < DICE; ++i) {
      const bool release = held[size_t(i)] && !keep[size_t(i)];
      if (!keep[size_t(i)] && !release) continue;
      (release ? released : kept).push_back(faces[size_t(i)]);
      TGadget* panel = dice.Panel[size_t(i + 1)];
      SetMarked(panel, release ? MARK_RELEASE : MARK_KEEP);
      // A screen reader on the die hears it too.
      SetAccessibleName(panel,
                        AccessibleName(panel) + (release ? ", Tipp: freigeben" : ", Tipp: halten"));
      hintMarks_.push_back(panel);
    }
    // Held dice that are to be thrown again are named first: they are what the hand must undo.
    const QString release = released.empty() ? QString() : List(released) + " freigeben";
    if (kept.empty())
      text = "Tipp: " + (release.isEmpty() ? QString() : release + " und ") +
             "alle Würfel neu würfeln";
    else if (keep == held)
      text = "Tipp: " + List(kept) + " gehalten lassen und würfeln";
    else
      text = "Tipp: " + (release.isEmpty() ? QString() : release + ", ") + List(kept) +
             " halten und würfeln";
  } else {
    // No throw left, or none that could do better: the cell to enter now.
    const TCellChoice choice = engine.ChooseCell(sheet, faces);
    TGadget* cell = SheetCell(*this, player, choice.row, choice.column);
    if (!cell) return;
    const TCellHint hint = DescribeCell(*this, player, choice.row, choice.column);
    SetMarked(cell, MARK_KEEP);
    hintMarks_.push_back(cell);
    text = "Tipp: " + hint.label + ", Spalte " + QString::number(choice.column + 1);
    // The points as the cell will show them once chosen, before its column's multiplier.
    if (hint.points == 0)
      text += " streichen (0 Punkte)";
    else
      text += " (" + QString::number(hint.points) + " Punkte)";
    hintCell_ = cell;
    hintCellName_ = hint.points == 0 ? ", Tipp: streichen" : ", Tipp: hier eintragen";
    SetAccessibleName(cell, AccessibleName(cell) + hintCellName_);
  }
  ShowNote(player, text);
}

void TApp::RefuseHint()
{
  ClearHint();
  if (!ComputerAtTurn()) return;
  ShowNote(CurrentPlayer, REFUSAL);
}

void TApp::ShowNote(int player, const QString& text)
{
  TDicefield& dice = *DiceField[size_t(player)];
  hintPlayer_ = player;
  dice.Hint->SetText(text);
  SetAccessibleName(dice.Hint, text);
  // The hint's line stands where the opponent line was, which comes back with the next action.
  dice.Player2->SetShow(0);
  dice.Hint->SetShow(1);
  AnnounceLive(dice.Hint);
}

void TApp::ClearHint()
{
  for (TGadget* g : hintMarks_)
    SetMarked(g, 0);
  hintMarks_.clear();
  const bool cellNamed = hintCell_ != nullptr;
  hintCell_ = nullptr;
  hintCellName_.clear();
  if (hintPlayer_ >= 0 && hintPlayer_ < int(DiceField.size())) {
    TDicefield& dice = *DiceField[size_t(hintPlayer_)];
    if (dice.Hint) {
      dice.Hint->SetShow(0);
      dice.Hint->SetText(QString());
      SetAccessibleName(dice.Hint, QString());
    }
    if (dice.Player2) dice.Player2->SetShow(1);
    for (int i = 1; i <= DICE; ++i)
      dice.ShowDie(i);                    // their names without the hint
    if (cellNamed) Describe(hintPlayer_); // and the cell's
  }
  hintPlayer_ = -1;
}

void TApp::ForgetHint(const TEvent& event)
{
  if (hintPlayer_ < 0) return;
  switch (event.id) {
  case EVENT_MENUACTION: // a new game, the player dialog, another hint...
    switch (event.data) {
    case MM_HIGH: // ...but only looking, or choosing how the computer plays, is no move
    case MM_RULE:
    case MM_ABOUT:
    case MM_LEICHT:
    case MM_MITTEL:
    case MM_STARK:
    case MM_LANGSAM:
    case MM_NORMAL:
    case MM_SCHNELL:
      return;
    default:
      break;
    }
    break;
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
