// The record of every game: one action written and synced by the writing thread, one action
// handed over by the window (all the person ever waits for), the statistics of 100,000 finished
// games read and their window opened, a start with them, and a start that resumes a game half
// played.

#include "app/app.h"
#include "app/recorder.h"
#include "bench/benchapp.h"
#include "bench/recordfill.h"
#include "dice/dicefield.h"
#include "forms/statsform.h"
#include "gui/event.h"
#include "gui/runtime.h"
#include "store/recorddb.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

namespace
{
constexpr int LONG_LIFE = 100000;

std::string RecordPath()
{
  return (GetUserAppDir() + "/Tollmark/Wurfwummel").toStdString() + RECORD_FILE;
}

// One hold, written in a transaction of its own and synced, as the writing thread does when the
// person acts slower than the disk.
void BM_RecordWriteAction(benchmark::State& state)
{
  QDir().mkpath(GetUserAppDir() + "/Tollmark/Wurfwummel");
  QFile::remove(QString::fromStdString(RecordPath()));
  TRecordProblem problem;
  auto db = TRecordDb::Open(RecordPath(), 1000, problem);
  if (!db) {
    state.SkipWithError("no record");
    return;
  }
  const int64_t game = 42;
  db->Begin();
  db->AddGame(game, RecordNow());
  db->Commit();
  TAction hold;
  hold.kind = TActionKind::Hold;
  int seq = 0;
  for (auto _ : state) {
    hold.holds[size_t(seq % 6)] = !hold.holds[size_t(seq % 6)];
    db->Begin();
    db->AddAction(game, seq++, hold);
    db->Commit();
  }
}
BENCHMARK(BM_RecordWriteAction)->Unit(benchmark::kMicrosecond);

// A die held and released through the main loop with the record on: what the window spends,
// the record's part being the hand-over to the writing thread.
void BM_RecordHoldInWindow(benchmark::State& state)
{
  auto app = StartGame(1);
  TEvent click;
  click.id = EVENT_MOUSEUP;
  click.data = 1;
  click.source = app->DiceField[0]->Panel[1];
  for (auto _ : state)
    app->Dispatch(click);
  app->Record->Flush();
  StopGame(app);
}
BENCHMARK(BM_RecordHoldInWindow)->Unit(benchmark::kMicrosecond);

// A record of 100,000 games, made once per run beside the data folder, which other benchmarks
// empty; each benchmark copies it into place.
const QString& LongRecord()
{
  static QTemporaryDir dir;
  static const QString path = [] {
    const QString file = dir.path() + "/long.db";
    return FillRecord(file.toStdString(), LONG_LIFE) ? file : QString();
  }();
  return path;
}

bool PutLongRecord()
{
  QDir(GetUserAppDir() + "/Tollmark").removeRecursively();
  QDir().mkpath(GetUserAppDir() + "/Tollmark/Wurfwummel");
  return !LongRecord().isEmpty() && QFile::copy(LongRecord(), QString::fromStdString(RecordPath()));
}

// The figures, the chart's points and the newest finished games as the window reads them.
void BM_StatisticsRead100000(benchmark::State& state)
{
  TRecordProblem problem;
  auto db = PutLongRecord() ? TRecordDb::Open(RecordPath(), 1000, problem) : nullptr;
  if (!db) {
    state.SkipWithError("no record");
    return;
  }
  for (auto _ : state) {
    TStatistics stats;
    std::vector<TStatsRow> rows;
    if (!db->ReadStatistics(stats) || !db->FinishedPage(0, 101, rows))
      state.SkipWithError("not read");
    benchmark::DoNotOptimize(stats);
  }
}
BENCHMARK(BM_StatisticsRead100000)->Unit(benchmark::kMillisecond);

// The whole window: read, built, shown and painted, then closed from inside its own loop.
void BM_StatisticsOpen100000(benchmark::State& state)
{
  if (!PutLongRecord()) {
    state.SkipWithError("no record");
    return;
  }
  auto app = StartGame(1);
  for (auto _ : state) {
    QTimer::singleShot(0, [] {
      Settle();
      TEvent close;
      close.id = EVENT_WINDOWCLOSE;
      TEvent::Emit(close);
    });
    TStatsForm().Open(app.get());
  }
  StopGame(app);
}
BENCHMARK(BM_StatisticsOpen100000)->Unit(benchmark::kMillisecond);

// The start of a pair of players with 100,000 games behind them.
void BM_StartupRecord100000(benchmark::State& state)
{
  if (!PutLongRecord()) {
    state.SkipWithError("no record");
    return;
  }
  auto first = StartGame(2);
  StopGame(first);
  for (auto _ : state) {
    auto app = std::make_unique<TApp>();
    app->Create();
    Settle();
    StopGame(app);
  }
}
BENCHMARK(BM_StartupRecord100000)->Unit(benchmark::kMillisecond);

// The start of a returning player whose game stopped halfway: twenty turns to put back.
void BM_StartupResume(benchmark::State& state)
{
  QDir(GetUserAppDir() + "/Tollmark").removeRecursively();
  auto first = StartGame(2);
  PlayTurns(*first, 40);
  StopGame(first);
  for (auto _ : state) {
    auto app = std::make_unique<TApp>();
    app->Create();
    Settle();
    if (!app->Record || app->Record->Game() == 0) state.SkipWithError("nothing resumed");
    StopGame(app);
  }
}
BENCHMARK(BM_StartupResume)->Unit(benchmark::kMillisecond);
} // namespace
