// How long a step of one computer takes to arrive at the other over the loopback interface:
// from the call of Throw or Enter on one link to the other link's OnThrown or OnEntered, both
// in this process, each step of a game in turn (a throw carries both halves of the dice, an
// entry its acknowledgement). Real time, since the time is spent in the kernel and the loop.

#include "net/link.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>

namespace
{

struct TPair {
  std::array<std::unique_ptr<TNetLink>, 2> links{std::make_unique<TNetLink>(),
                                                 std::make_unique<TNetLink>()};
  std::array<bool, 2> connected{}, arrived{};
  int turn = 0, throwsInTurn = 0, entries = 0;
  std::array<std::array<bool, 63>, 2> taken{};

  bool Spin(const std::array<bool, 2>& flags, int side)
  {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!flags[size_t(side)]) {
      QCoreApplication::processEvents();
      if (std::chrono::steady_clock::now() > end) return false;
    }
    return true;
  }

  bool Start()
  {
    const QString code = QStringLiteral("1111-2222-3333");
    for (int i = 0; i < 2; ++i) {
      TNetLink& l = *links[size_t(i)];
      l.OnConnected = [this, i] { connected[size_t(i)] = true; };
      l.OnThrown = [this, i](int, uint8_t, std::array<int, 6>, QByteArray) {
        arrived[size_t(i)] = true;
      };
      l.OnEntered = [this, i](int seat, int row, int column, QByteArray) {
        arrived[size_t(i)] = true;
        if (i == 0) taken[size_t(seat)][size_t(row * 3 + column)] = true;
      };
    }
    if (!links[0]->Offer(0, code, QStringLiteral("A"))) return false;
    links[1]->Join(QStringLiteral("127.0.0.1"), links[0]->Port(), code, QStringLiteral("B"));
    return Spin(connected, 0) && Spin(connected, 1);
  }

  // The side to move makes one step: a throw (the first of a turn with nothing held, then one
  // with two dice held) or, after two throws, an entry into its first free cell.
  void Move()
  {
    arrived = {};
    TNetLink& mover = *links[size_t(turn)];
    if (throwsInTurn < 2) return mover.Throw(throwsInTurn == 0 ? 0 : 5);
    const auto& own = taken[size_t(turn)];
    const int cell = int(std::find(own.begin(), own.end(), false) - own.begin());
    mover.Enter(cell / 3, cell % 3);
  }

  void Moved()
  {
    if (throwsInTurn < 2) return void(++throwsInTurn);
    turn = 1 - turn;
    throwsInTurn = 0;
    ++entries;
  }
};

void NetStepArrives(benchmark::State& state)
{
  auto pair = std::make_unique<TPair>();
  if (!pair->Start()) return state.SkipWithError("no connection over 127.0.0.1");
  double longest = 0;
  for (auto _ : state) {
    const auto begin = std::chrono::steady_clock::now();
    const int mover = pair->turn;
    pair->Move();
    bool ok = pair->Spin(pair->arrived, 1 - mover);
    longest = std::max(
        longest, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
                     .count());
    // The step's own confirmation and a new game when one is over are not timed.
    state.PauseTiming();
    ok = ok && pair->Spin(pair->arrived, mover);
    pair->Moved();
    if (ok && pair->entries == 126) {
      pair = std::make_unique<TPair>();
      ok = pair->Start();
    }
    state.ResumeTiming();
    if (!ok) return state.SkipWithError("a step did not arrive over 127.0.0.1");
  }
  state.counters["longest_ms"] = longest;
}
BENCHMARK(NetStepArrives)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
