#include "forms/analysisposition.h"

#include "ai/wording.h"
#include "forms/analysistext.h"
#include "sheet/cells.h"
#include "sheet/labels.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace
{
// The sheet's measures at scale 1: a row's pitch, a cell, a column's pitch, the row labels,
// and what a group box takes round its inside.
constexpr int PITCH = 19, CELL_W = 40, CELL_H = 17, COLUMN = 44, LABEL_W = 82, INSET = 6;
constexpr int BOX_TOP = 20, BOX_SIDES = 8, GAP = 4, RULE = 6;
constexpr int STACK_W = INSET + LABEL_W + 3 * COLUMN + BOX_SIDES;
// Above the sheet: the place and result beside the dice, then the two choices.
constexpr int DIE = 34, SMALL_DIE = 26, DICE_BOX_H = BOX_TOP + DIE + 4, CHOICE_H = 96;
constexpr int WORDS_H = 30, WORTH_H = 16;
constexpr int TOP_H = DICE_BOX_H + GAP + CHOICE_H + 6;
constexpr double MAX_SCALE = 1.6;
// The caption of each display row, and the section it names for a screen reader.
const char* const NUMBER_CAPTIONS[3] = {"Summe", "Bonus", "Gesamt"};
const char* const BONUS_NAMES[3] = {"Bonus Pasch", "Bonus Haus", "Bonus Straße"};

int Scaled(double s, int v)
{
  return int(std::lround(s * v));
}

QString Words(const std::string& text)
{
  return QString::fromStdString(text);
}

// What a choice keeps or enters, and what Stark then expects of the game.
QString ChoiceText(const std::string& words, double worth)
{
  return Words(words) + "\ndanach erwartet " + Points(worth);
}
} // namespace

void TAnalysisPosition::Create(TGadget* parent, const std::array<TPixmapPtr, 7>& faces,
                               const std::array<TPixmapPtr, 7>& held)
{
  faces_ = faces;
  held_ = held;
  Panel = CreatePanel(0, 0, POSITION_WIDTH, POSITION_HEIGHT, parent, PANEL_PLAIN);
  SetAccessibleName(Panel, "Stellung der gewählten Entscheidung");
  Title = CreateLabel(QString(), 0, 0, 10, 10, Panel, LABEL_LEFT);
  DiceBox = CreatePanel(0, 0, 10, 10, Panel, PANEL_GROUP, "Würfel");
  SetAccessibleName(DiceBox, "Würfel");
  for (TGadget*& die : Dice)
    die = CreatePanel(0, 0, 10, 10, DiceBox, PANEL_PLAIN);
  CreateChoice(Done, "Gewählt");
  CreateChoice(Best, "Stark");
  CreateSections();
}

void TAnalysisPosition::CreateChoice(TChoice& choice, const QString& title)
{
  choice.Box = CreatePanel(0, 0, 10, 10, Panel, PANEL_GROUP, title);
  SetAccessibleName(choice.Box, title);
  choice.Words = CreateLabel(QString(), 0, 0, 10, 10, choice.Box, LABEL_LEFT);
  for (TGadget*& die : choice.Dice)
    die = CreatePanel(0, 0, 10, 10, choice.Box, PANEL_PLAIN);
}

void TAnalysisPosition::CreateSections()
{
  for (const TSection& section : SECTIONS) {
    TSectionBox box;
    box.box = CreatePanel(0, 0, 10, 10, Panel, PANEL_GROUP);
    box.firstRow = section.firstRow;
    box.rows = section.rows;
    // One caption stands for both "Wummel" rows, as on the game's sheet.
    const int labels = section.kind == TColumnKind::Wummel ? 1 : section.rows;
    for (int r = 0; r < labels; ++r) {
      const QString text = section.kind == TColumnKind::Wummel
                               ? QString(WUMMEL_LABEL)
                               : Words(RowLabel(section.firstRow + r));
      box.labels.push_back(CreateLabel(text, 0, 0, 10, 10, box.box, LABEL_LEFT));
    }
    for (int r = 0; r < section.rows; ++r)
      for (int k = 0; k < SHEET_COLUMNS; ++k) {
        TGadget* cell = CreateButton(CELL_FREE, 0, 0, 10, 10, box.box, BUTTON_PUSH);
        // The player reads the cells; the keys stay with the list.
        SetTabStop(cell, 0);
        Cells[size_t(section.firstRow + r)][size_t(k)] = cell;
      }
    auto displays = [&](std::array<TGadget*, SHEET_COLUMNS>& row, const QString& caption) {
      for (TGadget*& display : row) {
        display = CreateButton("0", 0, 0, 10, 10, box.box, BUTTON_PUSH);
        display->SetEnabled(0);
      }
      box.displays.push_back(&row);
      box.captions.push_back(CreateLabel(caption, 0, 0, 10, 10, box.box, LABEL_LEFT));
    };
    if (section.kind == TColumnKind::Point) {
      box.rule = CreateRule(0, 0, 10, box.box);
      displays(NumberSum, NUMBER_CAPTIONS[0]);
      displays(NumberBonus, NUMBER_CAPTIONS[1]);
      displays(NumberTotal, NUMBER_CAPTIONS[2]);
    } else if (HasPatternBonus(section.kind)) {
      box.rule = CreateRule(0, 0, 10, box.box);
      displays(Bonuses[sections_.size() - 1], "Bonus");
    }
    sections_.push_back(std::move(box));
  }
  totalsBox_ = CreatePanel(0, 0, 10, 10, Panel, PANEL_GROUP);
  for (TGadget*& display : ColumnPoints) {
    display = CreateButton("0", 0, 0, 10, 10, totalsBox_, BUTTON_PUSH);
    display->SetEnabled(0);
  }
  Grand = CreateButton("0", 0, 0, 10, 10, totalsBox_, BUTTON_PUSH);
  Grand->SetEnabled(0);
  totalsCaptions_[0] = CreateLabel("Punkte", 0, 0, 10, 10, totalsBox_, LABEL_LEFT);
  totalsCaptions_[1] = CreateLabel("Gesamt", 0, 0, 10, 10, totalsBox_, LABEL_LEFT);
  Legend = CreateLabel(QString(), 0, 0, 10, 10, Panel, LABEL_LEFT);
  ShowContent(false);
}

void TAnalysisPosition::ShowContent(bool shown)
{
  if (!DiceBox || (GadgetHidden(DiceBox) == 0) == shown) return;
  std::vector<TGadget*> boxes = {DiceBox, Done.Box, Best.Box, totalsBox_, Legend};
  for (const TSectionBox& section : sections_)
    boxes.push_back(section.box);
  for (TGadget* box : boxes)
    box->SetShow(shown ? 1 : 0);
}

void TAnalysisPosition::PlaceSection(TSectionBox& section, int x, int y, double s)
{
  const int pitch = Scaled(s, PITCH), cellW = Scaled(s, CELL_W), cellH = Scaled(s, CELL_H);
  const int column = Scaled(s, COLUMN), labelW = Scaled(s, LABEL_W);
  const int first = INSET + labelW;
  int inside = section.rows * pitch;
  if (section.rule) inside += RULE + int(section.displays.size()) * pitch;
  section.box->SetShape(x, y, Scaled(s, STACK_W - BOX_SIDES) + BOX_SIDES, inside + BOX_TOP);
  if (section.labels.size() == 1 && section.rows == 2) // "Wummel" between its two rows
    section.labels[0]->SetShape(INSET, pitch / 2, labelW, cellH);
  else
    for (size_t r = 0; r < section.labels.size(); ++r)
      section.labels[r]->SetShape(INSET, int(r) * pitch, labelW, cellH);
  for (int r = 0; r < section.rows; ++r)
    for (int k = 0; k < SHEET_COLUMNS; ++k)
      Cells[size_t(section.firstRow + r)][size_t(k)]->SetShape(first + k * column, r * pitch, cellW,
                                                               cellH);
  if (!section.rule) return;
  int ry = section.rows * pitch;
  section.rule->SetShape(INSET, ry, labelW + 3 * column - (column - cellW), 2);
  ry += RULE;
  for (size_t d = 0; d < section.displays.size(); ++d, ry += pitch) {
    section.captions[d]->SetShape(INSET, ry, labelW, cellH);
    for (int k = 0; k < SHEET_COLUMNS; ++k)
      (*section.displays[d])[size_t(k)]->SetShape(first + k * column, ry, cellW, cellH);
  }
}

void TAnalysisPosition::Place(int x, int y, int w, int h)
{
  if (!Panel) return;
  Panel->SetShape(x, y, w, h);
  const double s =
      std::clamp(std::min(double(w) / POSITION_WIDTH, double(h) / POSITION_HEIGHT), 1.0, MAX_SCALE);
  const int stackW = Scaled(s, STACK_W - BOX_SIDES) + BOX_SIDES;
  const int gap = std::max(GAP, (w - 2 * stackW) / 3);
  const int left = std::max(0, (w - 2 * stackW - gap) / 2), right = left + stackW + gap;

  // The place and result beside the dice, as wide as the left stack.
  const int die = Scaled(s, DIE), diceH = DICE_BOX_H - DIE + die;
  Title->SetShape(left, 0, stackW - GAP, diceH);
  DiceBox->SetShape(right, 0, stackW, diceH);
  const int pad = std::max(2, (stackW - BOX_SIDES - DICE * die) / (DICE + 1));
  for (size_t i = 0; i < Dice.size(); ++i)
    Dice[i]->SetShape(pad + int(i) * (die + pad), 0, die, die);
  int top = diceH + GAP;
  const int small = Scaled(s, SMALL_DIE), choiceH = CHOICE_H - SMALL_DIE + small;
  for (TChoice* choice : {&Done, &Best}) {
    const int cx = choice == &Done ? left : right;
    choice->Box->SetShape(cx, top, stackW, choiceH);
    const int inner = stackW - BOX_SIDES - 2 * INSET;
    choice->Words->SetShape(INSET, 0, inner, WORDS_H + WORTH_H);
    const int step = std::max(small + 2, inner / DICE);
    for (size_t i = 0; i < choice->Dice.size(); ++i)
      choice->Dice[i]->SetShape(INSET + int(i) * step, WORDS_H + WORTH_H + 2, small, small);
  }
  top += choiceH + 6;

  // The sheet in two stacks, as the game's has two: the numbers with pasch and houses on the
  // left, the straights, "Wummel", "Chance" and the totals on the right.
  int ly = top, ry = top;
  for (size_t i = 0; i < sections_.size(); ++i) {
    const bool onLeft = i < 3;
    int& sy = onLeft ? ly : ry;
    PlaceSection(sections_[i], onLeft ? left : right, sy, s);
    sy += sections_[i].box->height + GAP;
  }
  const int pitch = Scaled(s, PITCH), cellW = Scaled(s, CELL_W), cellH = Scaled(s, CELL_H);
  const int column = Scaled(s, COLUMN), first = INSET + Scaled(s, LABEL_W);
  totalsBox_->SetShape(right, ry, stackW, 2 * pitch + BOX_TOP);
  for (int k = 0; k < SHEET_COLUMNS; ++k)
    ColumnPoints[size_t(k)]->SetShape(first + k * column, 0, cellW, cellH);
  Grand->SetShape(first, pitch, 2 * column + cellW, cellH);
  totalsCaptions_[0]->SetShape(INSET, 0, first - INSET, cellH);
  totalsCaptions_[1]->SetShape(INSET, pitch, first - INSET, cellH);
  Legend->SetShape(right + INSET, ry + totalsBox_->height + GAP, stackW - INSET, 3 * PITCH);
}

void TAnalysisPosition::ShowDice(std::array<TGadget*, DICE>& dice, const TFaces& faces,
                                 const THolds& held, const QString& heldWord)
{
  for (size_t i = 0; i < dice.size(); ++i) {
    const int face = faces[i];
    const bool valid = face >= 1 && face <= 6;
    dice[i]->SetPixmap(valid ? (held[i] ? held_ : faces_)[size_t(face)] : nullptr, PANELPIXMAP_FIT);
    // As the game names its dice; these are shown, never held or let go here.
    QString name = "Würfel " + QString::number(i + 1) + ": " + QString::number(face);
    if (held[i]) name += ", " + heldWord;
    SetAccessibleName(dice[i], name);
    SetAccessibleChecked(dice[i], held[i]);
    SetAccessibleFixed(dice[i], 1);
  }
}

void TAnalysisPosition::Show(const QString& name, const TDecisionReview& decision)
{
  if (!Panel) return;
  const bool entry = decision.kind == TDecisionKind::Cell;
  const QString place = (name.isEmpty() ? QString() : name + ", ") + DecisionPlace(decision);
  const QString result = VerdictText(decision);
  Title->SetText(place + "\n" + result);
  SetAccessibleName(Title, place + ": " + result);
  ShowContent(true);
  ShowDice(Dice, decision.dice, decision.held, "gehalten");
  THolds all;
  all.fill(true);
  SetAccessibleDescription(DiceBox, "Würfel: " + Words(KeptFaces(decision.dice, all)));
  for (TChoice* choice : {&Done, &Best}) {
    const bool done = choice == &Done;
    const std::string& words = done ? decision.doneWords : decision.bestWords;
    const double worth = done ? decision.valueDone : decision.valueBest;
    choice->Words->SetText(ChoiceText(words, worth));
    SetAccessibleName(choice->Words, (done ? "Gewählt: " : "Stark: ") + Words(words) +
                                         ", danach erwartet " + Points(worth));
    if (!entry)
      ShowDice(choice->Dice, decision.dice, done ? decision.doneHolds : decision.bestHolds,
               "behalten");
    for (TGadget* die : choice->Dice)
      die->SetShow(entry ? 0 : 1);
  }
  ShowSheet(decision);
  Legend->SetText(entry ? "Fett: die gewählte Zelle.\nGrüne Marke: Starks Zelle."
                        : "Blau: gehaltene und behaltene Würfel.");
  // The decision in a few lines; the sheet itself is read cell by cell.
  SetAccessibleDescription(Panel, PositionText(name, decision));
}

void TAnalysisPosition::ShowSheet(const TDecisionReview& decision)
{
  const TSheetState& sheet = decision.sheet;
  const bool entry = decision.kind == TDecisionKind::Cell;
  for (int row = 0; row < SHEET_ROWS; ++row)
    for (int k = 0; k < SHEET_COLUMNS; ++k) {
      TGadget* cell = Cells[size_t(row)][size_t(k)];
      const bool done = entry && decision.doneCell.row == row && decision.doneCell.column == k;
      const bool best = entry && decision.bestCell.row == row && decision.bestCell.column == k;
      const QString title = Words(RowLabel(row)) + ", " + ColumnName(k);
      QString text = CELL_FREE, state = "frei";
      if (done || best) {
        // As the game shows a cell chosen but not yet entered: its points, not greyed.
        text = QString::number(done ? decision.donePoints : decision.bestPoints);
        state = done && best ? text + ", gewählt, wie Stark"
                : done       ? text + ", gewählt"
                             : text + ", Starks Wahl";
      } else if (!sheet.IsFree(row, k)) {
        text = QString::number(sheet.Cell(row, k));
        state = text + (text == "0" ? ", eingetragen (gestrichen)" : ", eingetragen");
      }
      cell->SetText(text);
      cell->SetEnabled(sheet.IsFree(row, k) ? 1 : 0);
      cell->SetFont(LibraryFont(1, 0, done ? FONT_BOLD : 0));
      // Stark's cell carries the hint's mark, which says "this one" in the game too.
      if (GadgetMarked(cell) != (best ? MARK_KEEP : 0)) SetMarked(cell, best ? MARK_KEEP : 0);
      SetAccessibleName(cell, title + ": " + state);
    }
  auto show = [](TGadget* display, int value, const QString& what) {
    display->SetText(QString::number(value));
    DescribeValue(display, what);
  };
  for (int k = 0; k < SHEET_COLUMNS; ++k) {
    const QString column = ", " + ColumnName(k);
    int sum = 0;
    for (int row = ROW_NUMBERS; row < ROW_NUMBERS + NUMBER_ROWS; ++row)
      if (!sheet.IsFree(row, k)) sum += sheet.Cell(row, k);
    const int bonus = ::NumberBonus(sum);
    show(NumberSum[size_t(k)], sum, "Summe Zahlen" + column);
    show(NumberBonus[size_t(k)], bonus, "Bonus Zahlen" + column);
    show(NumberTotal[size_t(k)], (sum + bonus) * Multiplier(k), "Gesamt Zahlen" + column);
    for (size_t p = 0; p < Bonuses.size(); ++p) {
      const TSection& section = SECTIONS[p + 1];
      int withPoints = 0;
      for (int row = section.firstRow; row < section.firstRow + section.rows; ++row)
        withPoints += !sheet.IsFree(row, k) && sheet.Cell(row, k) > 0;
      show(Bonuses[p][size_t(k)], ::PatternBonus(withPoints, section.rows),
           BONUS_NAMES[p] + column);
    }
    show(ColumnPoints[size_t(k)], sheet.ColumnTotal(k), "Punkte Spielzettel" + column);
  }
  show(Grand, sheet.GrandTotal(), "Gesamt Spielzettel");
}

void TAnalysisPosition::ShowNone(const QString& why)
{
  if (!Panel) return;
  Title->SetText(why);
  SetAccessibleName(Title, why);
  ShowContent(false);
  SetAccessibleDescription(Panel, why);
}
