#include "app/computer.h"

#include "app/app.h"
#include "app/sections.h"
#include "dice/dicefield.h"
#include "gui/timer.h"
#include "sheet/cells.h"

const char* const COMPUTER_NAME = "Computer";

namespace
{
constexpr int COMPUTER_PLAYER = 1;
}

TComputer::TComputer(TApp& app) : app_(app) {}

TComputer::~TComputer()
{
  Stop();
}

bool TComputer::AtTurn() const
{
  return Plays && PlayerCount == 2 && app_.CurrentPlayer == COMPUTER_PLAYER &&
         int(app_.DiceField.size()) == 2;
}

void TComputer::Schedule()
{
  if (!AtTurn()) {
    Stop();
    return;
  }
  if (timer_ && TimerPending(timer_)) return;
  // Built when the computer was switched on; this only covers a way in that forgot to.
  Prepare();
  timer_ = StartTimer(StepDelay);
}

void TComputer::Stop()
{
  StopTimer(timer_);
  timer_ = 0;
  chosenAt_ = -1;
}

bool TComputer::Tick(int handle)
{
  if (handle == 0 || handle != timer_) return false;
  timer_ = 0;
  if (AtTurn()) Step();
  return true;
}

const char* SpeedName(TSpeed speed)
{
  switch (speed) {
  case TSpeed::Langsam:
    return "langsam";
  case TSpeed::Schnell:
    return "schnell";
  case TSpeed::Normal:
    break;
  }
  return "normal";
}

std::optional<TSpeed> SpeedFromName(const QString& name)
{
  for (TSpeed speed : {TSpeed::Langsam, TSpeed::Normal, TSpeed::Schnell})
    if (name.compare(QLatin1String(SpeedName(speed)), Qt::CaseInsensitive) == 0) return speed;
  return std::nullopt;
}

void TComputer::SetSpeed(TSpeed speed)
{
  speed_ = speed;
  StepDelay = StepTime(speed);
  // A step already on its way keeps its time; the next one takes the new.
}

void TComputer::SetLevel(TLevel level)
{
  level_ = level;
  if (Plays) Prepare();
}

void TComputer::Prepare()
{
  PlayerFor(level_);
}

const TPlayer* TComputer::Ready() const
{
  return players_[size_t(level_)].get();
}

const TPlayer& TComputer::PlayerFor(TLevel level)
{
  auto& player = players_[size_t(level)];
  // Its tables take a moment to build: only a game against the computer, or a hint, pays.
  if (!player) player = MakePlayer(level);
  return *player;
}

TGadget* SheetCell(TApp& app, int player, int row, int column)
{
  if (player < 0 || player >= int(app.DiceField.size())) return nullptr;
  TGadget* found = nullptr;
  int first = 0;
  ForScoringSections(app, size_t(player), [&](auto& section) {
    const int rows = section.Points.empty() ? 0 : int(section.Points[0]->Array.size());
    if (row >= first && row < first + rows && column >= 0 && column < int(section.Points.size()))
      found = section.Points[size_t(column)]->Array[size_t(row - first)];
    first += rows;
  });
  return found;
}

TSheetState SheetOf(TApp& app, int player)
{
  // An entered cell is disabled and its text is its points; a cell that only shows what the
  // dice would score is still free.
  TSheetState sheet;
  for (int row = 0; row < SHEET_ROWS; ++row)
    for (int column = 0; column < SHEET_COLUMNS; ++column) {
      TGadget* cell = SheetCell(app, player, row, column);
      if (cell && GadgetDisabled(cell)) sheet.Enter(row, column, CellValue(cell));
    }
  return sheet;
}

void TComputer::Step()
{
  TDicefield& dice = *app_.DiceField[size_t(COMPUTER_PLAYER)];
  if (app_.Last) {
    chosenAt_ = -1;
    app_.Act(dice.Fill);
    return;
  }
  const TFaces faces = app_.SummDices();
  const int throwsLeft = MAX_ROLLS - dice.Count;
  if (throwsLeft >= 1) {
    THolds current{};
    for (int i = 0; i < DICE; ++i)
      current[size_t(i)] = dice.Active[size_t(i + 1)] != 0;
    if (chosenAt_ == dice.Count && current == chosen_) {
      app_.Act(dice.Button);
      return;
    }
    const THolds holds =
        PlayerFor(level_).ChooseHolds(SheetOf(app_, COMPUTER_PLAYER), faces, current, throwsLeft);
    bool all = true;
    for (bool h : holds)
      all = all && h;
    if (!all) {
      chosen_ = holds;
      chosenAt_ = dice.Count;
      if (holds == current) {
        app_.Act(dice.Button);
      } else {
        // This step only shows the dice it keeps; the next one throws the others.
        for (int i = 0; i < DICE; ++i)
          if (holds[size_t(i)] != current[size_t(i)]) dice.Hold(i + 1);
      }
      return;
    }
  }
  const TCellChoice choice = PlayerFor(level_).ChooseCell(SheetOf(app_, COMPUTER_PLAYER), faces);
  if (TGadget* cell = SheetCell(app_, COMPUTER_PLAYER, choice.row, choice.column)) app_.Act(cell);
}
