// The hint: what the strongest computer would do in the place of the person at the turn. It
// marks the dice to keep and the held ones to let go before a throw, or the cell to enter, and says
// so in the status box, where a screen reader reads it. It changes nothing: holding, throwing and
// entering stay the person's. Its words stay until the next throw or entry, so that a person can
// follow them die by die; a mark goes as its advice is followed, and comes back if undone.

#include "app/app.h"

#include "ai/wording.h"
#include "app/computer.h"
#include "app/netgame.h"
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
const char* const KEEP_NAME = ", Tipp: halten";
const char* const RELEASE_NAME = ", Tipp: freigeben";

// Whether an event is one of the person's actions rather than a look or a move of the focus.
bool IsAction(const TEvent& event)
{
  switch (event.id) {
  case EVENT_MENUACTION: // a new game, the player dialog, another hint...
    switch (event.data) {
    case MM_HIGH: // ...but only looking, or choosing how the computer plays, is no move
    case MM_RULE:
    case MM_ABOUT:
    case MM_STATS:
    case MM_ANALYSIS:
    case MM_LEICHT:
    case MM_MITTEL:
    case MM_STARK:
    case MM_LANGSAM:
    case MM_NORMAL:
    case MM_SCHNELL:
      return false;
    default:
      return true;
    }
  case EVENT_GADGETACTION: // a throw, a cell chosen or entered
  case EVENT_HOTKEYHIT:    // the keys 1 to 6
    return true;
  case EVENT_MOUSEUP: // a die held or released
    return event.data == 1;
  case EVENT_KEYDOWN: // Space on a die; Tab and the like only move the focus
    return event.data == KEY_SPACE;
  default:
    return false;
  }
}
} // namespace

const char* const RESUMED_NOTE = "Spiel fortgesetzt";

void TApp::ShowHint()
{
  ClearHint();
  if (!Computer || PersonBlocked() || CurrentPlayer < 0 || CurrentPlayer >= PlayerCount) return;
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
    // A die to keep, held or not, and a held die to let go; the marks follow (FollowHint).
    for (int i = 0; i < DICE; ++i) {
      const bool release = held[size_t(i)] && !keep[size_t(i)];
      if (keep[size_t(i)] || release) hintDice_[size_t(i)] = release ? MARK_RELEASE : MARK_KEEP;
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
    // The points as the cell will show them once chosen, before its column's multiplier.
    text = "Tipp: " + QString::fromStdString(EntryWords(choice.row, choice.column, points));
    hintCell_ = cell;
    hintCellName_ = points == 0 ? ", Tipp: streichen" : ", Tipp: hier eintragen";
  }
  ShowNote(player, text);
  if (hintCell_) Describe(player); // the cell's name with the hint
  FollowHint();
}

void TApp::FollowHint()
{
  if (hintPlayer_ < 0 || hintPlayer_ >= int(DiceField.size())) return;
  TDicefield& dice = *DiceField[size_t(hintPlayer_)];
  for (int i = 1; i <= DICE; ++i) {
    const int advice = hintDice_[size_t(i - 1)];
    TGadget* panel = dice.Panel[size_t(i)];
    if (!advice || !panel) continue;
    const bool held = dice.Active[size_t(i)] != 0;
    const bool followed = advice == MARK_KEEP ? held : !held;
    if (GadgetMarked(panel) != (followed ? 0 : advice)) SetMarked(panel, followed ? 0 : advice);
    // A screen reader on the die hears it too, until it is done.
    dice.ShowDie(i);
    if (!followed)
      SetAccessibleName(panel,
                        AccessibleName(panel) + (advice == MARK_KEEP ? KEEP_NAME : RELEASE_NAME));
  }
  // The cell to enter is followed once chosen; chosen elsewhere, it is marked again.
  if (hintCell_) {
    const int mark = Last == hintCell_ ? 0 : MARK_KEEP;
    if (GadgetMarked(hintCell_) != mark) SetMarked(hintCell_, mark);
  }
}

void TApp::RefuseHint()
{
  ClearHint();
  if (!PersonBlocked()) return;
  ShowNote(CurrentPlayer, ComputerAtTurn() ? REFUSAL : NET_REFUSAL);
  noteUntilAction_ = true;
}

void TApp::ShowResumed()
{
  if (CurrentPlayer < 0 || CurrentPlayer >= int(DiceField.size())) return;
  ClearHint();
  ShowNote(CurrentPlayer, RESUMED_NOTE);
  noteUntilAction_ = true;
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
  const bool cellNamed = hintCell_ != nullptr;
  if (hintCell_) SetMarked(hintCell_, 0);
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
    for (int i = 1; i <= DICE; ++i) {
      if (!hintDice_[size_t(i - 1)]) continue;
      if (dice.Panel[size_t(i)]) SetMarked(dice.Panel[size_t(i)], 0);
      dice.ShowDie(i); // its name without the hint
    }
    if (cellNamed) Describe(hintPlayer_); // and the cell's
  }
  hintDice_ = {};
  hintPlayer_ = -1;
  noteUntilAction_ = false;
}

void TApp::ForgetHint(const TEvent& event)
{
  if (hintPlayer_ < 0) return;
  if (noteUntilAction_) {
    if (IsAction(event)) ClearHint();
    return;
  }
  // The hint itself goes with the next throw; an entry passes the turn, a new game begins
  // afresh, and both clear it there.
  const bool thrown = event.id == EVENT_GADGETACTION && event.source &&
                      hintPlayer_ < int(DiceField.size()) &&
                      event.source == DiceField[size_t(hintPlayer_)]->Button;
  if (thrown) ClearHint();
}
