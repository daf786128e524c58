// Playing: a click on a free cell handled by the main loop, entering a value and passing the
// turn, and a whole game; beside one QPushButton::setText with a repaint request.

#include "app/app.h"
#include "app/sections.h"
#include "bench/benchapp.h"
#include "dice/dicefield.h"
#include "gui/event.h"
#include "store/highscore.h"
#include "store/rc4.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QWidget>
#include <benchmark/benchmark.h>

namespace
{
TEvent Action(TGadget* source)
{
  TEvent e;
  e.id = EVENT_GADGETACTION;
  e.source = source;
  return e;
}

// Every cell of player p's sheet, section by section in the main loop's order.
std::vector<TGadget*> Cells(TApp& app, size_t p)
{
  std::vector<TGadget*> cells;
  ForScoringSections(app, p, [&cells](auto& section) {
    for (const auto& column : section.Points)
      cells.insert(cells.end(), column->Array.begin(), column->Array.end());
  });
  return cells;
}

// Each click starts, as in the program, from a window whose earlier changes are painted; the
// painting itself is left out of the time.
void Painted(benchmark::State& state)
{
  state.PauseTiming();
  Settle();
  state.ResumeTiming();
}

// Two free cells far apart on the sheet, clicked in turn: every click moves the selection,
// shows new points and refreshes every sum.
void BM_ClickCell(benchmark::State& state)
{
  auto app = StartGame(2);
  const std::vector<TGadget*> cells = Cells(*app, 0);
  const TEvent clicks[2] = {Action(cells.front()), Action(cells.back())};
  size_t i = 0;
  for (auto _ : state) {
    Painted(state);
    app->Dispatch(clicks[i]);
    i ^= 1;
  }
  StopGame(app);
}
BENCHMARK(BM_ClickCell)->Unit(benchmark::kMicrosecond);

// The same, from the button's own click through the toolkit's event queue.
void BM_ClickCellButton(benchmark::State& state)
{
  auto app = StartGame(2);
  const std::vector<TGadget*> cells = Cells(*app, 0);
  QAbstractButton* buttons[2] = {static_cast<QAbstractButton*>(cells.front()->Native()),
                                 static_cast<QAbstractButton*>(cells.back()->Native())};
  size_t i = 0;
  for (auto _ : state) {
    Painted(state);
    buttons[i]->click();
    while (QueuedEvents() > 0) {
      PollEvent();
      app->Dispatch(CurrentEvent());
    }
    i ^= 1;
  }
  StopGame(app);
}
BENCHMARK(BM_ClickCellButton)->Unit(benchmark::kMicrosecond);

void BM_SetTextRepaint(benchmark::State& state)
{
  QWidget window;
  window.resize(200, 100);
  QPushButton button("-", &window);
  button.setGeometry(10, 10, 50, 20);
  window.show();
  Settle();
  const QString texts[2] = {"12", "-"};
  size_t i = 0;
  for (auto _ : state) {
    Painted(state);
    button.setText(texts[i]);
    button.update();
    i ^= 1;
  }
}
BENCHMARK(BM_SetTextRepaint)->Unit(benchmark::kMicrosecond);

// Select a free cell, enter it, and the turn passes to the other player, whose panel shows.
void BM_EnterAndPassTurn(benchmark::State& state)
{
  auto app = StartGame(2);
  const std::vector<TGadget*> cells[2] = {Cells(*app, 0), Cells(*app, 1)};
  size_t turn = 0;
  for (auto _ : state) {
    Painted(state);
    const size_t p = size_t(app->CurrentPlayer);
    app->Dispatch(Action(cells[p][turn / 2]));
    app->Dispatch(Action(app->DiceField[p]->Fill));
    // A new game before the sheets are full: the end of a game is measured on its own.
    if (++turn == 2 * (cells[0].size() - 1)) {
      state.PauseTiming();
      app->NewGame();
      turn = 0;
      state.ResumeTiming();
    }
  }
  StopGame(app);
}
BENCHMARK(BM_EnterAndPassTurn)->Unit(benchmark::kMicrosecond);

// One player's 63 turns, each a roll, a click on a cell and "Eintragen", through the main
// loop's handling; the last entry ends the game, and as no score enters the list the end
// question is answered with OK, which starts the next game.
void BM_WholeGame(benchmark::State& state)
{
  auto app = StartGame(1);
  app->Score = std::vector<QString>(SCORE_ENTRIES, RC4(ScoreRecord(1000000, "Anna"), ScoreKey));
  const std::vector<TGadget*> cells = Cells(*app, 0);
  TDicefield& dice = *app->DiceField[0];
  for (auto _ : state) {
    for (TGadget* cell : cells) {
      app->Dispatch(Action(dice.Button));
      app->Dispatch(Action(cell));
      app->Dispatch(Action(dice.Fill));
    }
  }
  if (GadgetDisabled(cells.front())) state.SkipWithError("the game did not start afresh");
  StopGame(app);
}
BENCHMARK(BM_WholeGame)->Unit(benchmark::kMillisecond);
} // namespace
