#include "batch_run.h"

#include <windows.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <limits>
#include <optional>
#include <thread>
#include <unordered_set>
#include <utility>
#include <vector>

#include "file_identity.h"
#include "file_system.h"
#include "image_export.h"
#include "image_size_limit.h"
#include "memory_gate.h"

namespace orvane::batch {

// Marks a control as running a batch while it lives.
class RunningScope {
 public:
  explicit RunningScope(StopControl& stop) : stop_(stop) { stop_.set_running(true); }
  ~RunningScope() { stop_.set_running(false); }
  RunningScope(const RunningScope&) = delete;
  RunningScope& operator=(const RunningScope&) = delete;

 private:
  StopControl& stop_;
};

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using engine::FileIdentity;

std::uint64_t file_size(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

ItemResult failure(ItemReason reason) {
  ItemResult result;
  result.status = ItemStatus::Failed;
  result.reason = reason;
  result.counts_as_failure = true;
  return result;
}

class BatchRun {
 public:
  BatchRun(const Plan& plan, const RunSettings& settings, StopControl& stop)
      : plan_(plan), settings_(settings), stop_(stop), gate_(settings.memory_budget), sources_(plan.input_paths),
        results_(plan.items.size()) {}

  BatchOutcome run(BatchSink& sink) {
    BatchOutcome outcome;
    BatchFigures& figures = outcome.figures;
    figures.images = plan_.images;
    std::vector<std::size_t> images;
    for (std::size_t i = 0; i < plan_.items.size(); ++i) {
      const PlanItem& item = plan_.items[i];
      if (item.kind == ItemKind::Image) {
        images.push_back(i);
        figures.pixels_left += pixels(item);
        continue;
      }
      ItemResult result;
      result.status = item.kind == ItemKind::Nothing ? ItemStatus::Failed : ItemStatus::Skipped;
      result.reason = item.kind == ItemKind::Nothing ? ItemReason::NothingFound : ItemReason::NotImage;
      result.counts_as_failure = item.kind == ItemKind::Nothing;
      results_[i] = std::move(result);
    }

    // One imaging session for every worker: none of their exports starts or stops GDI+ under another.
    const engine::ImagingSession session;
    const std::size_t workers = std::max<std::size_t>(1, std::min<std::size_t>(settings_.jobs, images.size()));
    start_ = Clock::now();
    std::vector<std::thread> threads;
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> running{workers};
    for (std::size_t w = 0; w < workers && !images.empty(); ++w) {
      threads.emplace_back([&] {
        while (!stop_.stopping()) {
          const std::size_t n = next.fetch_add(1);
          if (n >= images.size()) break;
          // An exception must not end the process (std::terminate) or leave the in-order report waiting
          // for this file: it fails this file alone (in practice memory running out), and the batch goes on.
          try {
            work(images[n]);
          } catch (const std::exception&) {
            fail_unexpectedly(images[n]);
          }
        }
        if (running.fetch_sub(1) == 1) {
          const std::lock_guard lock(mutex_);
          all_done_ = true;
          changed_.notify_all();
        }
      });
    }
    if (images.empty()) all_done_ = true;

    // Tells the sink of each finished item in the order of the plan while the workers go on.
    std::size_t reported = 0;
    for (;;) {
      std::vector<std::size_t> started;
      std::vector<std::pair<std::size_t, ItemResult>> ready;
      bool done = false;
      {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(150), [&] {
          return all_done_ || !started_.empty() || (reported < results_.size() && results_[reported]);
        });
        started.swap(started_);
        while (reported < results_.size() && results_[reported]) {
          ready.emplace_back(reported, std::move(*results_[reported]));
          results_[reported].reset();
          ++reported;
        }
        done = all_done_;
      }
      for (const std::size_t index : started) sink.item_started(index);
      for (auto& [index, result] : ready) account(index, result, outcome, sink);

      if (stop_.stopping()) gate_.close();  // wakes the workers waiting for memory
      figures.stopping = stop_.stopping();
      figures.seconds = seconds();
      if (done) break;
      sink.progress(figures);
    }
    for (std::thread& thread : threads) thread.join();

    // What the stopped batch left: finished items after one that never started, and those never started.
    {
      std::vector<std::size_t> started;
      {
        const std::lock_guard lock(mutex_);
        started.swap(started_);
      }
      for (const std::size_t index : started) sink.item_started(index);
    }
    for (std::size_t i = reported; i < results_.size(); ++i) {
      ItemResult result;
      {
        const std::lock_guard lock(mutex_);
        if (results_[i]) {
          result = std::move(*results_[i]);
        } else {
          result.status = ItemStatus::NotStarted;
        }
      }
      account(i, result, outcome, sink);
    }
    // Stopped with something left undone; a stop after the last file changes nothing.
    outcome.interrupted = stop_.stopping() && figures.done() < figures.images;
    figures.seconds = seconds();
    return outcome;
  }

 private:
  static std::uint64_t pixels(const PlanItem& item) {
    return item.width && item.height ? std::uint64_t{*item.width} * *item.height : 0;
  }

  double seconds() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

  void account(std::size_t index, const ItemResult& result, BatchOutcome& outcome, BatchSink& sink) {
    const PlanItem& item = plan_.items[index];
    BatchFigures& figures = outcome.figures;
    switch (result.status) {
      case ItemStatus::Written:
        ++figures.written;
        break;
      case ItemStatus::Cancelled:
      case ItemStatus::NotStarted:
        break;  // left for the next run
      case ItemStatus::Failed:
        if (item.kind == ItemKind::Nothing) {
          ++figures.nothing;
        } else {
          ++figures.failed;
        }
        break;
      case ItemStatus::Skipped:
        if (item.kind == ItemKind::NotImage) {
          ++figures.not_images;
        } else {
          ++figures.existing;
        }
        break;
    }
    if (item.kind == ItemKind::Image && result.status != ItemStatus::NotStarted) {
      const std::uint64_t size = pixels(item);
      figures.pixels_left -= std::min(figures.pixels_left, size);
      if (result.milliseconds) {
        figures.pixels_done += std::max<std::uint64_t>(size, 1);
        figures.seconds_at_last = seconds();
      }
    }
    outcome.any_failure = outcome.any_failure || result.counts_as_failure;
    sink.item_finished(index, result);
  }

  void finish(std::size_t index, ItemResult result) {
    const std::lock_guard lock(mutex_);
    results_[index] = std::move(result);
    changed_.notify_all();
  }

  void announce_start(std::size_t index) {
    const std::lock_guard lock(mutex_);
    started_.push_back(index);
    changed_.notify_all();
  }

  // Records a failure for a file whose work threw before it reported (its memory, if held, given back).
  void fail_unexpectedly(std::size_t index) noexcept {
    try {
      finish(index, failure(ItemReason::OutOfMemory));
    } catch (const std::exception&) {
      // Nothing more can be said; the item is then told as never started.
    }
  }

  void work(std::size_t index) {
    const PlanItem& item = plan_.items[index];
    const std::optional<FileIdentity> output_identity = engine::file_identity(item.output_full);
    if (sources_.contains(item.output_full, output_identity)) {
      return finish(index, failure(ItemReason::SourceWouldBeOverwritten));
    }
    if (output_identity) {
      const std::lock_guard lock(written_mutex_);
      if (written_.contains(*output_identity)) return finish(index, failure(ItemReason::OutputWrittenEarlier));
    }
    // Asked of the system: the runtime's stat takes a long path that exists for a missing one.
    const engine::PathKind output_kind = output_identity ? engine::PathKind::file : engine::path_kind(item.output_full);
    if (output_kind == engine::PathKind::unknown) return finish(index, failure(ItemReason::OutputUnknown));
    if (!settings_.overwrite && output_kind != engine::PathKind::missing) {
      ItemResult result;
      result.status = ItemStatus::Skipped;
      result.reason = ItemReason::OutputExists;
      result.counts_as_failure = !settings_.skip_existing;
      return finish(index, std::move(result));
    }
    const fs::path folder = fs::path(item.output_full).parent_path();
    if (item.make_folder ? !engine::make_folders(folder.wstring())
                         : engine::path_kind(folder.wstring()) != engine::PathKind::folder) {
      return finish(index, failure(ItemReason::OutputFolderMissing));
    }

    // The engine's rule for the memory of an export, shared with the other workers.
    const std::uint64_t needed =
        item.width && item.height ? engine::export_bytes_needed(*item.width, *item.height) : 0;
    if (settings_.strict_memory_budget && needed > settings_.memory_budget) {
      ItemResult result = failure(ItemReason::OverMemoryLimit);
      result.bytes_needed = needed;
      result.memory_budget = settings_.memory_budget;
      return finish(index, std::move(result));
    }
    if (!gate_.acquire(needed)) return;  // stopped while waiting: never started
    if (stop_.stopping()) {
      gate_.release(needed);
      return;
    }

    ItemResult result;
    engine::WatermarkOptions options = settings_.options;
    options.input_path = item.input_full;
    options.output_path = item.output_full;
    options.sequence_number = item.sequence;
    std::wstring error;
    bool written = false;
    try {
      announce_start(index);
      const auto started = Clock::now();
      written = engine::export_image(options, result.report, error, nullptr, &stop_.abandon_flag());
      result.milliseconds = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    } catch (const std::exception&) {
      gate_.release(needed);
      throw;
    }
    gate_.release(needed);
    if (!written) {
      if (error == engine::kExportCancelled) {
        result.status = ItemStatus::Cancelled;
        result.reason = ItemReason::Cancelled;
        result.counts_as_failure = true;
        return finish(index, std::move(result));
      }
      result.status = ItemStatus::Failed;
      result.reason = ItemReason::ExportFailed;
      result.counts_as_failure = true;
      result.engine_error = std::move(error);
      return finish(index, std::move(result));
    }
    if (const auto identity = engine::file_identity(item.output_full)) {
      const std::lock_guard lock(written_mutex_);
      written_.insert(*identity);
    }
    result.status = ItemStatus::Written;
    result.output_bytes = file_size(item.output_full);
    finish(index, std::move(result));
  }

  const Plan& plan_;
  const RunSettings& settings_;
  StopControl& stop_;
  MemoryGate gate_;
  const SourceFiles sources_;
  Clock::time_point start_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::optional<ItemResult>> results_;
  std::vector<std::size_t> started_;  // exports begun since the sink last heard
  bool all_done_ = false;

  std::mutex written_mutex_;
  std::unordered_set<FileIdentity, FileIdentityHash> written_;
};

}  // namespace

void StopControl::set_running(bool running) {
  const std::lock_guard lock(mutex_);
  running_ = running;
  if (!running) idle_.notify_all();
}

bool StopControl::wait_until_idle(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  return idle_.wait_for(lock, limit, [&] { return !running_; });
}

BatchOutcome run_batch(const Plan& plan, const RunSettings& settings, StopControl& stop, BatchSink& sink) {
  const RunningScope running(stop);
  BatchRun run(plan, settings, stop);
  return run.run(sink);
}

std::uint64_t default_memory_budget() {
  return engine::memory_available().value_or(std::numeric_limits<std::uint64_t>::max());
}

std::uint32_t default_jobs() {
  const DWORD count = GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
  if (count > 0) return count;
  const unsigned hardware = std::thread::hardware_concurrency();
  return hardware > 0 ? hardware : 1;
}

}  // namespace orvane::batch
