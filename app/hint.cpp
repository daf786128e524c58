// The hint: what the strongest computer would do in the place of the person at the turn. It
// marks the dice to keep and the held ones to let go before a throw, or the cell to enter, and says
// so in the status box, where a screen reader reads it. It changes nothing: holding, throwing and
// entering stay the person's, and the hint goes at the person's next action.

#include "app/app.h"

#include "ai/wording.h"
#include "app/computer.h"
#include "app/recorder.h"
#include "app/sections.h"
#include "dice/dicefield.h"
#include "gui/driver.h"

#include <algorithm>

const char* const HINT_QUESTION = "Ein Spiel mit Tipp kommt nicht in die Highscore-Liste.\n"
                                  "Tipp trotzdem zeigen?";

namespace
{
// The points the current dice would score in a cell, as the sheet shows them once it is chosen.
int CellPoints(TApp& app, int player, int row, int column)
{
  int points = 0, first = 0;
  ForScoringSections(app, size_t(player), [&](auto& section) {
    const int rows = section.Points.empty() ? 0 : int(section.Points[0]->Array.size());
    if (row >= first && row < first + rows && column >= 0 && column < int(section.Points.size()))
      points = section.Points[size_t(column)]->CapturePoints(row - first);
    first += rows;
  });
  return points;
}

const char* const REFUSAL = "Kein Tipp, solange der Computer am Zug ist";
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
    if (Record) Record->MarkHintUsed(); // the game's record says so too
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
    for (int i = 0; i < DICE; ++i) {
      const bool release = held[size_t(i)] && !keep[size_t(i)];
      if (!keep[size_t(i)] && !release) continue;
      TGadget* panel = dice.Panel[size_t(i + 1)];
      SetMarked(panel, release ? MARK_RELEASE : MARK_KEEP);
      // A screen reader on the die hears it too.
      SetAccessibleName(panel,
                        AccessibleName(panel) + (release ? ", Tipp: freigeben" : ", Tipp: halten"));
      hintMarks_.push_back(panel);
    }
    // The same words as the analysis of a game, which names the throw after them; held dice
    // that are to be thrown again come first, since they are what the hand must undo.
    const bool none = std::find(keep.begin(), keep.end(), true) == keep.end();
    text = "Tipp: " + QString::fromStdString(HoldWords(faces, keep, held));
    if (!none) text += " und würfeln";
  } else {
    // No throw left, or none that could do better: the cell to enter now.
    const TCellChoice choice = engine.ChooseCell(sheet, faces);
    TGadget* cell = SheetCell(*this, player, choice.row, choice.column);
    if (!cell) return;
    const int points = CellPoints(*this, player, choice.row, choice.column);
    SetMarked(cell, MARK_KEEP);
    hintMarks_.push_back(cell);
    // The points as the cell will show them once chosen, before its column's multiplier.
    text = "Tipp: " + QString::fromStdString(EntryWords(choice.row, choice.column, points));
    hintCell_ = cell;
    hintCellName_ = points == 0 ? ", Tipp: streichen" : ", Tipp: hier eintragen";
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
