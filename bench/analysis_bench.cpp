// The analysis of a whole one-player game (about 190 decisions) against "Stark", as the analysis
// window has it worked out: a fresh analyser per game, so that nothing of an earlier game is
// remembered. The game is played and recorded outside the timing: by "Leicht", whose sheets
// Stark has to plan afresh, and by "Stark" itself. And the game's own loop while the analysis
// window works: what it waits at most between two events. And the window's first view with a
// long life in the record.

#include "ai/analysis.h"
#include "app/computer.h"
#include "app/recorder.h"
#include "bench/benchapp.h"
#include "bench/recorded.h"
#include "bench/recordfill.h"
#include "dice/dicefield.h"
#include "forms/analysisform.h"
#include "gui/event.h"
#include "gui/runtime.h"
#include "store/highscore.h"
#include "store/rc4.h"
#include "store/scorefile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdint>

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

// The click on "Spielanalyse" with that many finished games in the record and the last of them
// played in full in an earlier run: the window reads that game back from the record, starts its
// analysis on its own thread and shows its first view. Timed from the click to the window
// shown, laid out and painted. The first opening in a process also loads the chart module; run
// alone (--benchmark_filter=FirstView), `first_ms` is that opening and the time the mean of all.
void BM_AnalysisWindowFirstView(benchmark::State& state)
{
  const QString folder = GetUserAppDir() + "/Tollmark/Wurfwummel";
  QDir(GetUserAppDir() + "/Tollmark").removeRecursively();
  QDir().mkpath(folder);
  if (!FillRecord((folder + RECORD_FILE).toStdString(), int(state.range(0)))) {
    state.SkipWithError("the record could not be written");
    return;
  }
  {
    auto earlier = StartGame(1);
    // A list of scores out of reach: no high-score dialog waits at the game's end.
    earlier->Score->assign(SCORE_ENTRIES, RC4(ScoreRecord(99999, "Niemand"), ScoreKey));
    PlayTurns(*earlier, 63);
    earlier->Record->Flush();
    StopGame(earlier);
  }
  auto app = StartGame(1);
  double first = -1;
  for (auto _ : state) {
    QElapsedTimer clock;
    clock.start();
    double ms = 0;
    // Runs in the window's own loop, once it waits for its first event.
    QTimer::singleShot(0, [&] {
      Settle();
      ms = double(clock.nsecsElapsed()) / 1e6;
      TEvent close;
      close.id = EVENT_WINDOWCLOSE;
      TEvent::Emit(close);
    });
    TAnalysisForm().Open(app.get(), app->Record->ActionsToAnalyse());
    if (first < 0) first = ms;
    state.SetIterationTime(ms / 1e3);
  }
  state.counters["first_ms"] = first;
  WaitForAnalyses();
  StopGame(app);
}
BENCHMARK(BM_AnalysisWindowFirstView)
    ->ArgName("games")
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
} // namespace
