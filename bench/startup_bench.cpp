// Start-up: the application object and its main window with both players' sheets and dice,
// up to the shown window, then freed; beside the plain-Qt window with as many controls.

#include "app/app.h"
#include "bench/baseline.h"
#include "bench/benchapp.h"
#include "gui/runtime.h"

#include <QDir>
#include <QMainWindow>
#include <benchmark/benchmark.h>

namespace
{
// The start of a returning pair of players: their names and the score list are on disk.
void BM_StartupGame(benchmark::State& state)
{
  auto first = StartGame(2);
  StopGame(first);
  for (auto _ : state) {
    auto app = std::make_unique<TApp>();
    app->Create();
    Settle();
    StopGame(app);
  }
}
BENCHMARK(BM_StartupGame)->Unit(benchmark::kMillisecond);

// The very first start, which writes the settings and the score file, each flushed to disk.
// It makes one player, the only one a first start knows.
void BM_StartupFirstRun(benchmark::State& state)
{
  const QString folder = GetUserAppDir() + "/Tollmark";
  SetDesktopSize(BENCH_DESKTOP_WIDTH, BENCH_DESKTOP_HEIGHT);
  for (auto _ : state) {
    state.PauseTiming();
    QDir(folder).removeRecursively();
    state.ResumeTiming();
    auto app = std::make_unique<TApp>();
    app->Create();
    Settle();
    StopGame(app);
  }
}
BENCHMARK(BM_StartupFirstRun)->Unit(benchmark::kMillisecond);

void BM_StartupBaseline(benchmark::State& state)
{
  auto app = StartGame(2);
  const TControls controls = CountControls(app->Window);
  StopGame(app);
  for (auto _ : state) {
    auto window = MakeBaselineWindow(controls, STANDARD_WIDTH, STANDARD_HEIGHT);
    window->show();
    Settle();
    window.reset();
  }
}
BENCHMARK(BM_StartupBaseline)->Unit(benchmark::kMillisecond);
} // namespace
