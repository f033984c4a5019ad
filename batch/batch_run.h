#pragma once

// Runs a planned batch: a pool of workers watermarks the images, a memory gate keeps their
// exports within the budget, and the calling thread hears of every item in the order of the plan
// while the workers go on. A front stops it through a StopControl from any thread.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "batch_figures.h"
#include "batch_plan.h"
#include "item_result.h"
#include "watermark_options.h"

namespace orvane::batch {

// How a front stops a batch. Any thread may ask; the batch polls.
class StopControl {
 public:
  // No new file starts; the files in progress are finished.
  void stop_starting() noexcept { stop_starting_ = true; }
  // The exports in progress stop too, leaving nothing behind; no new file starts.
  void abandon() noexcept { abandon_ = true; }

  [[nodiscard]] bool stopping() const noexcept { return stop_starting_.load() || abandon_.load(); }
  [[nodiscard]] bool abandoning() const noexcept { return abandon_.load(); }
  // The flag the engine's exports poll to cancel.
  [[nodiscard]] const std::atomic<bool>& abandon_flag() const noexcept { return abandon_; }

  // Waits until no batch runs on this control any more, at most `limit`; true when none runs.
  // For a process about to end, so abandoned exports can remove their temporary files.
  bool wait_until_idle(std::chrono::milliseconds limit);

 private:
  friend class RunningScope;
  void set_running(bool running);

  std::atomic<bool> stop_starting_{false};
  std::atomic<bool> abandon_{false};
  std::mutex mutex_;
  std::condition_variable idle_;
  bool running_ = false;
};

// What the batch tells its front, always on the thread that called run_batch.
class BatchSink {
 public:
  virtual ~BatchSink() = default;
  // An item's export is about to start (a front may show the row as working).
  virtual void item_started(std::size_t /*index*/) {}
  // Every item of the plan once, in plan order, items that never started included.
  virtual void item_finished(std::size_t index, const ItemResult& result) = 0;
  // The running figures, at least every 150 ms while the batch runs (not after the last item).
  virtual void progress(const BatchFigures& /*figures*/) {}
};

struct RunSettings {
  engine::WatermarkOptions options;  // paths are set per file
  bool overwrite = false;            // an output that exists is replaced
  bool skip_existing = false;        // an output that exists counts as done, not as a failure
  std::uint32_t jobs = 1;            // exports at once
  std::uint64_t memory_budget = 0;   // bytes the exports at once may count on
  bool strict_memory_budget = false;  // a file needing more than the budget fails instead of running alone
};

struct BatchOutcome {
  BatchFigures figures;
  bool any_failure = false;
  bool interrupted = false;  // stopped with images left undone
};

// Runs every item of the plan. The plan's output folder, when missing, is the caller's to make.
[[nodiscard]] BatchOutcome run_batch(const Plan& plan, const RunSettings& settings, StopControl& stop,
                                     BatchSink& sink);

// The budget a batch counts on when the user sets none: the memory available now.
[[nodiscard]] std::uint64_t default_memory_budget();

// Exports at once when the user sets no number: one per processor.
[[nodiscard]] std::uint32_t default_jobs();

}  // namespace orvane::batch
