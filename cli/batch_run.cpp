#include "batch_run.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_set>
#include <vector>

#include "file_identity.h"
#include "file_system.h"
#include "image_export.h"
#include "image_size_limit.h"
#include "input_search.h"
#include "memory_gate.h"

namespace orvane::cli {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using engine::FileIdentity;

std::atomic<Interruption*> g_interruption{nullptr};

BOOL WINAPI on_console_control(DWORD type) {
  Interruption* interruption = g_interruption.load();
  if (interruption == nullptr) return FALSE;
  switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      if (interruption->presses.fetch_add(1) + 1 >= 2) interruption->abandon = true;
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // The process ends when this returns: abandon the exports and give them a moment to remove
      // their temporary files (Windows allows a handler about five seconds).
      interruption->presses.fetch_add(2);
      interruption->abandon = true;
      if (void* finished = interruption->finished_event.load()) WaitForSingleObject(finished, 4000);
      return TRUE;
    default:
      return FALSE;
  }
}

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::uint64_t file_size(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

struct IdentityHash {
  std::size_t operator()(const FileIdentity& identity) const noexcept {
    return std::hash<std::uint64_t>()(identity.file_index * 31 + identity.volume_serial);
  }
};

std::wstring mib(std::uint64_t bytes) { return std::to_wstring((bytes + (1 << 20) - 1) >> 20) + L" MiB"; }

// Writes what the batch says, in the chosen form. Only the reporting thread calls it.
class Reporter {
 public:
  Reporter(const BatchSettings& settings, const ConsoleWriter& out, const ConsoleWriter& err)
      : settings_(settings), out_(out), err_(err) {}

  void item(const PlanItem& item, const ItemResult& result) {
    const bool failure = result.status == ItemStatus::Failed;
    if (settings_.mode == ReportMode::Json) {
      if (!settings_.quiet || failure) out_.write_line(json_record(item, result));
      return;
    }
    if (result.status == ItemStatus::Written) {
      if (settings_.mode == ReportMode::Records && !settings_.quiet) {
        out_.write_line(item.input + L" -> " + item.output + L": " + result.message);
      }
      return;
    }
    if (failure) {
      error_line(item.input + L": " + result.message);
      return;
    }
    // Skipped and abandoned files: noted one by one in records; counted on the progress line.
    if (settings_.mode == ReportMode::Progress || settings_.quiet) return;
    if (result.existing_output && settings_.skip_existing) return;
    err_.write_line(item.input + L": " + result.message);
  }

  // A line on standard error, above the progress line when there is one.
  void error_line(const std::wstring& line) {
    clear();
    err_.write_line(line);
  }

  void notice(const std::wstring& line) {
    if (!settings_.quiet) error_line(L"orvane-cli: " + line);
  }

  void progress(const BatchFigures& figures) {
    if (settings_.mode != ReportMode::Progress) return;
    const std::wstring line = progress_line(figures, out_.columns());
    if (line.size() == shown_ && line == last_line_) return;
    last_line_ = line;
    std::wstring text = L"\r" + line;
    if (line.size() < shown_) text += std::wstring(shown_ - line.size(), L' ') + L"\r" + line;
    out_.write(text);
    shown_ = line.size();
  }

  void finish(const BatchFigures& figures, bool interrupted) {
    if (settings_.mode != ReportMode::Progress) return;
    clear();
    out_.write_line(summary_line(figures, interrupted));
  }

 private:
  void clear() {
    last_line_.clear();
    if (shown_ == 0) return;
    out_.write(L"\r" + std::wstring(shown_, L' ') + L"\r");
    shown_ = 0;
  }

  const BatchSettings& settings_;
  const ConsoleWriter& out_;
  const ConsoleWriter& err_;
  std::size_t shown_ = 0;  // characters of the progress line on the console now
  std::wstring last_line_;
};

class BatchRun {
 public:
  BatchRun(const Plan& plan, const BatchSettings& settings, Interruption& interruption)
      : plan_(plan), settings_(settings), interruption_(interruption), gate_(settings.memory_budget),
        results_(plan.items.size()) {
    for (const std::wstring& input : plan.input_paths) input_keys_.insert(fold_case(input));
  }

  BatchOutcome run(Reporter& reporter) {
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
      result.message = item.message;
      result.counts_as_failure = item.kind == ItemKind::Nothing;
      results_[i] = std::move(result);
    }

    const std::size_t workers = std::max<std::size_t>(1, std::min<std::size_t>(settings_.jobs, images.size()));
    HANDLE finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    interruption_.finished_event = finished;
    start_ = Clock::now();
    std::vector<std::thread> threads;
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> running{workers};
    for (std::size_t w = 0; w < workers && !images.empty(); ++w) {
      threads.emplace_back([&] {
        while (!interruption_.stop_starting()) {
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

    // Reports each finished item in the order of the plan while the workers go on.
    std::size_t reported = 0;
    int presses_seen = 0;
    bool abandon_seen = false;
    for (;;) {
      std::vector<std::pair<std::size_t, ItemResult>> ready;
      bool done = false;
      {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(150),
                          [&] { return all_done_ || (reported < results_.size() && results_[reported]); });
        while (reported < results_.size() && results_[reported]) {
          ready.emplace_back(reported, std::move(*results_[reported]));
          results_[reported].reset();
          ++reported;
        }
        done = all_done_;
      }
      for (auto& [index, result] : ready) account(plan_.items[index], result, outcome, reporter);

      const int presses = interruption_.presses.load();
      if (presses > presses_seen && presses_seen == 0) {
        gate_.close();
        if (!done) {
          reporter.notice(
              L"stopping: the files in progress are finished, no new one is started (Ctrl+C again abandons them)");
        }
      }
      if (interruption_.abandon && !abandon_seen) {
        abandon_seen = true;
        gate_.close();
        if (!done) reporter.notice(L"abandoning the files in progress");
      }
      presses_seen = presses;
      figures.stopping = interruption_.stop_starting();
      figures.seconds = seconds();
      if (done) break;
      reporter.progress(figures);
    }
    for (std::thread& thread : threads) thread.join();
    SetEvent(finished);

    // What finished after an item that never started, when the batch was stopped.
    {
      const std::lock_guard lock(mutex_);
      for (std::size_t i = reported; i < results_.size(); ++i) {
        if (results_[i]) account(plan_.items[i], *results_[i], outcome, reporter);
      }
    }
    // Stopped with something left undone; a Ctrl+C after the last file changes nothing.
    outcome.interrupted = interruption_.stop_starting() && figures.done() < figures.images;
    figures.seconds = seconds();
    reporter.finish(figures, outcome.interrupted);
    if (outcome.interrupted && settings_.mode != ReportMode::Progress) {
      const std::size_t left = figures.images - figures.done();
      reporter.notice(L"interrupted: " + std::to_wstring(figures.written) + L" of " +
                      std::to_wstring(figures.images) + L" images written, " + std::to_wstring(left) +
                      L" left; the same command again does the rest");
    }
    interruption_.finished_event = nullptr;
    CloseHandle(finished);
    return outcome;
  }

 private:
  static std::uint64_t pixels(const PlanItem& item) {
    return item.width && item.height ? std::uint64_t{*item.width} * *item.height : 0;
  }

  double seconds() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

  void account(const PlanItem& item, const ItemResult& result, BatchOutcome& outcome, Reporter& reporter) {
    BatchFigures& figures = outcome.figures;
    switch (result.status) {
      case ItemStatus::Written:
        ++figures.written;
        break;
      case ItemStatus::Cancelled:
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
    if (item.kind == ItemKind::Image) {
      const std::uint64_t size = pixels(item);
      figures.pixels_left -= std::min(figures.pixels_left, size);
      if (result.milliseconds) {
        figures.pixels_done += std::max<std::uint64_t>(size, 1);
        figures.seconds_at_last = seconds();
      }
    }
    outcome.any_failure = outcome.any_failure || result.counts_as_failure;
    reporter.item(item, result);
  }

  void finish(std::size_t index, ItemResult result) {
    const std::lock_guard lock(mutex_);
    results_[index] = std::move(result);
    changed_.notify_all();
  }

  // Whether an existing output is one of the inputs, by whatever path it is named.
  bool is_input_file(const FileIdentity& identity) {
    std::call_once(identities_once_, [&] {
      for (const std::wstring& input : plan_.input_paths) {
        if (const auto id = engine::file_identity(input)) input_identities_.insert(*id);
      }
    });
    return input_identities_.contains(identity);
  }

  // Records a failure for a file whose work threw before it reported (its memory, if held, given back).
  void fail_unexpectedly(std::size_t index) noexcept {
    try {
      ItemResult result;
      result.status = ItemStatus::Failed;
      result.message = L"Not enough memory to process this image.";
      result.counts_as_failure = true;
      finish(index, std::move(result));
    } catch (const std::exception&) {
      // Nothing more can be said; the report then shows the file as never started.
    }
  }

  void work(std::size_t index) {
    const PlanItem& item = plan_.items[index];
    ItemResult result;
    const auto fail = [&](const std::wstring& message) {
      result.status = ItemStatus::Failed;
      result.message = message;
      result.counts_as_failure = true;
      finish(index, std::move(result));
    };

    const std::optional<FileIdentity> output_identity = engine::file_identity(item.output_full);
    if (input_keys_.contains(fold_case(item.output_full)) || (output_identity && is_input_file(*output_identity))) {
      return fail(L"Orvane will not overwrite the source image " + quoted(item.output) + L".");
    }
    if (output_identity) {
      const std::lock_guard lock(written_mutex_);
      if (written_.contains(*output_identity)) {
        return fail(L"The output " + quoted(item.output) + L" was already written for an earlier input.");
      }
    }
    // Asked of the system: the runtime's stat takes a long path that exists for a missing one.
    const engine::PathKind output_kind = output_identity ? engine::PathKind::file : engine::path_kind(item.output_full);
    if (output_kind == engine::PathKind::unknown) {
      return fail(L"Unable to tell whether the output " + quoted(item.output) + L" exists.");
    }
    if (!settings_.overwrite && output_kind != engine::PathKind::missing) {
      result.status = ItemStatus::Skipped;
      result.existing_output = true;
      result.counts_as_failure = !settings_.skip_existing;
      result.message = L"skipped: " + quoted(item.output) + L" already exists (--overwrite replaces it).";
      return finish(index, std::move(result));
    }
    const fs::path folder = fs::path(item.output_full).parent_path();
    if (item.make_folder ? !engine::make_folders(folder.wstring())
                         : engine::path_kind(folder.wstring()) != engine::PathKind::folder) {
      return fail(L"The output folder " + quoted(fs::path(item.output).parent_path().wstring()) +
                  L" does not exist.");
    }

    // The engine's rule for the memory of an export, shared with the other workers.
    const std::uint64_t needed =
        item.width && item.height ? engine::export_bytes_needed(*item.width, *item.height) : 0;
    if (settings_.memory_limit_given && needed > settings_.memory_budget) {
      return fail(L"its export needs about " + mib(needed) + L", more than --memory-limit allows (" +
                  mib(settings_.memory_budget) + L").");
    }
    if (!gate_.acquire(needed)) return;  // stopped while waiting: never started
    if (interruption_.stop_starting()) {
      gate_.release(needed);
      return;
    }

    engine::WatermarkOptions options = settings_.options;
    options.input_path = item.input_full;
    options.output_path = item.output_full;
    options.sequence_number = item.sequence;
    std::wstring error;
    const auto started = Clock::now();
    bool written = false;
    try {
      written = engine::export_image(options, result.report, error, nullptr, &interruption_.abandon);
    } catch (const std::exception&) {
      gate_.release(needed);
      throw;
    }
    result.milliseconds = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    gate_.release(needed);
    if (!written) {
      if (error == engine::kExportCancelled) {
        result.status = ItemStatus::Cancelled;
        result.message = L"abandoned by Ctrl+C; nothing was written";
        result.counts_as_failure = true;
        return finish(index, std::move(result));
      }
      return fail(error);
    }
    if (const auto identity = engine::file_identity(item.output_full)) {
      const std::lock_guard lock(written_mutex_);
      written_.insert(*identity);
    }
    result.status = ItemStatus::Written;
    result.message = describe(result.report);
    result.output_bytes = file_size(item.output_full);
    finish(index, std::move(result));
  }

  const Plan& plan_;
  const BatchSettings& settings_;
  Interruption& interruption_;
  MemoryGate gate_;
  Clock::time_point start_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::optional<ItemResult>> results_;
  bool all_done_ = false;

  std::unordered_set<std::wstring> input_keys_;
  std::once_flag identities_once_;
  std::unordered_set<FileIdentity, IdentityHash> input_identities_;
  std::mutex written_mutex_;
  std::unordered_set<FileIdentity, IdentityHash> written_;
};

}  // namespace

ConsoleControl::ConsoleControl(Interruption& interruption) : interruption_(interruption) {
  g_interruption = &interruption_;
  SetConsoleCtrlHandler(on_console_control, TRUE);
}

ConsoleControl::~ConsoleControl() {
  SetConsoleCtrlHandler(on_console_control, FALSE);
  g_interruption = nullptr;
}

BatchOutcome run_batch(const Plan& plan, const BatchSettings& settings, Interruption& interruption,
                       const ConsoleWriter& out, const ConsoleWriter& err) {
  Reporter reporter(settings, out, err);
  BatchRun run(plan, settings, interruption);
  return run.run(reporter);
}

void show_search_progress(const ConsoleWriter& out, std::size_t found) {
  std::wstring line = L"Looking for images: " + std::to_wstring(found) + L" files found";
  const std::size_t columns = out.columns();
  if (columns > 1 && line.size() > columns - 1) line.resize(columns - 1);
  out.write(L"\r" + line);
}

void clear_progress(const ConsoleWriter& out) {
  out.write(L"\r" + std::wstring(std::max<std::size_t>(out.columns(), 2) - 1, L' ') + L"\r");
}

}  // namespace orvane::cli
