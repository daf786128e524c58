// The analysis of a whole one-player game (about 190 decisions) against "Stark", as the analysis
// window has it worked out: a fresh analyser per game, so that nothing of an earlier game is
// remembered. The game is played and recorded outside the timing: by "Leicht", whose sheets
// Stark has to plan afresh, and by "Stark" itself.

#include "ai/analysis.h"
#include "bench/recorded.h"

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
} // namespace
