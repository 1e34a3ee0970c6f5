#include "cli/BatchMerge.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "app/core/ErrorTrap.h"

namespace lomandra::cli {

namespace {

using namespace std::chrono_literals;

// How often a waiting run reports its progress.
constexpr auto kProgressInterval = 200ms;

void addOutcome(BatchOutcome& batch, const WorkbookOutcome& one) {
  if (one.opened) ++batch.opened;
  batch.anyFailed = batch.anyFailed || !one.opened || one.anyFailed;
}

// One workbook read ahead of its turn.
struct Finished {
  KeptMerge kept;
  WorkbookOutcome outcome;
};

// The workbooks of a parallel run: handed out in order to the workers, kept when finished, and
// taken in order by the writing thread.
class Schedule {
 public:
  Schedule(std::size_t count, std::size_t ahead) : finished_(count), ahead_(ahead) {}

  // The next workbook for a worker, once it is within `ahead_` of the one being written;
  // nothing when every workbook has been handed out.
  std::optional<std::size_t> take() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return next_ >= finished_.size() || next_ < written_ + ahead_; });
    if (next_ >= finished_.size()) return std::nullopt;
    return next_++;
  }

  void finish(std::size_t index, Finished result) {
    {
      std::lock_guard lock(mutex_);
      finished_[index] = std::move(result);
    }
    changed_.notify_all();
  }

  // The finished workbook `index`, or nothing when it is still being read after `wait`.
  std::optional<Finished> collect(std::size_t index, std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, wait, [&] { return finished_[index].has_value(); }))
      return std::nullopt;
    std::optional<Finished> result = std::move(finished_[index]);
    finished_[index].reset();
    written_ = index + 1;
    lock.unlock();
    changed_.notify_all();
    return result;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::optional<Finished>> finished_;
  std::size_t ahead_;
  std::size_t next_ = 0;
  std::size_t written_ = 0;
};

}  // namespace

BatchOutcome mergeWorkbooks(const QStringList& paths, const QStringList& references,
                            const WalkOptions& walk, int jobs, MergeSink& sink,
                            const BatchProgress& progress) {
  BatchOutcome batch;
  std::atomic<std::uint64_t> cellsRead{0};
  const auto report = [&](std::size_t done) {
    if (progress) progress(done, cellsRead.load(std::memory_order_relaxed));
  };
  const std::size_t count = static_cast<std::size_t>(paths.size());
  const std::size_t threads = std::min<std::size_t>(static_cast<std::size_t>(std::max(jobs, 1)), count);
  if (threads <= 1) {
    for (std::size_t i = 0; i < count; ++i) {
      addOutcome(batch, mergeWorkbook(paths[static_cast<qsizetype>(i)], references, walk, sink, cellsRead));
      report(i + 1);
    }
    return batch;
  }

  Schedule schedule(count, 2 * threads);
  std::vector<std::jthread> workers;
  workers.reserve(threads);
  for (std::size_t t = 0; t < threads; ++t) {
    workers.emplace_back([&] {
      while (const std::optional<std::size_t> index = schedule.take()) {
        const QString& path = paths[static_cast<qsizetype>(*index)];
        Finished result;
        try {
          result.outcome = mergeWorkbook(path, references, walk, result.kept, cellsRead);
        } catch (...) {
          // Holding what was read ran out of memory or the like: reported like any failure.
          result = Finished();
          result.outcome.anyFailed = true;
          result.kept.failure((path + QStringLiteral(": ") + describeCurrentException()).toStdString());
        }
        schedule.finish(*index, std::move(result));
      }
    });
  }
  for (std::size_t i = 0; i < count; ++i) {
    std::optional<Finished> result;
    while (!(result = schedule.collect(i, kProgressInterval))) report(i);
    try {
      result->kept.replay(sink);
    } catch (...) {
      // The writing end refused a text (the kept results grew too large): reported in the place
      // of that workbook's remaining texts, and the run goes on.
      result->outcome.anyFailed = true;
      sink.failure((paths[static_cast<qsizetype>(i)] + QStringLiteral(": ") +
                    describeCurrentException()).toStdString());
    }
    addOutcome(batch, result->outcome);
    report(i + 1);
  }
  return batch;
}

}  // namespace lomandra::cli
