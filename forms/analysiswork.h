#pragma once

// The analysis of one game on a thread of its own, for the analysis window: its own analyser
// (Stark's tables are built there, not in the window's loop), progress and result read by the
// window's timer, and a cancel flag that the analyser checks between decisions. The thread
// shares the work with the window, so that a window that closes need not wait: it sets the
// flag and leaves the thread to end by itself. Stark's tables, built by the first analysis in a
// process, take longer than any decision, and joining there held the closing window for most of
// a tenth of a second.

#include "ai/analysis.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

struct TAnalysisWork {
  std::atomic<bool> cancel{false};
  std::atomic<int> done{0}, total{0};
  std::atomic<bool> ready{false}, ended{false};
  TGameReview review; // written by the thread before ready, read by the window after it
  // Then every verdict that is not exact is refined by play-outs, the closest to a threshold
  // first, on several threads; each refined review is published under the lock as `latest`,
  // `refined` counting them.
  std::atomic<int> refined{0}, toRefine{0};
  std::mutex lock;
  TGameReview latest;
  std::thread thread;

  static std::shared_ptr<TAnalysisWork> Start(const TPlayedGame& game);
  // Sets the flag and hands the thread to WaitForAnalyses.
  static void Close(std::shared_ptr<TAnalysisWork> work);
};
