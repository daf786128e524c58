// The record of every game: one action written and synced by the writing thread, one action
// handed over by the window (all the person ever waits for), the statistics window opened over
// 10,000 finished games, and a start that resumes a game half played.

#include "app/app.h"
#include "app/computer.h"
#include "app/recorder.h"
#include "bench/benchapp.h"
#include "dice/dicefield.h"
#include "forms/statsform.h"
#include "gui/event.h"
#include "gui/runtime.h"
#include "store/recorddb.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <random>
#include <sqlite3.h>

namespace
{
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

// 10,000 finished games of two people and of one person against each strength.
void FillStatistics(int games)
{
  sqlite3* db = nullptr;
  sqlite3_open(RecordPath().c_str(), &db);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  std::mt19937 random(7);
  std::normal_distribution<double> total(3800, 600);
  const char* levels[] = {"", "leicht", "mittel", "stark"};
  const int64_t start = RecordNow() - int64_t(games) * 3600000;
  for (int g = 0; g < games; ++g) {
    const int64_t at = start + int64_t(g) * 3600000;
    const char* level = levels[g % 4];
    char sql[512];
    std::snprintf(sql, sizeof sql,
                  "INSERT INTO games(id, started, ended, state) VALUES(%d, %lld, %lld, 1);"
                  "INSERT INTO players VALUES(%d, 0, 'Anna', 0, '', %d, %d, %d, %d, %d);"
                  "INSERT INTO players VALUES(%d, 1, '%s', %d, '%s', %d, 1, 1, 0, 1);",
                  g + 1, (long long)(at - 1800000), (long long)at, g + 1, int(total(random)),
                  g % 4, g % 3, g % 2, g % 3, g + 1, *level ? "Computer" : "Bernd", *level ? 1 : 0,
                  level, int(total(random)));
    sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

void BM_StatisticsOpen10000(benchmark::State& state)
{
  QDir(GetUserAppDir() + "/Tollmark").removeRecursively();
  auto app = StartGame(1);
  app->Record->Flush();
  FillStatistics(10000);
  for (auto _ : state) {
    // Opened, shown and painted, then closed from inside its own loop.
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
BENCHMARK(BM_StatisticsOpen10000)->Unit(benchmark::kMillisecond);

// The start of a returning player whose game stopped halfway: twenty turns to put back.
void BM_StartupResume(benchmark::State& state)
{
  QDir(GetUserAppDir() + "/Tollmark").removeRecursively();
  auto first = StartGame(2);
  for (int turn = 0; turn < 40; ++turn) {
    TDicefield& dice = *first->DiceField[size_t(first->CurrentPlayer)];
    first->Act(dice.Button);
    for (int row = 0; row < 21 && !first->Last; ++row)
      for (int column = 0; column < 3 && !first->Last; ++column) {
        TGadget* cell = SheetCell(*first, first->CurrentPlayer, row, column);
        if (cell && !GadgetDisabled(cell)) first->Act(cell);
      }
    first->Act(dice.Fill);
    first->Record->Observe();
  }
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
