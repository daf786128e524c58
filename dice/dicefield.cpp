#include "dice/dicefield.h"

#include "app/app.h"
#include "gui/driver.h"
#include "gui/runtime.h"
#include "sheet/cells.h"

const char* const STRIKE_QUESTION = "Wirklich eintragen?";

namespace
{
constexpr int GROUP_X = 10, GROUP_Y = 290, GROUP_W = 260, GROUP_H = 215;
constexpr int DICE_X = 14, DICE_Y = 45;
// The roll button takes two dice's width; the throw counter stands beside it, over the third.
constexpr int BUTTON_H = 40;
// The hint's words in the dark green of its marks.
constexpr int HINT_TEXT_RED = 16, HINT_TEXT_GREEN = 110, HINT_TEXT_BLUE = 44;
} // namespace

TDicefield* TDicefield::Create(TGadget* parent)
{
  // The faces look the same for every player and are never changed once decoded: a second
  // dice area shares the first one's pictures, which halves the decoding at start-up.
  const TDicefield* other = nullptr;
  if (App)
    for (const auto& d : App->DiceField)
      if (d.get() != this && d->Pixmap[1]) other = d.get();
  if (other) {
    Pixmap = other->Pixmap;
    PixmapHigh = other->PixmapHigh;
  } else {
    for (int f = 1; f <= 6; ++f) {
      Pixmap[size_t(f)] = LoadPixmap("incbin::" + QString::number(f) + ".png");
      PixmapHigh[size_t(f)] = LoadPixmap("incbin::" + QString::number(f) + "h.png");
    }
  }
  for (int i = 1; i <= DICE; ++i)
    Dice[size_t(i)] = Rand(1, 6);

  Group = CreatePanel(GROUP_X, GROUP_Y, GROUP_W, GROUP_H, parent, PANEL_GROUP, QString());
  Button = CreateButton("Würfeln", DICE_X, 0, 2 * DIE_SIZE, BUTTON_H, Group, BUTTON_PUSH);
  Counter =
      CreateLabel(QString(), DICE_X + 2 * DIE_SIZE, 0, DIE_SIZE, BUTTON_H, Group, LABEL_CENTER);
  for (int i = 1; i <= DICE; ++i) {
    Panel[size_t(i)] =
        CreatePanel(DICE_X + DIE_SIZE * ((i - 1) % 3), DICE_Y + DIE_SIZE * ((i - 1) / 3), DIE_SIZE,
                    DIE_SIZE, Group, PANEL_ACTIVE);
    // A die takes the focus so that Space can hold it.
    SetTabStop(Panel[size_t(i)], 1);
    ShowDie(i);
  }

  const int w = parent->ClientWidth();
  const bool compact = App->Style == STYLE_COMPACT;
  if (compact)
    Fill = CreateButton("Eintragen", w - 300, 422, 290, 80, parent, BUTTON_PUSH);
  else
    Fill = CreateButton("Eintragen", 10, 640, 260, 80, parent, BUTTON_PUSH);
  Fill->SetEnabled(0);
  if (compact)
    Group2 = CreatePanel(w - 300, 225, 290, 197, parent, PANEL_GROUP, QString());
  else
    Group2 = CreatePanel(10, 505, 260, 135, parent, PANEL_GROUP, QString());

  const int y0 = Group2->ClientHeight() / 2 - 55;
  const int lw = Group2->width - 40;
  Player1 = CreateLabel(QString(), 10, y0, lw, 50, Group2, LABEL_CENTER);
  Player1->SetFont(Font24);
  Turn = CreateLabel("ist am Zug", 10, y0 + 50, lw, 20, Group2, LABEL_CENTER);
  CreateLabel(QString(), 10, y0 + 70, lw, 2, Group2, LABEL_SUNKENFRAME);
  Player2 = CreateLabel(QString(), 10, y0 + 77, lw, 40, Group2, LABEL_CENTER);
  Hint = CreateLabel(QString(), 10, y0 + 77, lw, 40, Group2, LABEL_CENTER);
  Hint->SetTextColor(HINT_TEXT_RED, HINT_TEXT_GREEN, HINT_TEXT_BLUE);
  // A new hint is spoken as it appears, wherever the screen reader's focus is.
  SetAccessibleLive(Hint);
  Hint->SetShow(0);
  Count = 0;
  Active.fill(0);
  ShowCount();
  return this;
}

void TDicefield::ShowCount()
{
  if (!Group || !Button) return;
  const QString throwNumber = "Wurf " + QString::number(std::min(Count, MAX_ROLLS) + 1);
  const QString of = "von " + QString::number(MAX_ROLLS + 1);
  const QString text = throwNumber + " " + of;
  // In two lines, which fit the third die's width.
  if (Counter) {
    Counter->SetText(throwNumber + "\n" + of);
    SetAccessibleName(Counter, text);
  }
  SetAccessibleName(Group, text);
  SetAccessibleDescription(Button, text);
  // The faces in one line: after the last throw the dice are no Tab stops, and the box that
  // holds them still says what they show.
  QStringList faces;
  for (int i = 1; i <= DICE; ++i)
    faces << QString::number(Dice[size_t(i)]);
  SetAccessibleDescription(Group, "Würfel: " + faces.join(", "));
}

void TDicefield::ShowTurnLines()
{
  if (Turn) Turn->SetShow(1);
}

void TDicefield::ShowDie(int i)
{
  TGadget* panel = Panel[size_t(i)];
  if (!panel) return;
  const int face = Dice[size_t(i)];
  const bool held = Active[size_t(i)] != 0;
  const bool valid = face >= 1 && face <= 6;
  panel->SetPixmap(valid ? (held ? PixmapHigh : Pixmap)[size_t(face)] : nullptr, PANELPIXMAP_TILE);
  // Read out by screen readers, since the face is otherwise only a picture.
  QString name = "Würfel " + QString::number(i) + ": " + QString::number(face);
  if (held) name += ", gehalten";
  SetAccessibleName(panel, name);
  SetAccessibleChecked(panel, held);
  // After the turn's last roll a die keeps its hold but can no longer be held or released.
  SetAccessibleFixed(panel, Count >= MAX_ROLLS);
  ShowCount();
}

void TDicefield::ThrowAll()
{
  Count = 0;
  for (int i = 1; i <= DICE; ++i) {
    Active[size_t(i)] = 0;
    Dice[size_t(i)] = Rand(1, 6);
    ShowDie(i);
  }
  if (Button) Button->SetEnabled(PlayedByComputer ? 0 : 1);
  if (Fill) Fill->SetEnabled(0);
  for (int i = 1; i <= DICE; ++i)
    if (Panel[size_t(i)]) SetTabStop(Panel[size_t(i)], 1);
  ShowCount();
}

int TDicefield::Reset()
{
  ThrowAll();
  return 0;
}

int TDicefield::NewGame()
{
  ThrowAll();
  return 0;
}

bool TDicefield::SetPlayedByComputer(bool computer)
{
  PlayedByComputer = computer;
  if (!Button) return false;
  const int enabled = !computer && Count < MAX_ROLLS ? 1 : 0;
  if (GadgetDisabled(Button) != 1 - enabled) {
    Button->SetEnabled(enabled);
    if (computer && Fill) Fill->SetEnabled(0);
    return true;
  }
  return false;
}

int TDicefield::Hold(int i)
{
  if (!Button || Count >= MAX_ROLLS) return 0; // the turn's rolls are used up
  if (i < 1 || i > DICE || !Panel[size_t(i)]) return 0;
  Active[size_t(i)] = Active[size_t(i)] ? 0 : 1;
  ShowDie(i);
  return 0;
}

int TDicefield::ProcedureDices(const TEvent& event)
{
  for (int i = 1; i <= DICE; ++i)
    if (event.source && event.source == Panel[size_t(i)]) return Hold(i);
  return 0;
}

int TDicefield::ProcedureKeys(const TEvent& event)
{
  if (event.id == EVENT_HOTKEYHIT && event.mods == 0 && event.data >= '1' &&
      event.data <= '0' + DICE)
    return Hold(event.data - '0');
  if (event.id == EVENT_KEYDOWN && event.data == KEY_SPACE && event.mods == 0)
    return ProcedureDices(event);
  return 0;
}

int TDicefield::Procedure(const TEvent& event)
{
  if (event.source == Button && Button) {
    // A selection never survives a roll.
    if (App->Last) {
      App->Last->SetText(CELL_FREE);
      App->Last = nullptr;
    }
    for (int i = 1; i <= DICE; ++i) {
      if (Active[size_t(i)]) continue;
      Dice[size_t(i)] = Rand(1, 6);
      ShowDie(i);
    }
    if (++Count >= MAX_ROLLS) {
      // Dice that can no longer be held are no Tab stops: Tab goes from here to the sheet,
      // and so does the focus of the roll button that goes grey.
      for (int i = 1; i <= DICE; ++i) {
        SetTabStop(Panel[size_t(i)], 0);
        ShowDie(i); // the held ones too: none can be held any more
      }
      Button->SetEnabled(0);
    }
    ShowCount();
  } else if (event.source == Fill && Fill) {
    DoEntry();
  }
  return 0;
}

int TDicefield::DoEntry()
{
  TGadget* cell = App->Last;
  if (!cell) return 0;
  if (cell->GetText() == "0") {
    // The computer answers its own question, and a step over the network was asked before it
    // went: the box is for the person only.
    if (!App->PersonBlocked() && Confirm(STRIKE_QUESTION, 0) != 1) {
      // Declined: the turn goes on with the same dice, holds and rolls, and the keyboard
      // stands on the cell it withdrew from.
      cell->SetText(CELL_FREE);
      App->Last = nullptr;
      cell->Activate(0);
      return 0;
    }
    cell->SetText("0");
  }
  App->Reset();
  App->IsFull();
  return 0;
}

int TDicefield::Remove()
{
  for (int i = 1; i <= DICE; ++i) {
    FreeGadget(Panel[size_t(i)]);
    Panel[size_t(i)] = nullptr;
  }
  for (TGadget** g :
       {&Button, &Counter, &Fill, &Player1, &Player2, &Hint, &Turn, &Group, &Group2}) {
    FreeGadget(*g);
    *g = nullptr;
  }
  Pixmap.fill(nullptr);
  PixmapHigh.fill(nullptr);
  Active.fill(0);
  Dice.fill(0);
  return 0;
}
