#include "store/recordwriter.h"

#include "store/ownerrights.h"

#include <sqlite3.h>
#include <vector>

namespace
{
using TClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A lock of another copy lasts a few syncs; one kept longer than this is said.
constexpr milliseconds LOCK_SAID_AFTER{2000};
// How often a refused write is tried again: soon for a lock, less often for a full disk.
constexpr milliseconds LOCK_RETRY{200};
constexpr milliseconds DISK_RETRY{500};
} // namespace

TRecordWriter::TRecordWriter(TOpener open)
{
  thread_ = std::thread([this, open = std::move(open)] {
    // A start as root writes the user's record with the user's rights, as the main thread does.
    const TOwnerRights rights;
    Run(open);
  });
}

TRecordWriter::~TRecordWriter()
{
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void TRecordWriter::Post(TJob job)
{
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(job));
  }
  wake_.notify_one();
}

bool TRecordWriter::Flush(int maxMs)
{
  std::unique_lock lock(mutex_);
  auto idle = [this] { return (queue_.empty() && !busy_) || trouble_ != TRecordProblem::None; };
  if (maxMs < 0)
    done_.wait(lock, idle);
  else
    done_.wait_for(lock, milliseconds(maxMs), idle);
  return queue_.empty() && !busy_;
}

bool TRecordWriter::FlushAtEnd(int maxMs)
{
  std::unique_lock lock(mutex_);
  hurry_ = true;
  wake_.notify_all();
  done_.wait_for(lock, milliseconds(maxMs), [this] { return queue_.empty() && !busy_; });
  return queue_.empty() && !busy_;
}

void TRecordWriter::SetEndWait(int milliseconds)
{
  std::lock_guard lock(mutex_);
  endWaitMs_ = milliseconds;
}

int TRecordWriter::Committed() const
{
  std::lock_guard lock(mutex_);
  return committed_;
}

int TRecordWriter::Failed() const
{
  std::lock_guard lock(mutex_);
  return failed_;
}

TRecordProblem TRecordWriter::Trouble() const
{
  std::lock_guard lock(mutex_);
  return trouble_;
}

bool TRecordWriter::Waiting() const
{
  std::lock_guard lock(mutex_);
  return !queue_.empty() || busy_;
}

int TRecordWriter::TryBatch(std::vector<TJob>& batch)
{
  bool ok = db_->Begin();
  for (auto& job : batch)
    ok = ok && job(*db_);
  ok = ok && db_->Commit();
  if (ok) return SQLITE_OK;
  // The code of the step that failed, before the rollback replaces it.
  const int code = db_->Error();
  db_->Rollback();
  return code == SQLITE_OK ? SQLITE_ERROR : code;
}

void TRecordWriter::Run(const TOpener& open)
{
  std::unique_lock lock(mutex_);
  TClock::time_point retryAt{}, troubleSince{}, endBy = TClock::time_point::max();
  bool troubled = false;
  for (;;) {
    if (stop_ && endBy == TClock::time_point::max())
      endBy = TClock::now() + milliseconds(endWaitMs_);
    const bool pastEnd = TClock::now() >= endBy;
    if (queue_.empty() && stop_) break;
    if (pastEnd) {
      // Ending: what the record still refuses is given up, not waited for.
      failed_ += int(queue_.size());
      queue_.clear();
      break;
    }
    if (queue_.empty() || (TClock::now() < retryAt && !hurry_)) {
      if (queue_.empty())
        wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
      else
        wake_.wait_until(lock, std::min(retryAt, endBy)); // or until something comes in
      continue;
    }
    // Whatever came in while the last commit was syncing goes into one transaction.
    std::vector<TJob> batch(queue_.begin(), queue_.end());
    const size_t taken = batch.size();
    busy_ = true;
    lock.unlock();
    int code = SQLITE_CANTOPEN;
    TRecordProblem problem = TRecordProblem::None;
    if (!db_) {
      db_ = open(problem);
      if (!db_ && problem == TRecordProblem::Unreadable) problem = TRecordProblem::Unwritable;
    }
    if (db_) {
      code = TryBatch(batch);
      problem = RecordProblemOf(code);
      // After an I/O error SQLite may keep the connection unusable: the next try opens anew.
      if ((code & 0xff) == SQLITE_IOERR || (code & 0xff) == SQLITE_CANTOPEN) db_.reset();
    }
    lock.lock();
    busy_ = false;
    const bool retry = problem == TRecordProblem::Locked || problem == TRecordProblem::Unwritable ||
                       problem == TRecordProblem::ReadOnly;
    if (code == SQLITE_OK) {
      queue_.erase(queue_.begin(), queue_.begin() + std::ptrdiff_t(taken));
      committed_ += 1;
      troubled = false;
      trouble_ = TRecordProblem::None;
    } else if (retry) {
      // Kept, in order, ahead of what comes later; tried again in a moment.
      const TClock::time_point now = TClock::now();
      if (!troubled) troubleSince = now;
      troubled = true;
      const bool locked = problem == TRecordProblem::Locked;
      retryAt = now + (locked || hurry_ ? LOCK_RETRY : DISK_RETRY);
      if (!locked || now - troubleSince >= LOCK_SAID_AFTER)
        trouble_ = locked ? TRecordProblem::Locked : TRecordProblem::Unwritable;
    } else {
      // Neither now nor later: a record that is not the game's any more, or a damaged one.
      queue_.erase(queue_.begin(), queue_.begin() + std::ptrdiff_t(taken));
      failed_ += 1;
    }
    done_.notify_all();
  }
  busy_ = false;
  done_.notify_all();
  lock.unlock();
  db_.reset(); // its statements belong to this thread
}
