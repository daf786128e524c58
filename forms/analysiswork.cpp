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
      if (working.status == TAnalysisStatus::Done) {
        const auto order = TGameAnalyser::ToRefine(working);
        w->toRefine.store(int(order.size()));
        for (const TGameAnalyser::TRefinement& which : order) {
          if (!analyser.Refine(working, which, &w->cancel)) break;
          {
            const std::lock_guard lock(w->lock);
            w->latest = working;
          }
          w->refined.fetch_add(1, std::memory_order_release);
        }
      }
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
