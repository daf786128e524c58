#include "store/recordwriter.h"

#include "store/ownerrights.h"

#include <chrono>
#include <vector>

namespace
{
// A transaction that another copy keeps waiting is tried again this often before it is given up.
constexpr int TRIES = 5;
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

void TRecordWriter::Flush()
{
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return queue_.empty() && !busy_; });
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

void TRecordWriter::Run(const TOpener& open)
{
  std::unique_ptr<TRecordDb> db = open();
  std::unique_lock lock(mutex_);
  db_ = std::move(db);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
    if (queue_.empty()) break; // stopping with nothing left
    // Whatever came in while the last commit was syncing goes into one transaction.
    std::vector<TJob> batch(std::make_move_iterator(queue_.begin()),
                            std::make_move_iterator(queue_.end()));
    queue_.clear();
    busy_ = true;
    lock.unlock();
    bool ok = false;
    for (int attempt = 0; attempt < TRIES && !ok && db_; ++attempt) {
      ok = db_->Begin();
      for (auto& job : batch)
        ok = ok && job(*db_);
      ok = ok && db_->Commit();
      if (!ok) db_->Rollback();
    }
    lock.lock();
    busy_ = false;
    (ok ? committed_ : failed_) += 1;
    if (queue_.empty()) done_.notify_all();
  }
  busy_ = false;
  done_.notify_all();
  lock.unlock();
  db_.reset(); // its statements belong to this thread
}
