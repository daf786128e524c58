#pragma once

// Writes the record on a thread of its own, so that the person never waits for the disk: the
// game hands over each action as it happens and goes on at once; the thread commits what has
// come in, one transaction at a time, each synced before the next. Pure: no Qt.

#include "store/recorddb.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class TRecordWriter
{
public:
  using TJob = std::function<bool(TRecordDb&)>;
  using TOpener = std::function<std::unique_ptr<TRecordDb>()>;
  // Opens its own connection on its own thread, so that not even a new database's first syncs
  // hold up the window; without one, every job is given up.
  explicit TRecordWriter(TOpener open);
  // Writes what is waiting, then stops.
  ~TRecordWriter();
  TRecordWriter(const TRecordWriter&) = delete;
  TRecordWriter& operator=(const TRecordWriter&) = delete;

  void Post(TJob job);
  // Waits until everything posted so far is committed (or given up).
  void Flush();
  // Batches committed, and batches given up because the disk refused them.
  int Committed() const;
  int Failed() const;

private:
  void Run(const TOpener& open);
  std::unique_ptr<TRecordDb> db_;
  mutable std::mutex mutex_;
  std::condition_variable wake_, done_;
  std::deque<TJob> queue_;
  bool busy_ = false, stop_ = false;
  int committed_ = 0, failed_ = 0;
  std::thread thread_;
};
