#pragma once

// Writes the record on a thread of its own, so that the person never waits for the disk: the
// game hands over each action as it happens and goes on at once; the thread commits what has
// come in, one transaction at a time, each synced before the next. What the record cannot take
// now (another program holds its lock, the disk is full or refuses to write) waits in memory, in
// order, and is written as soon as it can be; Trouble says why it waits. Pure: no Qt.

#include "store/recorddb.h"

#include <chrono>
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
  using TOpener = std::function<std::unique_ptr<TRecordDb>(TRecordProblem&)>;
  // Opens its own connection on its own thread, so that not even a new database's first syncs
  // hold up the window; when the database cannot be used at all, every job is given up.
  explicit TRecordWriter(TOpener open);
  // Writes what is waiting, but gives up what the record still refuses after endWaitMs.
  ~TRecordWriter();
  TRecordWriter(const TRecordWriter&) = delete;
  TRecordWriter& operator=(const TRecordWriter&) = delete;

  void Post(TJob job);
  // Waits until everything posted so far is committed (or given up), at most maxMs (no limit
  // when negative), and not at all while the record refuses writes; true when nothing waits.
  bool Flush(int maxMs = -1);
  // The end: tries what waits at once and again until maxMs, however the record refused it.
  bool FlushAtEnd(int maxMs);
  // How long the end waits for a record that refuses writes.
  void SetEndWait(int milliseconds);
  // Batches committed, and batches given up (the record cannot be used, or refused them for good).
  int Committed() const;
  int Failed() const;
  // Why writes wait now: Locked or Unwritable (ReadOnly included) for a while, None otherwise.
  TRecordProblem Trouble() const;
  // Whether anything waits to be written.
  bool Waiting() const;

private:
  void Run(const TOpener& open);
  // One try of the batch; the SQLite code of the failure, or SQLITE_OK.
  int TryBatch(std::vector<TJob>& batch);
  std::unique_ptr<TRecordDb> db_;
  mutable std::mutex mutex_;
  std::condition_variable wake_, done_;
  std::deque<TJob> queue_;
  bool busy_ = false, stop_ = false, hurry_ = false;
  int committed_ = 0, failed_ = 0;
  TRecordProblem trouble_ = TRecordProblem::None;
  int endWaitMs_ = 2000;
  std::thread thread_;
};
