// The analysis of a whole one-player game (about 190 decisions) against "Stark", as the analysis
// window has it worked out: a fresh analyser per game, so that nothing of an earlier game is
// remembered. The game is played and recorded outside the timing: by "Leicht", whose sheets
// Stark has to plan afresh, and by "Stark" itself. And the game's own loop while the analysis
// window works: what it waits at most between two events.

#include "ai/analysis.h"
#include "app/computer.h"
#include "app/recorder.h"
#include "bench/benchapp.h"
#include "bench/recorded.h"
#include "dice/dicefield.h"
#include "forms/analysisform.h"
#include "gui/event.h"
#include "gui/runtime.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>

namespace
{
void BM_AnalyseWholeGame(benchmark::State& state)
{
  const auto player = MakePlayer(TLevel(state.range(0)));
  std::mt19937 rng(42);
  TPlayedGame game;
  game.players.push_back(PlayRecorded(*player, rng));
  state.counters["decisions"] = TGameAnalyser::DecisionCount(game.players[0]);
  for (auto _ : state) {
    const TGameAnalyser analyser;
    benchmark::DoNotOptimize(analyser.Analyse(game));
  }
}
BENCHMARK(BM_AnalyseWholeGame)
    ->ArgName("level")
    ->Arg(int(TLevel::Leicht))
    ->Arg(int(TLevel::Stark))
    ->Unit(benchmark::kMillisecond);

// The analysis window opened on a game of ten turns and closed after the given milliseconds,
// timed from open to shut. The counter is the longest the game's loop went without an event
// through every run in the process (a timer ticks every millisecond): the first analysis of a
// process builds Stark's tables, the longest step of all, and the loop must not wait for it,
// nor for the decision under way when the window is closed.
void BM_AnalysisWindowOpenAndClose(benchmark::State& state)
{
  QDir(GetUserAppDir() + "/Tollmark").removeRecursively();
  auto app = StartGame(1);
  for (int turn = 0; turn < 10; ++turn) {
    TDicefield& dice = *app->DiceField[0];
    app->Act(dice.Button);
    for (int row = 0; row < 21 && !app->Last; ++row)
      for (int column = 0; column < 3 && !app->Last; ++column)
        if (TGadget* cell = SheetCell(*app, 0, row, column); cell && !GadgetDisabled(cell))
          app->Act(cell);
    app->Act(dice.Fill);
    app->Record->Observe();
  }
  const std::vector<TAction> actions = app->Record->ActionsToAnalyse();
  static double longest = 0;
  QElapsedTimer clock;
  clock.start();
  qint64 last = -1;
  QTimer tick;
  tick.setInterval(1);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    if (last >= 0) longest = std::max(longest, double(now - last) / 1e6);
    last = now;
  });
  for (auto _ : state) {
    last = -1;
    tick.start();
    QTimer::singleShot(int(state.range(0)), [] {
      TEvent close;
      close.id = EVENT_WINDOWCLOSE;
      TEvent::Emit(close);
    });
    TAnalysisForm().Open(app.get(), actions);
    tick.stop();
  }
  state.counters["longest_wait_ms"] = longest;
  WaitForAnalyses();
  StopGame(app);
}
BENCHMARK(BM_AnalysisWindowOpenAndClose)
    ->ArgName("close_ms")
    ->Arg(5)
    ->Arg(300)
    ->Unit(benchmark::kMillisecond);
} // namespace
