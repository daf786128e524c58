// The analysis threads of the analysis windows, open and closed.

#include "forms/analysiswork.h"

#include "forms/analysisform.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace
{
std::atomic<int> running{0};
} // namespace

int AnalysisThreads()
{
  return running.load();
}

namespace
{
struct TClosed {
  std::shared_ptr<TAnalysisWork> work;
  std::thread thread;
};

std::mutex closedLock;
// The threads of closed windows, each stopping at its analyser's next look at the cancel flag.
std::vector<TClosed>& Closed()
{
  static std::vector<TClosed> closed;
  return closed;
}

// Joins the closed windows' threads that have ended, or all of them.
void JoinClosed(bool all)
{
  std::vector<TClosed> joining;
  {
    const std::lock_guard lock(closedLock);
    auto& closed = Closed();
    auto stays = std::partition(closed.begin(), closed.end(), [all](const TClosed& c) {
      return !all && !c.work->ended.load(std::memory_order_acquire);
    });
    std::move(stays, closed.end(), std::back_inserter(joining));
    closed.erase(stays, closed.end());
  }
  for (TClosed& c : joining)
    c.thread.join();
}
} // namespace

void WaitForAnalyses()
{
  JoinClosed(true);
}

namespace
{
// Refining a whole game takes minutes of processor time, so it takes every processor but one,
// at least two threads (the window's own loop needs little) and at most three (each keeps
// the end-games it has worked out, up to some tens of megabytes). Each thread plays decisions
// on with an analyser of its own; the review takes each result under a lock, in whatever order
// they end.
void Refine(TAnalysisWork& w, const TGameAnalyser& first, TGameReview& working)
{
  const auto order = TGameAnalyser::ToRefine(working);
  w.toRefine.store(int(order.size()));
  const TGameReview quick = working;
  std::atomic<size_t> next{0};
  std::mutex taking;
  auto refineSome = [&](const TGameAnalyser& analyser) {
    for (size_t i; (i = next++) < order.size();) {
      const TGameAnalyser::TPlayOutsOf played = analyser.PlayOn(quick, order[i], &w.cancel);
      if (w.cancel.load()) return;
      {
        const std::lock_guard take(taking);
        TGameAnalyser::TakeRefined(working, order[i], played);
        const std::lock_guard lock(w.lock);
        w.latest = working;
      }
      w.refined.fetch_add(1, std::memory_order_release);
    }
  };
  const int threads = std::clamp(int(std::thread::hardware_concurrency()) - 1, 2, 3);
  std::vector<std::thread> more;
  for (int t = 1; t < threads && size_t(t) < order.size(); ++t)
    more.emplace_back([&] { refineSome(TGameAnalyser()); });
  refineSome(first);
  for (std::thread& thread : more)
    thread.join();
}
} // namespace

std::shared_ptr<TAnalysisWork> TAnalysisWork::Start(const TPlayedGame& game)
{
  JoinClosed(false);
  auto work = std::make_shared<TAnalysisWork>();
  running += 1;
  work->thread = std::thread([w = work.get(), game] {
    {
      TGameAnalyser analyser;
      w->review = analyser.Analyse(game, &w->cancel, [w](int d, int t) {
        w->done.store(d);
        w->total.store(t);
      });
      TGameReview working = w->review;
      running -= 1;
      w->ready.store(true, std::memory_order_release);
      if (working.status == TAnalysisStatus::Done) Refine(*w, analyser, working);
    }
    w->ended.store(true, std::memory_order_release);
  });
  return work;
}

void TAnalysisWork::Close(std::shared_ptr<TAnalysisWork> work)
{
  if (!work) return;
  work->cancel.store(true);
  std::thread thread = std::move(work->thread);
  if (!thread.joinable()) return;
  const std::lock_guard lock(closedLock);
  Closed().push_back({std::move(work), std::move(thread)});
}
